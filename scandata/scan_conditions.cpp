// Run conditions of the loaded scans that no model can be computed with.
#include "scandata/scan_conditions.h"

#include "scandata/scan_header.h"
#include "scandata/scan_store_alloc.h"

#include <cmath>
#include <cstdio>

std::string CheckCellGeometry(double meniscusCm, double bottomCm) {
    char text[400];
    if (!(meniscusCm > 0.0 && meniscusCm < bottomCm)) {
        std::snprintf(text, sizeof text,
                      "meniscus (%.4f cm) must lie inside the cell, below the bottom (%.4f cm):\n"
                      "the model cannot be evaluated",
                      meniscusCm, bottomCm);
        return text;
    }
    if (!(bottomCm <= kMaxBottomCm)) {
        std::snprintf(text, sizeof text,
                      "bottom (%g cm) lies beyond any rotor (at most %g cm from the axis):\n"
                      "the model cannot be evaluated",
                      bottomCm, kMaxBottomCm);
        return text;
    }
    return {};
}

std::string CheckScanConditions(bool rotorTurns) {
    using S = ScanStore;
    char text[600];
    for (int k = 1; S::header && k <= S::scanCount; ++k) {
        const ScanHeader& h = S::header[k];
        const char* name = S::scanFileName && S::scanFileName[k] ? S::scanFileName[k] : "";
        if (rotorTurns && !(h.rotorSpeed > 0.0f)) {
            std::snprintf(text, sizeof text,
                          "scan %s was recorded at %.0f rpm:\nsedimentation cannot be simulated "
                          "without rotor speed",
                          name, double(h.rotorSpeed));
            return text;
        }
        if (rotorTurns && !(h.rotorSpeed <= kMaxRotorSpeedRpm)) {
            std::snprintf(text, sizeof text,
                          "scan %s was recorded at %g rpm:\nno rotor turns faster than %.0f rpm",
                          name, double(h.rotorSpeed), kMaxRotorSpeedRpm);
            return text;
        }
        if (!(h.temperature > -273.15f && std::isfinite(h.temperature))) {
            std::snprintf(text, sizeof text,
                          "scan %s was recorded at %g deg C:\nthe temperature must lie above "
                          "absolute zero (-273.15 deg C)",
                          name, double(h.temperature));
            return text;
        }
        if (!(h.time >= 0.0 && std::isfinite(h.time))) {
            std::snprintf(text, sizeof text,
                          "scan %s has the time %g s:\na scan time must be a finite number of "
                          "seconds from the start of the run",
                          name, h.time);
            return text;
        }
    }
    return {};
}
