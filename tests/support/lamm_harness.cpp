// The Lamm solver harness of the physics tests.
#include "support/lamm_harness.h"

#include <algorithm>
#include <cmath>

double Omega2T(double rpm, double rampRpmPerS, double t) {
    const double w = rpm * M_PI / 30.0;
    if (rampRpmPerS <= 0.0)
        return w * w * t;
    const double ta = rpm / rampRpmPerS;
    if (t <= ta) {
        const double wt = rampRpmPerS * t * M_PI / 30.0;
        return wt * wt * t / 3.0;
    }
    return w * w * (t - 2.0 * ta / 3.0);
}

LammRun::LammRun(const LammCase& lc) : lc_(lc) {
    headers_.resize(lc.scans + 1);
    for (int i = 1; i <= lc.scans; ++i) {
        ScanHeader& h = headers_[i];
        h.temperature = 20.0f;
        h.rotorSpeed = static_cast<float>(lc.rpm);
        h.time = h.originalTime = lc.firstScanS + (i - 1) * lc.intervalS;
        h.omega2t = Omega2T(lc.rpm, lc.rampRpmPerS, h.time);
        if (lc.rampRpmPerS > 0.0) {
            h.accelerationRate = lc.rampRpmPerS;
            h.accelerationTime = lc.rpm / lc.rampRpmPerS;
        } else {
            h.accelerationRate = 1.0e6;
            h.accelerationTime = 0.0;
        }
    }
    radii_.resize(lc.outputPoints + 1);
    for (int i = 1; i <= lc.outputPoints; ++i)
        radii_[i] = static_cast<float>(lc.meniscus +
                                       (i - 1) * (lc.bottom - lc.meniscus) / (lc.outputPoints - 1));
    rows_.assign(lc.scans + 1, std::vector<float>(lc.outputPoints + 1, -1.0f));
    rowPointers_.resize(lc.scans + 1);
    for (int i = 0; i <= lc.scans; ++i)
        rowPointers_[i] = rows_[i].data();
}

void LammRun::Load() {
    CLammIdeal& o = solver;
    o.SetIdealModel();
    o.LoadSedParameters(lc_.s, lc_.D, lc_.meniscus, lc_.bottom, lc_.c0, lc_.lowerFit, lc_.upperFit);
    o.LoadOutputParameters(nullptr, false, headers_.data(), rowPointers_.data(), radii_.data(),
                           lc_.outputPoints, nullptr, nullptr, false, nullptr, lc_.scans, 1, true,
                           true, false, 2.43f, false, 0.008f, false);
    const bool ramp = lc_.rampRpmPerS > 0.0;
    o.LoadDiscretization(100, 2000, 5.0f, false, 1e-4, lc_.shutOff || lc_.automatic, lc_.automatic,
                         lc_.automatic, 1.0f, ramp, lc_.fixTimestep, lc_.massCheck, 1e-6, 1.0, true,
                         false, lc_.automatic, lc_.maxDcOverC, 0.05 * lc_.maxDcOverC,
                         0.2 * lc_.maxDcOverC, lc_.maxDcOverC, lc_.gridSize, lc_.gridSize,
                         lc_.movingHat, !lc_.movingHat, 1e-4f, 1e-6, lc_.truncate || lc_.automatic,
                         1.0, 2.0, 5.0, 60.0);
    o.LoadSpeciesProperties(20.0, 0.73, 1.0, 1.0);
    if (!lc_.automatic)
        o.frictionalRatio = 1.0f;
}

LammResult LammRun::Run() {
    Load();
    return solver.Run();
}

double LammRun::ValueAt(int scan, double r) const {
    const int n = lc_.outputPoints;
    const double h = (lc_.bottom - lc_.meniscus) / (n - 1);
    const int i = std::clamp(static_cast<int>((r - lc_.meniscus) / h) + 1, 1, n - 1);
    const double w = (r - radii_[i]) / (radii_[i + 1] - radii_[i]);
    return rows_[scan][i] + w * (rows_[scan][i + 1] - rows_[scan][i]);
}

double LammRun::SecondMoment(int scan, double rPlateau) const {
    double integral = 0.0;
    int i = 1;
    for (; i < lc_.outputPoints && radii_[i + 1] <= rPlateau; ++i) {
        const double a = radii_[i], b = radii_[i + 1];
        integral += 0.5 * (b - a) * (rows_[scan][i] * a + rows_[scan][i + 1] * b);
    }
    const double rp = radii_[i];
    return rp * rp - 2.0 * integral / rows_[scan][i];
}

double MaxDifference(const LammRun& a, const LammRun& b, int scan, double lo, double hi) {
    double worst = 0.0;
    for (int i = 1; i <= a.Points(); ++i) {
        const double r = a.Radii()[i];
        if (r < lo || r > hi)
            continue;
        worst = std::max(worst, std::fabs(a.Profile(scan)[i] - b.ValueAt(scan, r)));
    }
    return worst;
}
