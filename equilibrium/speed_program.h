// Speed programs of an overspeeding equilibrium run: the speed a parameter set asks for at a time,
// and the staircase of steps the rotor can follow.
#pragma once

#include <vector>

struct SpeedProgramSettings {
    float finalSpeed = 15000.0f;    // rpm
    float overspeedTime = 30000.0f; // s: the program ends here at the final speed
    float stepTime = 900.0f;        // s
    float acceleration = 280.0f;    // rpm/s
    float deceleration = 280.0f;    // rpm/s
    bool exponential = true;        // decay parameterization, else steps
    float decayTimeScale = 5.0f;    // hours per unit of the first parameter
};

// The speed (rpm, 0 .. 50000) at time t (s) of the program of parameters p[1..n]; with rounding
// to whole multiples of step.
float SpeedAtTime(const std::vector<float>& p, const SpeedProgramSettings& settings, float t,
                  bool rounding, float step);

// The program as steps (start s, rpm, rpm/s), within the rotor's acceleration and deceleration,
// changes smaller than step merged away, ending at overspeedTime with the final speed.
// The most steps a program is built from: beyond it the overspeed time or step is absurd.
constexpr double kMaxSpeedProgramSteps = 1e5;
// A program that can be built: an overspeed time and a step time above 0, at most
// kMaxSpeedProgramSteps steps apart.
bool SpeedProgramHeld(const SpeedProgramSettings& settings);
struct SpeedSteps {
    std::vector<float> start, speed, rate; // [1..count]
    int Count() const { return static_cast<int>(start.size()) - 1; }
};
// False, with out unchanged, for a program that is not SpeedProgramHeld.
bool BuildSpeedProgram(const std::vector<float>& p, const SpeedProgramSettings& settings,
                       bool rounding, float step, SpeedSteps& out);
