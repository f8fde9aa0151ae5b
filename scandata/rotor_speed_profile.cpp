// Rotor speed steps: reading, repairing, saving and checking scans against them.
#include "scandata/rotor_speed_profile.h"

#include "foundations/c_locale.h"
#include "foundations/float_range.h"
#include "foundations/nr_arrays.h"
#include "foundations/show_error.h"
#include "plat/atomic_file.hpp"
#include "scandata/scan_file.h"
#include "scandata/scan_text.h"

#include <cmath>
#include <cstdio>
#include <limits>

CRotorSpeedProfile::~CRotorSpeedProfile() {
    Clear();
}

void CRotorSpeedProfile::Clear() {
    if (stepStart) {
        free_vector(stepStart, 1, stepCount);
        free_vector(stepSpeed, 1, stepCount);
        free_vector(stepAcceleration, 1, stepCount);
    }
    stepStart = stepSpeed = stepAcceleration = nullptr;
    stepCount = 0;
    valid = false;
}

void CRotorSpeedProfile::Allocate(std::int32_t count) {
    Clear();
    stepCount = count;
    stepStart = vector(1, count);
    stepSpeed = vector(1, count);
    stepAcceleration = vector(1, count);
}

double CRotorSpeedProfile::RampDuration(std::int32_t k) const {
    double delta = k == 1 ? stepSpeed[1] : static_cast<double>(stepSpeed[k]) - stepSpeed[k - 1];
    if (delta == 0.0)
        return 0.0;
    if (stepAcceleration[k] == 0.0f)
        return std::numeric_limits<double>::infinity();
    return std::fabs(delta / stepAcceleration[k]);
}

bool CRotorSpeedProfile::LoadFile(const char* name) {
    Clear();
    fileName = name ? name : "";
    std::string text;
    if (!name || !ReadWholeFile(name, &text)) {
        message = "\n\aAttention: could not open " + fileName;
        ShowError(message.c_str());
        return false;
    }
    // Lines as a 100-character line reader sees them: a longer line counts once per 99
    // characters; the first read counts even when the file is empty.
    std::int32_t lines = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t lf = text.find('\n', pos);
        std::size_t lineEnd = lf == std::string::npos ? text.size() : lf + 1;
        std::size_t length = lineEnd - pos;
        lines += static_cast<std::int32_t>((length + 98) / 99);
        pos = lineEnd;
    }
    Allocate(lines > 0 ? lines : 1);
    std::size_t pos = 0;
    for (std::int32_t k = 1; k <= stepCount; ++k) {
        double start = 0.0, speed = 0.0, acceleration = 0.0;
        if (!ScanNumber(text, pos, start) || !ScanNumber(text, pos, speed) ||
            !ScanNumber(text, pos, acceleration))
            break;
        // A number beyond the float range would become infinity in the steps: the file is
        // damaged, and the profile stays empty and invalid.
        if (!FitsFloat(start) || !FitsFloat(speed) || !FitsFloat(acceleration)) {
            Clear();
            fileName = name;
            message = "\n\aAttention: could not read from " + fileName;
            ShowError(message.c_str());
            return false;
        }
        stepStart[k] = static_cast<float>(start);
        stepSpeed[k] = static_cast<float>(speed);
        stepAcceleration[k] = static_cast<float>(acceleration);
    }
    CheckStepDurations(true);
    valid = stepCount >= 2;
    return valid;
}

bool CRotorSpeedProfile::Load() {
    std::string name = fileName;
    return LoadFile(name.c_str());
}

int CRotorSpeedProfile::Save(const char* name) {
    fileName = name ? name : "";
    CLocaleScope cLocale;
    plat::AtomicFile out(name ? name : "");
    std::FILE* f = out.file();
    bool ok = f != nullptr;
    for (std::int32_t k = 1; ok && k <= stepCount; ++k)
        ok = std::fprintf(f, "%f\t%f\t%f\n", stepStart[k], stepSpeed[k], stepAcceleration[k]) > 0;
    ok = ok && out.Commit();
    if (!ok) {
        std::printf("\n\aAttention: could not open %s", fileName.c_str());
        std::fflush(stdout);
        return 0;
    }
    return 1;
}

int CRotorSpeedProfile::CheckStepDurations(bool repair) {
    if (stepCount < 2)
        return 1;
    bool shortStep = false;
    for (std::int32_t k = 1; k < stepCount; ++k) {
        double ramp = RampDuration(k);
        if (static_cast<double>(stepStart[k + 1]) - stepStart[k] < ramp) {
            shortStep = true;
            // A step without acceleration never reaches its speed, and a start beyond the float
            // range cannot be written: nothing to move it to.
            if (repair && FitsFloat(stepStart[k] + ramp))
                stepStart[k + 1] = static_cast<float>(stepStart[k] + ramp);
        }
    }
    if (!repair || !shortStep)
        return shortStep ? 0 : 1;
    char text[1024];
    std::string loaded = fileName;
    if (!CheckStepDurations(false)) {
        std::snprintf(text, sizeof text, "ERROR: rotor speed profile %s could not be fixed",
                      loaded.c_str());
        ShowError(text);
        return 0;
    }
    std::string fixedName = loaded + "_fixed";
    if (!Save(fixedName.c_str())) {
        // The repaired steps hold in memory; the user learns that the file was not written.
        fileName = loaded;
        std::snprintf(text, sizeof text, "Attention: could not open %s", fixedName.c_str());
        ShowError(text);
        return 1;
    }
    std::snprintf(text, sizeof text, "ERROR: rotor speed profile %s fixed in %s", loaded.c_str(),
                  fixedName.c_str());
    ShowError(text);
    return 1;
}

int CRotorSpeedProfile::CheckScans(std::int32_t count, const ScanHeader* headers) {
    if (stepCount < 1 || !stepStart)
        return 0;
    for (std::int32_t i = 1; i <= count; ++i) {
        double t = headers[i].time;
        double om = headers[i].rotorSpeed;
        if (stepCount == 1) {
            if (!(t > stepStart[1] + RampDuration(1)))
                return 0;
            continue;
        }
        if (t <= stepStart[1])
            continue;
        std::int32_t k = stepCount;
        for (std::int32_t j = 1; j < stepCount; ++j) {
            if (stepStart[j] < t && t <= stepStart[j + 1]) {
                k = j;
                break;
            }
        }
        if (t < stepStart[k] + RampDuration(k)) {
            char text[256];
            std::snprintf(text, sizeof text,
                          "inconsistent file %d (t = %f, om = %f) with speed step %d", i, t, om, k);
            ShowError(text);
            return 0;
        }
        if (std::fabs(om - stepSpeed[k]) >= 10.0)
            return 0;
    }
    return 1;
}

int CRotorSpeedProfile::RescaleSpeeds(float a, float b, const char* name) {
    for (std::int32_t k = 1; k <= stepCount; ++k) {
        double om = stepSpeed[k];
        double denominator = a - b * om * om * 1e-6;
        double ratio = denominator != 0.0 ? a / denominator : -1.0;
        if (ratio >= 0.0 && std::isfinite(ratio))
            stepSpeed[k] = static_cast<float>(std::floor(om * std::sqrt(ratio)));
    }
    return Save(name);
}

bool CRotorSpeedProfile::SetSteps(std::int32_t count, const float* start, const float* speed,
                                  const float* acceleration) {
    Allocate(count > 0 ? count : 0);
    for (std::int32_t k = 1; k <= stepCount; ++k) {
        stepStart[k] = start[k];
        stepSpeed[k] = speed[k];
        stepAcceleration[k] = acceleration[k];
    }
    valid = stepCount >= 2;
    return valid;
}

int CRotorSpeedProfile::LoadAndCheck(const char* name, std::int32_t count,
                                     const ScanHeader* headers) {
    LoadFile(name);
    return CheckScans(count, headers);
}

float CRotorSpeedProfile::GetFinalSpeed() const {
    return stepCount > 0 && stepSpeed ? stepSpeed[stepCount] : 0.0f;
}

int HasRotorSpeedChange(std::int32_t count, const ScanHeader* headers) {
    if (count < 2 || !headers)
        return 0;
    for (std::int32_t i = 2; i <= count; ++i)
        if (std::fabs(static_cast<double>(headers[i].rotorSpeed) - headers[1].rotorSpeed) >= 10.0)
            return 1;
    return 0;
}
