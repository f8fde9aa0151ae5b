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

// Hours to simulate: 1.5 times the closed-form estimate at the final speed, the larger of the two
// species when the second is on.
float PlannerMaxSimulationHours();

struct MinimumTimeToEqOutcome {
    bool simulated = false;         // false: the reference simulation failed
    float timeAtConstantSpeed = -1; // h, the reference at the final speed
    float bestHours = 0;            // h, under the best program (rounded to whole hundreds)
    OverspeedPlan plan;             // the best program of the second (rounded) search
    bool fileWritten = false;       // the speed-step file at outputPath
};

// Simulates the reference at constant final speed over maxSimulationHours, searches the speed
// program first without rounding, then from there with speeds in whole hundreds, and writes the
// program to TimeToEqParameters::outputPath. Reads the planner's parameters; sets bestValue.
MinimumTimeToEqOutcome RunMinimumTimeToEq(float maxSimulationHours);

// The line the main window shows after the planner.
std::string MinimumTimeToEqCaption(float epsilon, float hoursConstant, float hoursBest,
                                   const std::string& path);
