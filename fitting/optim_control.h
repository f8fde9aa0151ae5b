// What every optimiser is handed besides its objective: how it is stopped and where it reports
// its counts and progress, and what it returns.
#pragma once

#include <functional>

// The link between a running optimiser and its caller. The stop predicate is asked after every
// evaluation (and between moves); once it answers true the optimiser returns its best vector so
// far with status Aborted. The counts are added to, so one control can serve several optimisers
// in a row; progress, when set, receives the fraction done of a curvature evaluation.
struct OptimControl {
    std::function<bool()> stop;
    std::function<void(double fraction)> progress;
    int evaluations = 0; // objective evaluations
    int iterations = 0;  // optimiser passes (simplex moves, damped steps)
    // "zero differential in mlcof" was said in this fit (once for all its optimiser stages).
    bool zeroDifferentialReported = false;

    bool Stopped() const { return stop && stop(); }
};

enum class OptimStatus { Converged, NotConverged, Aborted, Failed };

struct OptimResult {
    OptimStatus status = OptimStatus::Converged;
    double value = 0.0; // objective at the returned vector
    int evaluations = 0;
    // Failed at the edge of the model: the steps were led towards trials that are no model.
    bool atModelEdge = false;
};
