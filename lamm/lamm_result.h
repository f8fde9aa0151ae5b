// The result of a Lamm solution and of a list of them.
#pragma once

// What CLammIdeal::Run returns; a list hands on the result of its last failing equation, or
// kLammListStopped. The numbers are the codes ReportLammSimError turns into boxes.
enum LammResult : int {
    kLammSolved = 0,
    kLammNoArrays = 1,             // the arrays could not be allocated
    kLammDiscretizationError = 2,  // every grid tried failed its discretization check
    kLammSingularMatrix = 3,       // a tridiagonal system was singular
    kLammRefused = 4,              // an invalid or missing group; the solver said which
    kLammAccelerationTooSlow = 5,  // the rotor's acceleration cannot be simulated
    kLammNonIdealityNotLoaded = 6, // the non-ideality parameters were not loaded
    kLammListStopped = 7,          // a key press left equations of a list unsolved
};

// True when a result leaves no solution behind (nothing was solved, or a list is not whole);
// a discretization error or a singular matrix still leaves profiles, flagged as failed.
constexpr bool LammSolutionMissing(int result) {
    return result == kLammNoArrays || result == kLammRefused ||
           result == kLammAccelerationTooSlow || result == kLammNonIdealityNotLoaded ||
           result == kLammListStopped;
}
