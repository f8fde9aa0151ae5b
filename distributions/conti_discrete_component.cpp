// The discrete component of the c(s) models. Its column is a Lamm solution of unit loading like
// every grid point's, so its amplitude is its loading; the hydrodynamic relations of the
// foundations give D from M and s. Checked by recovering a known species beside a distribution.
#include "distributions/conti_discrete_component.h"

#include "distributions/conti_lamm_list.h"
#include "foundations/hydrodynamics.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/conti_kernel.h"
#include "state/conti_state.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

using C = ContiState;

// Sedimentation coefficients beyond any particle (S), as for the distribution's range.
constexpr double kMaxDiscreteS = 1e6;

} // namespace

DiscreteComponentValues CurrentDiscreteComponent(double temperatureC) {
    DiscreteComponentValues v;
    v.s = C::discreteS;
    const auto t = static_cast<float>(temperatureC);
    if (DiscreteComponentByMass()) {
        v.M = C::discreteM;
        v.D = DFromSandM(C::discreteM, C::discreteS, t);
    } else {
        v.D = double(C::discreteD) * 1e-7;
        v.M = MFromSandD(C::discreteS, static_cast<float>(v.D), t);
    }
    return v;
}

std::string CheckDiscreteComponent() {
    if (!DiscreteComponentOn())
        return {};
    char text[300];
    if (!std::isfinite(C::discreteS) || std::fabs(C::discreteS) > kMaxDiscreteS) {
        std::snprintf(text, sizeof text,
                      "The discrete component's s = %g S cannot be computed: it must be a finite "
                      "number between %g and %g S.",
                      double(C::discreteS), -kMaxDiscreteS, kMaxDiscreteS);
        return text;
    }
    if (DiscreteComponentByMass() && !(C::discreteM > 0.0f && std::isfinite(C::discreteM))) {
        std::snprintf(text, sizeof text,
                      "The discrete component's molar mass %g Da is impossible: it must be a "
                      "positive finite number.",
                      double(C::discreteM));
        return text;
    }
    if (!DiscreteComponentByMass() && !(C::discreteD > 0.0f && std::isfinite(C::discreteD))) {
        std::snprintf(text, sizeof text,
                      "The discrete component's diffusion coefficient %g (1e-7 cm^2/s) is "
                      "impossible: it must be a positive finite number.",
                      double(C::discreteD));
        return text;
    }
    return {};
}

void AppendDiscreteComponent(ContiGrid& g, double temperatureC) {
    if (!DiscreteComponentOn())
        return;
    const DiscreteComponentValues v = CurrentDiscreteComponent(temperatureC);
    const std::size_t size = std::size_t(g.Columns()) + 1;
    for (std::vector<double>* a : {&g.x, &g.s, &g.D, &g.M, &g.weight})
        a->resize(size, 0.0);
    g.x.push_back(v.s);
    g.s.push_back(v.s);
    g.D.push_back(v.D);
    g.M.push_back(v.M);
    g.weight.push_back(0.0);
    ++g.discrete;
}

void KeepDiscreteComponentLoading(const ContiGrid& g, const std::vector<double>& c) {
    C::discreteLoading = 0.0f;
    if (g.discrete > 0 && static_cast<int>(c.size()) > g.n + 1)
        C::discreteLoading = static_cast<float>(c[std::size_t(g.n) + 1]);
}

bool SolveDiscreteColumns(TXLAWindow* window, CComputeObserver& observer, const ContiGrid& g,
                          std::vector<float>& rows) {
    rows.clear();
    // The list reads s[1..d] and D[1..d]: the grid's arrays from its point n on.
    const LammResult result = RunSVContiSedList(window, observer, g.discrete, g.s.data() + g.n,
                                                g.D.data() + g.n, nullptr);
    if (result != LammResult::Solved || !gContiKernel.Complete()) {
        gContiKernel.Free();
        return false;
    }
    const int scans = ScanStore::scanCount, points = ScanStore::gridCount;
    rows.assign(std::size_t(g.discrete) * scans * (points + 1), 0.0f);
    for (int d = 1; d <= g.discrete; ++d)
        for (int k = 1; k <= scans; ++k) {
            const float* row = gContiKernel.Row(d, k);
            std::copy(row, row + points + 1,
                      rows.begin() + (std::ptrdiff_t((d - 1) * scans + k - 1) * (points + 1)));
        }
    gContiKernel.Free();
    return true;
}

void PutDiscreteColumns(const ContiGrid& g, const std::vector<float>& rows) {
    const int scans = ScanStore::scanCount, points = ScanStore::gridCount;
    if (rows.size() != std::size_t(g.discrete) * scans * (points + 1))
        return;
    for (int d = 1; d <= g.discrete; ++d) {
        for (int k = 1; k <= scans; ++k)
            std::copy_n(rows.begin() + (std::ptrdiff_t((d - 1) * scans + k - 1) * (points + 1)),
                        points + 1, gContiKernel.Row(g.n + d, k));
        gContiKernel.SetSolved(g.n + d, true);
    }
}
