// The overspeed planner's objective and search.
#include "equilibrium/overspeed_planner.h"

#include "fitting/optim_simplex.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// The objective with the simulated run it was computed from left in sim. While searching, a key
// ends the simulation at once (the evaluation fails and the search reads the key); the final
// evaluation of a program is always completed.
double EvaluateProgram(const OverspeedProblem& problem, const std::vector<float>& p,
                       bool restartPhase, CApproachToEqSim& sim, bool keyStops = true) {
    SpeedSteps steps;
    const bool rounding = problem.roundingStep > 1.0f;
    if (!BuildSpeedProgram(p, problem.program, rounding, rounding ? problem.roundingStep : 1.0f,
                           steps))
        return kFailedEvaluation;
    const int species = static_cast<int>(problem.loading.size()) - 1;
    if (!sim.Setup(nullptr, problem.horizonSeconds / 3600.0f, problem.bottom, problem.meniscus,
                   problem.rightLimit, problem.leftLimit, species, problem.loading.data(),
                   problem.s.data(), problem.D.data(), problem.vbar, problem.temperature,
                   problem.program.finalSpeed))
        return kFailedEvaluation;
    sim.SetSpeedSchedule(steps.Count(), steps.start.data(), steps.speed.data(), steps.rate.data(),
                         2);
    sim.keyStops = keyStops;
    if (!sim.Run() || sim.scanCount < 2)
        return kFailedEvaluation;
    sim.Analyse(problem.epsilon, problem.epsilon);
    double value = sim.timeToEquilibrium / 3600.0;
    if (restartPhase) {
        const auto at = static_cast<std::size_t>(sim.rmsCriterionIndex);
        const double rms = sim.rmsDifference[at];
        value += rms * 10.0;
        const double beforeLast = sim.rmsDifference[static_cast<std::size_t>(sim.scanCount - 1)];
        if (rms < beforeLast) {
            const double d = beforeLast - rms;
            value += d * d * 1000.0 / (double(problem.epsilon) * problem.epsilon);
        }
    }
    if (problem.maxOverconcentration > 0.0f) {
        const double excess = sim.MaxBottomOverconcentration() - problem.maxOverconcentration;
        if (excess > 0.0)
            value += excess * excess * 100.0;
    }
    return value;
}

} // namespace

double ApproachToEqObjective(const OverspeedProblem& problem, const std::vector<float>& p,
                             bool restartPhase) {
    CApproachToEqSim sim;
    return EvaluateProgram(problem, p, restartPhase, sim);
}

// Each pass starts a simplex spread by 15 % around the best parameters; the search ends when a
// pass moves the value by at most 1e-5 and every parameter by at most 1e-4 (relative), when a
// pass meets its evaluation cap, or when the watch asks to stop (after any evaluation).
OverspeedPlan OptimizeSpeedProgram(const OverspeedProblem& problem, std::vector<float> start,
                                   const OverspeedWatch& watch) {
    OverspeedPlan plan;
    const int n = static_cast<int>(start.size()) - 1;
    std::vector<double> p(start.begin(), start.end());
    int pass = 0, passEvaluations = 0;
    double best = std::numeric_limits<double>::infinity();
    bool stopped = false;
    CApproachToEqSim sim;
    std::vector<float> trial(static_cast<std::size_t>(n) + 1, 0.0f);
    FitObjective objective;
    objective.evaluate = [&](const double* q, std::vector<double>*) {
        for (int k = 1; k <= n; ++k)
            trial[static_cast<std::size_t>(k)] = static_cast<float>(q[k]);
        const double value = EvaluateProgram(problem, trial, true, sim);
        ++passEvaluations;
        if (value < kFailedEvaluation && value <= best) {
            best = value;
            if (watch.progress)
                watch.progress(
                    {value, &trial, pass, passEvaluations, &sim, problem.horizonSeconds / 3600.0f});
        }
        if (!stopped && watch.stop && watch.stop())
            stopped = true;
        return value;
    };
    SimplexOptions options;
    options.tolerance = 1e-5;
    options.randomization = 0.15;
    options.maxEvaluations = problem.maxEvaluations;
    options.restart = false;
    ParameterBounds bounds;
    bounds.lower.assign(static_cast<std::size_t>(n) + 1, -1e30);
    if (n >= 1)
        bounds.lower[1] = 0.2; // the first parameter at least 0.2
    OptimControl control;
    control.stop = [&stopped] { return stopped; };
    double previous = objective(p.data());
    plan.converged = true;
    for (pass = 1; pass <= 20 && !stopped; ++pass) {
        passEvaluations = 0;
        std::vector<double> before = p;
        const OptimResult result =
            SimplexOptimize(p.data(), n, objective, options, bounds, control);
        if (result.status == OptimStatus::NotConverged) {
            plan.converged = false;
            break;
        }
        bool still = std::fabs(result.value - previous) <= 1e-5 * std::fabs(result.value);
        for (int k = 1; k <= n && still; ++k)
            still = p[static_cast<std::size_t>(k)] == 0.0
                        ? std::fabs(before[static_cast<std::size_t>(k)]) <= 1e-4
                        : std::fabs(p[static_cast<std::size_t>(k)] -
                                    before[static_cast<std::size_t>(k)]) <=
                              1e-4 * std::fabs(p[static_cast<std::size_t>(k)]);
        previous = result.value;
        if (still)
            break;
    }
    plan.stopped = stopped;
    plan.evaluations = control.evaluations;
    plan.parameters.assign(p.begin(), p.end());
    const bool rounding = problem.roundingStep > 1.0f;
    BuildSpeedProgram(plan.parameters, problem.program, rounding,
                      rounding ? problem.roundingStep : 1.0f, plan.steps);
    plan.hours = static_cast<float>(
        EvaluateProgram(problem, plan.parameters, false, plan.simulation, false));
    return plan;
}
