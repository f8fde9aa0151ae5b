// The minimum-time-to-equilibrium planner: how long an equilibrium run at constant final speed
// takes when simulated, and how much sooner the best overspeed program gets there.
#pragma once

#include "equilibrium/overspeed_planner.h"

#include <string>
#include <vector>

// The species simulated: two (loadings 1 - fraction2 and fraction2) when the second species is
// on and its fraction, M, vbar and f/f0 are all positive, else the first alone at loading 1.
struct PlannerSpecies {
    std::vector<float> loading, s, D; // [1..count]
    int Count() const { return static_cast<int>(loading.size()) - 1; }
};
PlannerSpecies PlannerSpeciesFromParameters();

// The speed program's settings from the planner's parameters.
SpeedProgramSettings PlannerProgramSettings();

// Hours to simulate: 1.5 times the closed-form estimate at the final speed, the larger of the two
// species when the second is on.
float PlannerMaxSimulationHours();

// Why the planner cannot plan over maxSimulationHours with the parameters in use (a length the
// simulation cannot take, a speed program of absurd steps); empty when it can.
std::string MinimumTimeToEqRefusal(float maxSimulationHours);

struct MinimumTimeToEqOutcome {
    bool simulated = false;         // false: the reference simulation failed
    float timeAtConstantSpeed = -1; // h, the reference at the final speed
    float bestHours = 0;            // h, under the best program (rounded to whole hundreds)
    CApproachToEqSim reference;     // the run at constant final speed, analysed
    OverspeedPlan plan;             // the best program of the second (rounded) search
    bool stopped = false;           // a search was ended by the watch
    bool fileWritten = false;       // the speed-step file at outputPath
    bool scansWritten = false;      // the best program's simulated scans
};

// Simulates the reference at constant final speed over maxSimulationHours, searches the speed
// program first without rounding, then from there with speeds in whole hundreds, and writes the
// program to TimeToEqParameters::outputPath. A stop of the watch ends the search it falls in; the
// other search still runs, so the program kept is the best of what was searched. With
// saveScanFiles on and a scan folder given, the simulated scans under the best program are written
// there. Each simplex pass stops at evaluationCap evaluations. Reads the planner's parameters;
// sets bestValue.
MinimumTimeToEqOutcome RunMinimumTimeToEq(float maxSimulationHours,
                                          const OverspeedWatch& watch = {},
                                          const std::string& scanFolder = {},
                                          int evaluationCap = kOverspeedEvaluationCap);

// The progress line of the search: pass, evaluations of the pass, hours, the speed at time 0 and
// parameters (from p[1..n]; with the exponential program the decay time of the first).
std::string SpeedProgramProgressLine(int pass, int evaluations, float hours, float speedAtZero,
                                     const std::vector<float>& p, bool exponential,
                                     float decayTimeScale);

// The line the main window shows after the planner.
std::string MinimumTimeToEqCaption(float epsilon, float hoursConstant, float hoursBest,
                                   const std::string& path);
