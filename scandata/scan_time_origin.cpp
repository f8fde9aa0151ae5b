// Switching the scan times between the recorded times and times derived from omega^2 t.
#include "scandata/scan_time_origin.h"

#include "scandata/scan_data_kind.h"
#include "scandata/scan_header.h"
#include "scandata/scan_store_alloc.h"
#include "state/dls_data.h"

namespace {

using S = ScanStore;

constexpr double kRpmToRadPerS = 0.10471975511965977; // 2 pi / 60

bool TimesKeptAsRecorded() {
    return ScanDataKind::electrophoresis || gDlsData;
}

} // namespace

void SwitchOffRotorRamp() {
    S::rampRotorSpeed = false;
}

void TimesFromW2tOn() {
    SwitchOffRotorRamp();
    S::timesFromW2t = true;
    if (TimesKeptAsRecorded() || S::header == nullptr)
        return;
    for (int k = 1; k <= S::scanCount; ++k) {
        ScanHeader& h = S::header[k];
        const double omega = double(h.rotorSpeed) * kRpmToRadPerS;
        if (omega > 0.0)
            h.time = h.omega2t / (omega * omega);
    }
}

void TimesFromW2tOff() {
    if (!S::timesFromW2t)
        return;
    S::timesFromW2t = false;
    if (TimesKeptAsRecorded() || S::header == nullptr)
        return;
    for (int k = 1; k <= S::scanCount; ++k)
        S::header[k].time = S::header[k].originalTime;
}

void ApplyScanTimeOrigin(bool fromW2t) {
    if (TimesKeptAsRecorded() || S::header == nullptr)
        return;
    for (int k = 1; k <= S::scanCount; ++k) {
        ScanHeader& h = S::header[k];
        if (!fromW2t) {
            h.time = h.originalTime;
            continue;
        }
        const float omega = float(double(h.rotorSpeed) * 0.10471976);
        const float omega2 = omega * omega;
        if (omega2 > 0.0f)
            h.time = h.omega2t / double(omega2);
    }
}
