// The experimental initial distribution: sampling the measured profile onto a solver's grid, and
// taking it from the initial-data set or the first scan.
#include "simulation/initial_profile.h"

#include "foundations/nr_arrays.h"
#include "foundations/resampling.h"
#include "scandata/initial_data.h"
#include "scandata/scan_header.h"
#include "scandata/scan_store_alloc.h"
#include "state/lamm_grid.h"
#include "state/model_parameters.h"
#include "state/scan_order.h"

#include <algorithm>
#include <cstring>

namespace {

using S = ScanStore;
using D = InitialData;

int FirstScan() {
    return ScanAtPosition(1);
}

// The first scan in scan order becomes the initial-data set: its radii and data, and the header
// fields that say where and when it was taken.
void CopyFirstScan() {
    const int first = FirstScan();
    const int n = S::pointCount[first];
    FreeInitialDataArrays();
    if (n < 1)
        return;
    D::radius = vector(1, n);
    D::signal = vector(1, n);
    D::thirdColumn = vector(1, n);
    std::copy(S::radius[first] + 1, S::radius[first] + 1 + n, D::radius + 1);
    std::copy(S::signal[first] + 1, S::signal[first] + 1 + n, D::signal + 1);
    std::fill(D::thirdColumn + 1, D::thirdColumn + 1 + n, 0.0f);
    const ScanHeader& h = S::header[first];
    std::memcpy(D::header.description, h.description, sizeof h.description);
    D::header.cell = h.cell;
    D::header.temperature = h.temperature;
    D::header.rotorSpeed = h.rotorSpeed;
    D::header.time = h.time;
    D::header.omega2t = h.omega2t;
    D::header.wavelength = h.wavelength;
    D::header.lastHeaderNumber = h.lastHeaderNumber;
    D::header.descriptionMeniscus = h.descriptionMeniscus;
    D::header.rowCount = h.rowCount;
    D::pointCount = n;
}

} // namespace

void SampleInitialProfile(const CInitialProfile& p, int n, const double* r, double* c) {
    std::fill(c + 1, c + 1 + n, 0.0);
    const int m = int(p.radius.size()) - 1;
    if (m >= 1)
        ResampleCurveToDouble(n, r, c, m, p.radius.data(), p.signal.data());
    for (int i = 1; i <= n; ++i)
        c[i] = std::max(c[i] - p.baseline, 0.0) * p.share;
}

bool PrepareExperimentalInitialProfile() {
    LammGrid::firstScanIsInitial = false;
    LammGrid::firstSimulatedScan = 1;
    if (!ModelParameters::experimentalInitialDistribution || S::scanCount < 1)
        return true;
    if (D::pointCount <= 0)
        CopyFirstScan();
    if (D::pointCount <= 0)
        return false;
    const int first = FirstScan();
    LammGrid::firstScanIsInitial = D::header.time == S::header[first].time;
    if (LammGrid::firstScanIsInitial) {
        LammGrid::firstSimulatedScan = 2;
        std::copy(S::signal[first] + 1, S::signal[first] + 1 + S::pointCount[first],
                  S::fit[first] + 1);
    }
    return true;
}

CInitialProfile ExperimentalInitialProfile(double share) {
    CInitialProfile p;
    const int m = std::max(D::pointCount, 0);
    p.radius.assign(std::size_t(m) + 1, 0.0f);
    p.signal.assign(std::size_t(m) + 1, 0.0f);
    if (m > 0) {
        std::copy(D::radius + 1, D::radius + 1 + m, p.radius.begin() + 1);
        std::copy(D::signal + 1, D::signal + 1 + m, p.signal.begin() + 1);
    }
    p.timeS = D::header.time;
    p.baseline = ModelParameters::baseline;
    p.share = share;
    return p;
}
