// How long a sedimentation equilibrium run takes: the closed-form estimate, and the simulated
// approach of one or two non-interacting species to their final equilibrium profile.
#pragma once

#include "lamm/lamm_result.h"
#include "scandata/scan_header.h"

#include <vector>

// Hours until the deviation from equilibrium falls to epsilon (relative to the loading), for a
// species of molar mass M (g/mol) and diffusion coefficient D (cm^2/s) at speed rpm between
// meniscus and bottom (cm), temperature in C.
float EstimateTimeToEq(float speed, float temperature, float M, float density, float vbar,
                       float bottom, float meniscus, float D, float epsilon);

class TXLAWindow;

// The longest approach the simulation takes: beyond it the scans alone outgrow the memory, and no
// rotor runs that long.
constexpr double kMaxSimulatedHours = 10000.0;
// A length the simulation can take: finite, above 0 and at most kMaxSimulatedHours.
bool SimulatedHoursHeld(double hours);

// A simulated run from rest: scans every scanInterval seconds, the profiles at unit loading of
// each species from the Lamm solver, their loading-weighted sum, and the rms and largest
// difference of each scan from the final equilibrium between the two limits.
class CApproachToEqSim {
  public:
    float scanInterval = 1800.0f; // s
    float radialStep = 0.002f;    // cm
    int scanCount = 0;
    int pointCount = 0;
    int leftIndex = 0, rightIndex = 0;
    std::vector<float> radius, equilibrium; // [1..pointCount]
    std::vector<std::vector<float>> scans;  // [1..scanCount][1..pointCount]
    std::vector<ScanHeader> headers;        // [1..scanCount]
    float leftLimit = 0.0f, rightLimit = 0.0f;
    float meniscus = 6.8f, bottom = 7.2f;
    float vbar = 0.73f, temperature = 4.0f, finalSpeed = 10000.0f;
    int speciesCount = 1;
    std::vector<double> loading, s, D;      // [1..speciesCount]: fraction, S, cm^2/s
    LammResult status = LammResult::Solved; // of the last species solved
    int gridCount = 70;
    float rmsThreshold = 0.001f, maxThreshold = 0.001f;
    float timeToEquilibrium = -1.0f, timeToMaxCriterion = -1.0f;          // s
    std::vector<float> scanTime, scanHours, maxDifference, rmsDifference; // [1..scanCount]
    int rmsCriterionIndex = 1, maxCriterionIndex = 1;
    bool scheduleOn = false;
    std::vector<float> stepStart, stepSpeed, stepRate; // [1..stepCount]
    int scheduleMode = 0;
    // A key waiting in the queue ends the solve (the key stays queued for the caller), unless
    // this is off; stoppedByKey tells that Run failed so.
    bool keyStops = true;
    bool stoppedByKey = false;

    // False, with no scans set up, for a length, column or spacing whose scans or points cannot be
    // counted or held (SimulatedHoursHeld, a step or interval that is not positive).
    bool Setup(TXLAWindow* window, float simulatedHours, float bottomCm, float meniscusCm,
               float right, float left, int species, const float* loadings, const float* sS,
               const float* dCm2s, float vbarValue, float temperatureC, float speed);
    void SetSpeedSchedule(int n, const float* start, const float* speed, const float* rate,
                          int mode);
    // False when the solver failed or a key ended it: the scans are then incomplete.
    bool Run();
    void Analyse(float rms, float max);
    float MaxBottomOverconcentration() const;
    // The speed schedule as a staircase to plot: hours[1..2 n + 1] and rpm, from (0, 0) up to the
    // first speed, each later step as a ramp from the speed before, held to the last scan. False
    // without a schedule or scans.
    bool BuildSpeedStaircase(std::vector<float>& hours, std::vector<float>& rpm) const;

  private:
    TXLAWindow* window_ = nullptr;
};
