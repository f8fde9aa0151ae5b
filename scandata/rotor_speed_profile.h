// The rotor speed steps of a run ("speedsteps.txt"), checked against the scans and handed to
// the Lamm equation solver.
#pragma once

#include "scandata/scan_header.h"

#include <cstdint>
#include <string>

class CRotorSpeedProfile {
  public:
    std::string fileName = "speedsteps.txt";
    std::string message;
    bool valid = false; // two or more steps
    std::int32_t stepCount = 0;
    float* stepStart = nullptr;        // [1..stepCount], s since run start
    float* stepSpeed = nullptr;        // [1..stepCount], rpm
    float* stepAcceleration = nullptr; // [1..stepCount], rpm/s used to reach the step's speed
    std::int32_t scanSpeedMode = 2;

    CRotorSpeedProfile() = default;
    ~CRotorSpeedProfile();
    CRotorSpeedProfile(const CRotorSpeedProfile&) = delete;
    CRotorSpeedProfile& operator=(const CRotorSpeedProfile&) = delete;

    void Clear();
    // Reads "start speed acceleration" per line; repairs steps too short for their ramp.
    bool LoadFile(const char* name);
    bool Load();
    // Writes "%f\t%f\t%f" per step under name, which becomes the profile's name; 1 or 0.
    int Save(const char* name);
    // 1 when every step lasts at least as long as its ramp; with repair, short steps are moved
    // and the repaired profile saved with "_fixed" appended to its name.
    int CheckStepDurations(bool repair);
    // 1 when every scan (headers[1..count]) lies after its step's ramp and near its speed.
    int CheckScans(std::int32_t count, const ScanHeader* headers);
    int RescaleSpeeds(float a, float b, const char* name);
    bool SetSteps(std::int32_t count, const float* start, const float* speed,
                  const float* acceleration);
    int LoadAndCheck(const char* name, std::int32_t count, const ScanHeader* headers);
    float GetFinalSpeed() const;

  private:
    void Allocate(std::int32_t count);
    // Duration of the ramp into step k (1-based); infinite when it has no acceleration.
    double RampDuration(std::int32_t k) const;
};

// 1 when any of headers[2..count] differs from headers[1] in rotor speed by 10 rpm or more.
int HasRotorSpeedChange(std::int32_t count, const ScanHeader* headers);
