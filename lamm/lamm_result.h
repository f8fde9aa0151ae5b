// The result of a Lamm solution and of a list of them.
#pragma once

// What CLammIdeal::Run returns; a list hands on the result of its last failing equation, or
// LammResult::ListStopped. The numbers are the codes ReportLammSimError turns into boxes.
enum class LammResult : int {
    Solved = 0,
    NoArrays = 1,             // the arrays could not be allocated
    DiscretizationError = 2,  // every grid tried failed its discretization check
    SingularMatrix = 3,       // a tridiagonal system was singular
    Refused = 4,              // an invalid or missing group; the solver said which
    AccelerationTooSlow = 5,  // the rotor's acceleration cannot be simulated
    NonIdealityNotLoaded = 6, // the non-ideality parameters were not loaded
    ListStopped = 7,          // a key press left equations of a list unsolved
};

// True when a result leaves no solution behind (nothing was solved, or a list is not whole);
// a discretization error or a singular matrix still leaves profiles, flagged as failed.
constexpr bool LammSolutionMissing(LammResult result) {
    return result == LammResult::NoArrays || result == LammResult::Refused ||
           result == LammResult::AccelerationTooSlow ||
           result == LammResult::NonIdealityNotLoaded || result == LammResult::ListStopped;
}
