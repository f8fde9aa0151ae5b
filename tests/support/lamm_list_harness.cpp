// The Lamm list harness of the list tests and the list benchmark.
#include "support/lamm_list_harness.h"

#include <cmath>

double DiffusionFromSAndFf0(double sS, double ff0) {
    const double R = 8.31451e7, NA = 6.02214076e23, T = 293.15, eta = 0.01002, vbar = 0.73,
                 rho = 0.99823;
    const double s = sS * 1e-13;
    // s = M (1 - vbar rho) / (NA f), f = ff0 6 pi eta (3 M vbar / (4 pi NA))^(1/3)
    const double shape = ff0 * 6.0 * M_PI * eta * std::cbrt(3.0 * vbar / (4.0 * M_PI * NA));
    const double m23 = s * NA * shape / (1.0 - vbar * rho);
    const double M = std::pow(m23, 1.5);
    const double f = shape * std::cbrt(M);
    return R * T / (NA * f);
}

LammList::LammList(const LammListCase& lc) : lc_(lc) {
    headers_.resize(lc.scans + 1);
    for (int i = 1; i <= lc.scans; ++i) {
        ScanHeader& h = headers_[i];
        h.temperature = 20.0f;
        h.rotorSpeed = static_cast<float>(lc.rpm);
        h.time = h.originalTime = lc.firstScanS + (i - 1) * lc.intervalS;
        const double w = lc.rpm * M_PI / 30.0;
        h.omega2t = w * w * h.time;
        h.accelerationRate = 1.0e6;
    }
    radii_.resize(lc.outputPoints + 1);
    for (int i = 1; i <= lc.outputPoints; ++i)
        radii_[i] = static_cast<float>(lc.meniscus +
                                       (i - 1) * (lc.bottom - lc.meniscus) / (lc.outputPoints - 1));
    s_.assign(lc.equations + 1, 0.0);
    D_.assign(lc.equations + 1, 0.0);
    for (int j = 1; j <= lc.equations; ++j) {
        s_[j] = lc.equations > 1 ? lc.sMin + (j - 1) * (lc.sMax - lc.sMin) / (lc.equations - 1)
                                 : lc.sMin;
        D_[j] = DiffusionFromSAndFf0(s_[j], lc.ff0);
    }
    rows_.assign(lc.equations + 1, std::vector<std::vector<float>>(
                                       lc.scans + 1, std::vector<float>(lc.outputPoints + 1)));
    rowPointers_.assign(lc.equations + 1, std::vector<float*>(lc.scans + 1, nullptr));
    targetPointers_.assign(lc.equations + 1, nullptr);
    for (int j = 1; j <= lc.equations; ++j) {
        for (int k = 1; k <= lc.scans; ++k)
            rowPointers_[j][k] = rows_[j][k].data();
        targetPointers_[j] = rowPointers_[j].data();
    }
    Fill(-1.0f);

    CLammIdeal& o = templ;
    o.SetIdealModel();
    o.LoadSedParameters(s_[1], D_[1], lc.meniscus, lc.bottom, 1.0, 6.05f, 7.15f);
    o.LoadOutputParameters(nullptr, false, headers_.data(), rowPointers_[1].data(), radii_.data(),
                           lc.outputPoints, nullptr, nullptr, false, nullptr, lc.scans, 1, true,
                           true, false, 2.43f, false, 0.008f, false);
    const bool a = lc.automaticGrid;
    o.LoadDiscretization(100, 2000, 5.0f, false, 1e-4, a, a, a, 1.0f, false, false, 0, 1e-6, 1.0,
                         true, false, a, 1.0, 0.05, 0.2, 1.0, 1000, 1000, false, true, 1e-4f, 1e-6,
                         a, 1.0, 2.0, 5.0, 60.0);
    o.LoadSpeciesProperties(20.0, 0.73, 0.99823, 1.0);
}

void LammList::Fill(float sentinel) {
    for (auto& eq : rows_)
        for (auto& row : eq)
            std::fill(row.begin(), row.end(), sentinel);
}

std::vector<float> LammList::Flat() const {
    std::vector<float> all;
    for (int j = 1; j <= lc_.equations; ++j)
        for (int k = 1; k <= lc_.scans; ++k)
            all.insert(all.end(), rows_[j][k].begin() + 1, rows_[j][k].end());
    return all;
}
