// The size-and-shape distribution. Every (s, f/f0) point is a species of that s whose D follows
// from s and the frictional ratio, so the boundary's spreading separates shapes that sediment
// alike. The kernel, the noise elimination and the regularization are those of c(s) on the flat
// grid; checked on one species found at its (s, f/f0) and on two shapes of one s kept apart.
#include "distributions/size_shape_distribution.h"

#include "distributions/conti_discrete_component.h"
#include "distributions/conti_lamm_list.h"
#include "distributions/conti_run.h"
#include "foundations/analysis_failure.h"
#include "foundations/hydrodynamics.h"
#include "foundations/nr_arrays.h"
#include "foundations/show_error.h"
#include "foundations/text_lines.h"
#include "plat/atomic_file.hpp"
#include "plat/paths.hpp"
#include "scandata/common_grid.h"
#include "scandata/scan_header.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/conti_kernel.h"
#include "state/conti_state.h"
#include "state/model_parameters.h"
#include "state/run_switches.h"
#include "state/size_shape_state.h"
#include "state/window_services.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>

namespace {

using S = ScanStore;
using SS = SizeShapeState;

// Trapezoid weights of an ascending axis [1..n]; a single point weighs 1.
std::vector<double> TrapezoidWeights(const std::vector<double>& x, int n) {
    std::vector<double> w(std::size_t(n) + 1, 0.0);
    if (n == 1)
        w[1] = 1.0;
    for (int p = 1; p <= n && n > 1; ++p)
        w[p] = 0.5 * ((p > 1 ? x[p] - x[p - 1] : 0.0) + (p < n ? x[p + 1] - x[p] : 0.0));
    return w;
}

float* NewVector(int n, const std::vector<double>& from) {
    float* v = vector(1, n);
    for (int i = 1; i <= n; ++i)
        v[i] = static_cast<float>(from[std::size_t(i)]);
    return v;
}

} // namespace

SizeShapeGrid BuildSizeShapeGrid(int sPoints, double sLo, double sHi, bool logGrid, int ff0Points,
                                 double ff0Lo, double ff0Hi, double temperatureC) {
    SizeShapeGrid g;
    g.sPoints = std::max(sPoints, 0);
    g.ff0Points = std::max(ff0Points, 0);
    g.ff0Axis.assign(std::size_t(g.ff0Points) + 1, 0.0);
    for (int j = 1; j <= g.ff0Points; ++j)
        g.ff0Axis[j] =
            g.ff0Points > 1 ? ff0Lo + (ff0Hi - ff0Lo) * (j - 1) / (g.ff0Points - 1) : ff0Lo;
    g.ff0Weight = TrapezoidWeights(g.ff0Axis, g.ff0Points);
    const int n = g.sPoints * g.ff0Points;
    ContiGrid& flat = g.flat;
    flat.variant = ContiVariant::Cs;
    flat.n = n;
    flat.x = flat.s = flat.D = flat.M = flat.weight = std::vector<double>(std::size_t(n) + 1, 0.0);
    g.rhNm.assign(std::size_t(n) + 1, 0.0);
    // One row of the c(s) grid per f/f0: the same s values, D and M from that frictional ratio.
    const double dOfOneNm = StokesEinsteinD(1e-9f, static_cast<float>(temperatureC));
    for (int j = 1; j <= g.ff0Points; ++j) {
        const ContiGrid row = BuildContiGrid(ContiVariant::Cs, g.sPoints, sLo, sHi, logGrid,
                                             static_cast<float>(g.ff0Axis[j]), 0.0, temperatureC);
        if (j == 1) {
            g.sAxis = row.x;
            g.sWeight = row.weight;
        }
        for (int i = 1; i <= g.sPoints; ++i) {
            const int p = g.Index(i, j);
            flat.x[p] = flat.s[p] = row.s[i];
            flat.D[p] = row.D[i];
            flat.M[p] = row.M[i];
            flat.weight[p] = row.weight[i] * g.ff0Weight[j];
            g.rhNm[p] = row.D[i] > 0.0 ? dOfOneNm / row.D[i] : 0.0;
        }
    }
    if (g.sAxis.empty())
        g.sAxis = g.sWeight = std::vector<double>(1, 0.0);
    return g;
}

std::string CheckSizeShapeSettings(float ff0Min, float ff0Max, int ff0Points, int sPoints,
                                   const ContiDataSet& set) {
    char text[400];
    if (!(ff0Min >= 1.0f && ff0Max <= 1000.0f && ff0Min <= ff0Max)) {
        std::snprintf(text, sizeof text,
                      "The f/f0 range %g to %g is impossible: frictional ratios must lie between "
                      "1 and 1000, the minimum not above the maximum.",
                      double(ff0Min), double(ff0Max));
        return text;
    }
    if (ff0Points < 1 || (ff0Points > 1 && !(ff0Max > ff0Min))) {
        std::snprintf(text, sizeof text,
                      "%d f/f0 grid points cannot span the range %g to %g: give at least one "
                      "point, and a wider range for more than one.",
                      ff0Points, double(ff0Min), double(ff0Max));
        return text;
    }
    const double n = double(sPoints) * ff0Points;
    if (n > kMaxContiGridPoints) {
        std::snprintf(text, sizeof text,
                      "%d s values times %d f/f0 values are more grid points than a distribution "
                      "can have (at most %d): reduce the resolution.",
                      sPoints, ff0Points, kMaxContiGridPoints);
        return text;
    }
    if (n + set.NoiseParameters() > set.Values()) {
        std::snprintf(text, sizeof text,
                      "%.0f grid points and %d noise parameters are more unknowns than the %.0f "
                      "data values inside the fitting limits: reduce the resolution.",
                      n, set.NoiseParameters(), set.Values());
        return text;
    }
    return {};
}

ContiStatus ComputeSizeShapeSolution(TXLAWindow* window, CComputeObserver& observer,
                                     SizeShapeSolution& out, ContiStrengthHint* hint) {
    const int sPoints = static_cast<int>(ContiState::resolution);
    if (!CheckContiRun(ContiVariant::Cs).empty() || !GetContiDataSet(out.conti.set, nullptr) ||
        !CheckSizeShapeSettings(SS::ff0Min, SS::ff0Max, SS::ff0Points, sPoints, out.conti.set)
             .empty())
        return ContiStatus::Refused;
    out.grid =
        BuildSizeShapeGrid(sPoints, ContiState::rangeMin, ContiState::rangeMax, ContiState::logGrid,
                           SS::ff0Points, SS::ff0Min, SS::ff0Max, ContiScanTemperature());
    out.conti.grid = out.grid.flat;
    // The discrete component of "c(s,ff0) with 1 discrete component" follows the flat grid.
    AppendDiscreteComponent(out.conti.grid, ContiScanTemperature());
    if (!EnsureContiKernel(window, observer, out.conti.grid))
        return gUserInterrupt.load() ? ContiStatus::Stopped : ContiStatus::KernelFailed;
    return SolveContiSet(observer, out.conti, true, hint);
}

void StoreSizeShapeSolution(const SizeShapeSolution& sol) {
    const SizeShapeGrid& g = sol.grid;
    StoreContiSolution(sol.conti);

    SS::ClearResult();
    SS::sPoints = g.sPoints;
    SS::ff0Count = g.ff0Points;
    const int n = g.flat.n;
    SS::sAxis.assign(g.sAxis.begin(), g.sAxis.end());
    SS::ff0Axis.assign(g.ff0Axis.begin(), g.ff0Axis.end());
    SS::s.assign(std::size_t(n) + 1, 0.0f);
    SS::ff0 = SS::M = SS::Rh = SS::D = SS::values = SS::s;
    for (int j = 1; j <= g.ff0Points; ++j)
        for (int i = 1; i <= g.sPoints; ++i) {
            const int p = g.Index(i, j);
            SS::s[p] = static_cast<float>(g.flat.s[p]);
            SS::ff0[p] = static_cast<float>(g.ff0Axis[j]);
            SS::M[p] = static_cast<float>(g.flat.M[p]);
            SS::Rh[p] = static_cast<float>(g.rhNm[p]);
            SS::D[p] = static_cast<float>(g.flat.D[p]);
            SS::values[p] = static_cast<float>(sol.conti.c[p] / g.flat.weight[p]);
        }

    // The curve of the distribution state: c(s) summed over the shapes, and M at the
    // weight-average frictional ratio of the whole result.
    double total = 0.0, ff0Sum = 0.0;
    std::vector<double> marginal(std::size_t(g.sPoints) + 1, 0.0);
    for (int j = 1; j <= g.ff0Points; ++j)
        for (int i = 1; i <= g.sPoints; ++i) {
            const double a = sol.conti.c[g.Index(i, j)];
            marginal[i] += a;
            total += a;
            ff0Sum += a * g.ff0Axis[j];
        }
    const double fw = total > 0.0 ? ff0Sum / total : g.ff0Axis[1];
    std::vector<double> mass(marginal.size(), 0.0);
    for (int i = 1; i <= g.sPoints; ++i) {
        marginal[i] /= g.sWeight[i];
        mass[i] = g.sAxis[i] != 0.0
                      ? CalculateMff02(static_cast<float>(g.sAxis[i]), static_cast<float>(fw))
                      : 0.0;
    }
    FreeDistributionArrays();
    ContiState::gridPoints = g.sPoints;
    ContiState::sValues = NewVector(g.sPoints, g.sAxis);
    ContiState::mValues = NewVector(g.sPoints, mass);
    ContiState::distribution = NewVector(g.sPoints, marginal);
    ContiState::heldAbscissa = HeldAbscissa::S;
    IntegrateSizeShape(g.sAxis[1], g.sAxis[g.sPoints], g.ff0Axis[1], g.ff0Axis[g.ff0Points]);
}

double IntegrateSizeShape(double sLo, double sHi, double fLo, double fHi) {
    SS::Mw = SS::Mz = SS::mzMoment = SS::fw = SS::R = SS::rMoment = 0.0f;
    if (!SS::Held())
        return 0.0;
    // Amplitudes (c times the cell's area) of the points inside the range.
    const std::vector<double> sw =
        TrapezoidWeights(std::vector<double>(SS::sAxis.begin(), SS::sAxis.end()), SS::sPoints);
    const std::vector<double> fwt =
        TrapezoidWeights(std::vector<double>(SS::ff0Axis.begin(), SS::ff0Axis.end()), SS::ff0Count);
    double c = 0, cM = 0, cMM = 0, cF = 0, cR = 0, cRR = 0;
    for (int j = 1; j <= SS::ff0Count; ++j)
        for (int i = 1; i <= SS::sPoints; ++i) {
            const int p = (j - 1) * SS::sPoints + i;
            if (SS::s[p] < sLo || SS::s[p] > sHi || SS::ff0[p] < fLo || SS::ff0[p] > fHi)
                continue;
            const double a = double(SS::values[p]) * sw[i] * fwt[j];
            c += a;
            cM += a * SS::M[p];
            cMM += a * double(SS::M[p]) * SS::M[p];
            cF += a * SS::ff0[p];
            cR += a * SS::Rh[p];
            cRR += a * double(SS::Rh[p]) * SS::Rh[p];
        }
    if (!(c > 0.0))
        return c;
    const double mw = cM / c, mz = cM > 0.0 ? cMM / cM : 0.0, r = cR / c;
    double zMoment = 0.0;
    for (int p = 1; p <= SS::Points() && cM > 0.0; ++p) {
        const int i = (p - 1) % SS::sPoints + 1, j = (p - 1) / SS::sPoints + 1;
        if (SS::s[p] < sLo || SS::s[p] > sHi || SS::ff0[p] < fLo || SS::ff0[p] > fHi)
            continue;
        const double a = double(SS::values[p]) * sw[i] * fwt[j];
        zMoment += a * SS::M[p] * (SS::M[p] - mz) * (SS::M[p] - mz);
    }
    SS::Mw = static_cast<float>(mw);
    SS::Mz = static_cast<float>(mz);
    SS::mzMoment = static_cast<float>(cM > 0.0 ? zMoment / cM : 0.0);
    SS::fw = static_cast<float>(cF / c);
    SS::R = static_cast<float>(r);
    SS::rMoment = static_cast<float>(std::max(0.0, cRR / c - r * r));
    return c;
}

bool RunSizeShapeDistribution(TXLAWindow* window, CComputeObserver& observer,
                              ContiStrengthHint* hint) {
    std::string problem = CheckContiRun(ContiVariant::Cs);
    ContiDataSet set;
    std::string why;
    if (problem.empty() && !GetContiDataSet(set, &why))
        problem = why;
    if (problem.empty())
        problem = CheckSizeShapeSettings(SS::ff0Min, SS::ff0Max, SS::ff0Points,
                                         static_cast<int>(ContiState::resolution), set);
    if (!problem.empty()) {
        ShowError(problem.c_str(), 0);
        return false;
    }
    ContiState::fMvsMOneShot = false;
    gUserInterrupt.store(false);
    SizeShapeSolution sol;
    ContiStatus status = ContiStatus::Refused;
    try {
        status = ComputeSizeShapeSolution(window, observer, sol, hint);
    } catch (const std::bad_alloc&) {
        gContiKernel.Free();
        ShowError(NotEnoughMemoryText().c_str(), 0);
        return false;
    }
    if (status != ContiStatus::Done)
        return false;
    if (sol.conti.failure != AnalysisFailure::None) {
        ReportAnalysisFailure(sol.conti.failure, sol.conti.failureDetail);
        return false;
    }
    if (!SolutionFinite(sol.conti)) {
        ShowError("The distribution computed is not finite: it is not stored.", 0);
        return false;
    }
    StoreSizeShapeSolution(sol);
    if (!ScanPaths::gSDistPath.empty())
        SaveVectorFile(ContiState::sValues, ContiState::gridPoints);
    WindowServices::ShowDistribution(window);
    MoveNoiseIntoData();
    observer.RequestRepaint();
    return true;
}

bool WriteMonteCarloColumns(const char* path) {
    if (!path || !SS::Held())
        return false;
    std::string text;
    for (int p = 1; p <= SS::Points(); ++p)
        AppendFormat(text, "%e %e %e %e %e %e\n", double(SS::s[p]), double(SS::ff0[p]),
                     double(SS::values[p]), double(SS::M[p]), double(SS::Rh[p]), double(SS::D[p]));
    return plat::WriteFileAtomically(plat::NativePath(path), text);
}
