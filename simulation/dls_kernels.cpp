// Decay kernels of light-scattering data. A diffusing particle makes the field autocorrelation
// decay as exp(-D q^2 t); a distribution over D is a sum of such decays, so each grid point's
// kernel row is its decay at the lags. Checked against the worked q and decay at 90 degrees and
// by distributions that recover the D and Rh of single-exponential data.
#include "simulation/dls_kernels.h"

#include "foundations/key_polling.h"
#include "foundations/physical_constants.h"
#include "foundations/show_error.h"
#include "simulation/conti_kernel.h"
#include "state/dls_data.h"
#include "state/run_switches.h"
#include "state/scan_store.h"

#include <algorithm>
#include <cmath>

namespace {

// The curve's row at grid point p, on the kernel's lags or on the curve's own; false (after the
// box) when the curve is not held as g(1).
bool FillCurve(ContiKernel& kernel, int p, double D, int k, bool ownLags) {
    const DlsRecord& record = ScanStore::dlsRecords[k];
    if (!record.isFieldAcf) {
        ShowError("no field ACF in DLS distribution model", 0);
        return false;
    }
    const float q2 = DlsScatteringVectorSquared(record);
    float* row = kernel.Row(p, k);
    if (!ownLags) {
        FillDlsDecayRow(1.0, D, q2, kernel.Radii(), kernel.Points(), row);
        return true;
    }
    const int n = std::min(ScanStore::pointCount[k], kernel.Points());
    FillDlsDecayRow(1.0, D, q2, ScanStore::radius[k], n, row);
    std::fill(row + n + 1, row + kernel.Points() + 1, 0.0f);
    return true;
}

} // namespace

float DlsScatteringVectorSquared(const DlsRecord& record) {
    const double pi = PhysicalConstants::pi;
    const double theta = record.angle * 2.0 * pi / 360.0;
    const double q = std::sin(theta / 2.0) * 4.0 * pi * record.refractiveIndex / record.wavelength;
    return static_cast<float>(q * q);
}

double DlsDecay(double amplitude, double D, float q2, double lagS) {
    return amplitude * std::exp(-1e-4 * D * q2 * lagS);
}

double DlsCumulantDecay(double amplitude, double Dc, double mu2, double mu3, float q2,
                        double lagS) {
    const double k = 1e-4 * q2;
    const double t = lagS;
    return DlsDecay(amplitude, Dc, q2, t) *
           (1.0 + 0.5 * mu2 * k * k * t * t - mu3 * k * k * k * t * t * t / 6.0);
}

void FillDlsDecayRow(double amplitude, double D, float q2, const float* logLags, int n,
                     float* row) {
    for (int i = 1; i <= n; ++i) {
        if (D > 0.0)
            row[i] = static_cast<float>(DlsDecay(amplitude, D, q2, std::pow(10.0, logLags[i])));
        else
            row[i] = i == 1 ? static_cast<float>(amplitude) : 0.0f;
    }
}

bool BuildDlsDistributionKernelB(ContiKernel& kernel, int p, double D, bool rawLags) {
    if (!ScanStore::dlsRecords)
        return false;
    for (int k = 1; k <= kernel.Scans(); ++k)
        if (!FillCurve(kernel, p, D, k, rawLags))
            return false;
    return true;
}

bool BuildDlsDistributionKernelA(ContiKernel& kernel, int p, double D, int firstCurve,
                                 int lastCurve) {
    if (!ScanStore::dlsRecords)
        return false;
    for (int k = std::max(firstCurve, 1); k <= std::min(lastCurve, kernel.Scans()); ++k) {
        // A key asks the time course to stop; the slice is still filled.
        if (KeyPressed())
            gUserInterrupt.store(true);
        if (!FillCurve(kernel, p, D, k, false))
            return false;
    }
    return true;
}
