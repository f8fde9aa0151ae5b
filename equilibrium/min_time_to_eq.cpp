// The minimum-time-to-equilibrium planner: the reference run, the two searches, the file.
#include "equilibrium/min_time_to_eq.h"

#include "equilibrium/approach_to_eq.h"
#include "equilibrium/simulated_eq_scans.h"
#include "equilibrium/speed_step_file.h"
#include "equilibrium/time_to_eq_parameters.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {
using P = TimeToEqParameters;
} // namespace

SpeedProgramSettings PlannerProgramSettings() {
    SpeedProgramSettings settings;
    settings.finalSpeed = P::finalSpeed;
    settings.overspeedTime = P::overspeedTime;
    settings.stepTime = P::stepTime;
    settings.acceleration = P::acceleration;
    settings.deceleration = P::deceleration;
    settings.exponential = P::exponentialParameterization;
    return settings;
}

PlannerSpecies PlannerSpeciesFromParameters() {
    PlannerSpecies species;
    if (P::secondSpecies && P::fraction2 > 0.0f && P::M2 > 0.0f && P::vbar2 > 0.0f &&
        P::ff02 > 0.0f) {
        species.loading = {0.0f, 1.0f - P::fraction2, P::fraction2};
        species.s = {0.0f, P::s1, P::s2};
        species.D = {0.0f, P::D1, P::D2};
    } else {
        species.loading = {0.0f, 1.0f};
        species.s = {0.0f, P::s1};
        species.D = {0.0f, P::D1};
    }
    return species;
}

float PlannerMaxSimulationHours() {
    float hours = 1.5f * EstimateTimeToEq(P::finalSpeed, P::temperature, P::M1, P::density,
                                          P::vbar1, P::bottom, P::meniscus, P::D1, P::epsilon);
    if (P::secondSpecies)
        hours = std::max(hours, 1.5f * EstimateTimeToEq(P::finalSpeed, P::temperature, P::M2,
                                                        P::density, P::vbar2, P::bottom,
                                                        P::meniscus, P::D2, P::epsilon));
    return hours;
}

std::string MinimumTimeToEqRefusal(float maxSimulationHours) {
    char text[300];
    if (!SimulatedHoursHeld(maxSimulationHours)) {
        std::snprintf(text, sizeof text,
                      "1.5 times the estimated time to equilibrium is %g h, which cannot be "
                      "simulated (at most %g h)",
                      double(maxSimulationHours), kMaxSimulatedHours);
        return text;
    }
    if (!SpeedProgramHeld(PlannerProgramSettings())) {
        std::snprintf(text, sizeof text,
                      "an overspeed time of %g h in steps of %g s cannot be planned",
                      double(P::overspeedTime) / 3600.0, double(P::stepTime));
        return text;
    }
    return {};
}

MinimumTimeToEqOutcome RunMinimumTimeToEq(float maxSimulationHours, const OverspeedWatch& watch,
                                          const std::string& scanFolder, int evaluationCap) {
    MinimumTimeToEqOutcome outcome;
    const PlannerSpecies species = PlannerSpeciesFromParameters();
    CApproachToEqSim& reference = outcome.reference;
    const bool setUp =
        reference.Setup(nullptr, maxSimulationHours, P::bottom, P::meniscus, P::rightLimit,
                        P::leftLimit, species.Count(), species.loading.data(), species.s.data(),
                        species.D.data(), P::vbar1, P::temperature, P::finalSpeed);
    // The reference is one simulation and always completed: a key waits for the search.
    reference.keyStops = false;
    if (!setUp || !reference.Run() || reference.scanCount < 2)
        return outcome; // nothing to plan against: no search, no file
    reference.Analyse(P::epsilon, P::epsilon);
    outcome.simulated = true;
    outcome.timeAtConstantSpeed = reference.timeToEquilibrium / 3600.0f;

    OverspeedProblem problem;
    problem.program = PlannerProgramSettings();
    problem.meniscus = P::meniscus;
    problem.bottom = P::bottom;
    problem.leftLimit = P::leftLimit;
    problem.rightLimit = P::rightLimit;
    problem.vbar = P::vbar1;
    problem.temperature = P::temperature;
    problem.loading = species.loading;
    problem.s = species.s;
    problem.D = species.D;
    problem.epsilon = P::epsilon;
    problem.maxOverconcentration = P::maxOverconcentration;
    problem.horizonSeconds = reference.timeToEquilibrium;
    problem.maxEvaluations = evaluationCap;

    const int n = std::max(P::parameterCount, 1);
    std::vector<float> start(static_cast<std::size_t>(n) + 1, 1.0f);
    start[0] = 0.0f;
    if (!P::exponentialParameterization)
        start[1] = 1.5f;

    P::speedRoundingStep = 1.0f;
    problem.roundingStep = P::speedRoundingStep;
    const OverspeedPlan first = OptimizeSpeedProgram(problem, start, watch);
    P::speedRoundingStep = 100.0f;
    problem.roundingStep = P::speedRoundingStep;
    outcome.plan = OptimizeSpeedProgram(problem, first.parameters, watch);
    outcome.stopped = first.stopped || outcome.plan.stopped;
    outcome.bestHours = outcome.plan.hours;
    P::bestValue = outcome.bestHours;
    outcome.fileWritten = WriteSpeedStepFile(outcome.plan.steps, P::outputPath);
    if (P::saveScanFiles && !scanFolder.empty())
        outcome.scansWritten = WriteSimulatedEqScans(outcome.plan.simulation, scanFolder);
    return outcome;
}

std::string MinimumTimeToEqCaption(float epsilon, float hoursConstant, float hoursBest,
                                   const std::string& path) {
    char text[1024];
    std::snprintf(text, sizeof text,
                  "epsilon = %.4f: t(const) = %.0f h, t(opt) = %.0f h, saved in %s",
                  double(epsilon), double(hoursConstant), double(hoursBest), path.c_str());
    return text;
}

std::string SpeedProgramProgressLine(int pass, int evaluations, float hours, float speedAtZero,
                                     const std::vector<float>& p, bool exponential,
                                     float decayTimeScale) {
    const int n = static_cast<int>(p.size()) - 1;
    auto at = [&](int k) {
        return k >= 1 && k <= n ? double(p[static_cast<std::size_t>(k)]) : 0.0;
    };
    const int second = std::min(2, std::max(n, 1));
    char text[512];
    if (!exponential) {
        std::snprintf(text, sizeof text, "(%d) %02d: %.3f h | om(0)=%.0f | %f | ... | %f  ", pass,
                      evaluations, double(hours), double(speedAtZero), at(second), at(n));
    } else if (n == 7) {
        std::snprintf(text, sizeof text,
                      "(%d) %02d: %.3f h | om(0)=%.0f | decay-time = %.1f h | %f | %f | %f | %f | "
                      "%f | %f",
                      pass, evaluations, double(hours), double(speedAtZero),
                      std::fabs(at(1)) * decayTimeScale, at(2), at(3), at(4), at(5), at(6), at(7));
    } else {
        std::snprintf(text, sizeof text,
                      "(%d) %02d: %.3f h | om(0)=%.0f | decay-time = %.1f h | %f | ... | %f", pass,
                      evaluations, double(hours), double(speedAtZero),
                      std::fabs(at(1)) * decayTimeScale, at(second), at(n));
    }
    return text;
}
