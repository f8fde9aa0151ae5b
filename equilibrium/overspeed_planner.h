// The overspeed planner: the speed program that brings an equilibrium run soonest within epsilon
// of its final profile, searched by the downhill simplex over the program's parameters.
#pragma once

#include "equilibrium/approach_to_eq.h"
#include "equilibrium/speed_program.h"

#include <functional>
#include <vector>

// Evaluations a simplex pass of the planner may take before it reports that it did not converge.
constexpr int kOverspeedEvaluationCap = 5000;

struct OverspeedProblem {
    SpeedProgramSettings program;
    float meniscus = 6.8f, bottom = 7.2f, leftLimit = 6.82f, rightLimit = 7.15f;
    float vbar = 0.73f, temperature = 4.0f;
    std::vector<float> loading, s, D; // [1..species]
    float epsilon = 0.001f;           // rms difference to equilibrium, in loading units
    float maxOverconcentration = 1.5f;
    float horizonSeconds = 50000.0f;
    int maxEvaluations = kOverspeedEvaluationCap; // per simplex pass
    float roundingStep = 1.0f;                    // rpm
};

struct OverspeedPlan {
    std::vector<float> parameters; // [1..n]
    SpeedSteps steps;
    float hours = 0.0f;          // simulated time to the criterion under the program
    int evaluations = 0;         // objective evaluations of all passes
    bool converged = false;      // false when a pass met its evaluation cap
    bool stopped = false;        // the watch's stop ended the search: the best so far
    CApproachToEqSim simulation; // the run under the program, analysed
};

// One evaluation of the search that came out no worse than the best before it.
struct OverspeedProgress {
    double value = 0.0;                             // h, with the search's penalties
    const std::vector<float>* parameters = nullptr; // [1..n]
    int pass = 0;                                   // simplex passes begun (0: the start point)
    int evaluations = 0;                            // evaluations of this pass
    const CApproachToEqSim* simulation = nullptr;   // its simulated run, analysed
    float horizonHours = 0.0f;                      // simulated length of every evaluation
};

// What watches the search: stop is asked after every evaluation (true ends the search with the
// best parameters so far); progress hears every evaluation that is no worse than the best.
struct OverspeedWatch {
    std::function<bool()> stop;
    std::function<void(const OverspeedProgress&)> progress;
};

// The objective of one parameter set: hours to the criterion under its program, with penalties
// for a criterion met only by a last-scan wobble (restart phase) and for overconcentration at the
// bottom beyond the limit; 1e10 when the program or the simulation fails.
double ApproachToEqObjective(const OverspeedProblem& problem, const std::vector<float>& p,
                             bool restartPhase);
// Restarts the simplex from the best parameters until a pass changes neither the value nor any
// parameter noticeably, or the watch stops it; starts from start[1..n].
OverspeedPlan OptimizeSpeedProgram(const OverspeedProblem& problem, std::vector<float> start,
                                   const OverspeedWatch& watch = {});
