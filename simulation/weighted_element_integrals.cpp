// Weighted element integrals of the rectangular and external-loading cells. The closed forms are
// the exact integrals over the grid's own elements (on a uniform grid those of spacing h); the
// numerical ones integrate piece by piece between nodes and the start of the narrowing, where
// every integrand is a polynomial, so that Romberg extrapolation is exact to rounding and mass
// and diffusion columns sum as the exact integrals do.
#include "simulation/weighted_element_integrals.h"

#include "foundations/resampling.h"
#include "simulation/romberg_helpers.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"

#include <cmath>
#include <cstdlib>

namespace {

constexpr double kSectionLength = 0.0373; // cm, narrowing section
constexpr double kNarrowing = 0.311;      // relative narrowing at its narrow end
constexpr double kSectionVolume = 0.0121; // ml
constexpr double kCellWidth = 0.32;       // cm
constexpr double kOpticalPath = 1.2;      // cm

// Linear forms alpha + beta r of the two hats on the element being integrated.
struct HatPair {
    double aj = 0.0, bj = 0.0, ai = 0.0, bi = 0.0;
};

int N() {
    return LammGrid::arraysAllocated ? LammGrid::allocatedGridSize : 0;
}
const double* R() {
    return LammGrid::radius;
}

bool Inside(int i) {
    return i >= 1 && i <= N();
}

// hat_k on element e = [r_e, r_(e+1)] as alpha + beta r (0 when k is not a node of e).
void HatForm(int k, int e, double& alpha, double& beta) {
    const double a = R()[e], b = R()[e + 1];
    if (k == e) {
        beta = -1.0 / (b - a);
        alpha = b / (b - a);
    } else if (k == e + 1) {
        beta = 1.0 / (b - a);
        alpha = -a / (b - a);
    } else {
        alpha = beta = 0.0;
    }
}

// The integrands of the pair functions, w(r) times the hats' forms h on one element.
using Cell = CellGeometry;
double MassIntegrand(const Cell& w, const HatPair& h, double r) {
    return w.Weight(r) * (h.aj + h.bj * r) * (h.ai + h.bi * r);
}
double DiffIntegrand(const Cell& w, const HatPair& h, double r) {
    return w.Weight(r) * h.bj * h.bi;
}
double SedIntegrand(const Cell& w, const HatPair& h, double r) {
    return w.Weight(r) * r * (h.aj + h.bj * r) * h.bi;
}
double DriftIntegrand(const Cell& w, const HatPair& h, double r) {
    return w.Weight(r) * (h.aj + h.bj * r) * h.bi;
}
double SingleIntegrand(const Cell& w, const HatPair& h, double r) {
    return w.Weight(r) * (h.ai + h.bi * r);
}

using Integrand = double (*)(const Cell&, const HatPair&, double);

// Integral of the integrand over element e with the hats' forms h, split where the weight has
// its kink.
double OverElement(const Cell& w, Integrand f, const HatPair& h, int e) {
    const auto integrand = [f, &w, &h](double r) { return f(w, h, r); };
    const double a = R()[e], b = R()[e + 1];
    const double r0 = w.narrowingStart;
    if (w.narrowing && a < r0 && r0 < b)
        return RombergIntegrate(integrand, a, r0) + RombergIntegrate(integrand, r0, b);
    return RombergIntegrate(integrand, a, b);
}

// Sum over the elements that hats j and i share.
double PairIntegral(const Cell& w, Integrand f, int j, int i) {
    if (!Inside(i) || !Inside(j) || std::abs(i - j) > 1)
        return 0.0;
    double sum = 0.0;
    for (int e = std::min(i, j) - 1; e <= std::max(i, j); ++e) {
        if (e < 1 || e >= N() || (e != i && e + 1 != i) || (e != j && e + 1 != j))
            continue;
        HatPair h;
        HatForm(j, e, h.aj, h.bj);
        HatForm(i, e, h.ai, h.bi);
        sum += OverElement(w, f, h, e);
    }
    return sum;
}

double SingleIntegral(const Cell& w, int i) {
    if (!Inside(i))
        return 0.0;
    double sum = 0.0;
    for (int e = i - 1; e <= i; ++e) {
        if (e < 1 || e >= N())
            continue;
        HatPair h;
        HatForm(i, e, h.ai, h.bi);
        sum += OverElement(w, SingleIntegrand, h, e);
    }
    return sum;
}

bool Rectangular() {
    return ModelChoice::linearLamm || ModelChoice::electrophoresis;
}

// The external loading cell uses a closed form where the elements of both hats lie above r0.
bool ClosedFormApplies(const Cell& w, int j, int i) {
    if (ModelParameters::oilVolume > kSectionVolume)
        return true;
    const int n = N();
    return j < n && i < n && R()[j + 1] < w.narrowingStart && R()[i + 1] < w.narrowingStart;
}

} // namespace

double RectElementMass(int j, int i) {
    if (!Inside(i) || !Inside(j))
        return 0.0;
    const double* r = R();
    const int n = N();
    if (j == i) {
        const double left = i > 1 ? r[i] - r[i - 1] : 0.0;
        const double right = i < n ? r[i + 1] - r[i] : 0.0;
        return (left + right) / 3.0;
    }
    if (j == i - 1)
        return (r[i] - r[j]) / 6.0;
    if (j == i + 1)
        return (r[j] - r[i]) / 6.0;
    return 0.0;
}

double RectElementDiff(int j, int i) {
    if (!Inside(i) || !Inside(j))
        return 0.0;
    const double* r = R();
    const int n = N();
    if (j == i)
        return (i > 1 ? 1.0 / (r[i] - r[i - 1]) : 0.0) + (i < n ? 1.0 / (r[i + 1] - r[i]) : 0.0);
    if (std::abs(j - i) == 1)
        return -1.0 / std::fabs(r[j] - r[i]);
    return 0.0;
}

double RectElementSed(int j, int i) {
    if (!Inside(i) || !Inside(j))
        return 0.0;
    const double* r = R();
    const int n = N();
    if (j == i) {
        const double left = i > 1 ? (r[i - 1] + 2.0 * r[i]) / 6.0 : 0.0;
        const double right = i < n ? (2.0 * r[i] + r[i + 1]) / 6.0 : 0.0;
        return left - right;
    }
    if (j == i - 1)
        return r[j] / 3.0 + r[i] / 6.0;
    if (j == i + 1)
        return -r[i] / 6.0 - r[j] / 3.0;
    return 0.0;
}

double RectElementDrift(int j, int i) {
    if (!Inside(i) || !Inside(j))
        return 0.0;
    const int n = N();
    if (j == i)
        return i == 1 ? -0.5 : (i == n ? 0.5 : 0.0);
    if (j == i - 1)
        return 0.5;
    if (j == i + 1)
        return -0.5;
    return 0.0;
}

// The integral of the hat itself: h/2 at the ends, h inside, on the grid's own spacing.
double RectElementSingle(int i) {
    if (!Inside(i))
        return 0.0;
    const double* r = R();
    const int n = N();
    return ((i > 1 ? r[i] - r[i - 1] : 0.0) + (i < n ? r[i + 1] - r[i] : 0.0)) / 2.0;
}

double FeElemRomberg2D(const CellGeometry& w, int j, int i) {
    return PairIntegral(w, MassIntegrand, j, i);
}
double FeElemRomberg2E(const CellGeometry& w, int j, int i) {
    return PairIntegral(w, DiffIntegrand, j, i);
}
double FeElemRomberg2F(const CellGeometry& w, int j, int i) {
    return PairIntegral(w, ModelChoice::electrophoresis ? DriftIntegrand : SedIntegrand, j, i);
}
double FeElemRomberg1B(const CellGeometry& w, int i) {
    return SingleIntegral(w, i);
}

double ExternalCellElementMass(const CellGeometry& w, int j, int i) {
    return ClosedFormApplies(w, j, i) ? RectElementMass(j, i) : FeElemRomberg2D(w, j, i);
}
double ExternalCellElementDiff(const CellGeometry& w, int j, int i) {
    return ClosedFormApplies(w, j, i) ? RectElementDiff(j, i) : FeElemRomberg2E(w, j, i);
}
double ExternalCellElementSed(const CellGeometry& w, int j, int i) {
    return ClosedFormApplies(w, j, i) ? RectElementSed(j, i) : FeElemRomberg2F(w, j, i);
}
double ExternalCellElementSingle(const CellGeometry& w, int i) {
    return ClosedFormApplies(w, i, i) ? RectElementSingle(i) : FeElemRomberg1B(w, i);
}

double FeElemRomberg2A(const CellGeometry& w, int j, int i) {
    if (Rectangular())
        return RectElementMass(j, i);
    if (ModelChoice::externalLoadingCell)
        return ExternalCellElementMass(w, j, i);
    return FeElemRomberg2D(w, j, i);
}

double FeElemRomberg2B(const CellGeometry& w, int j, int i) {
    if (Rectangular())
        return RectElementDiff(j, i);
    if (ModelChoice::externalLoadingCell)
        return ExternalCellElementDiff(w, j, i);
    return FeElemRomberg2E(w, j, i);
}

double FeElemRomberg2C(const CellGeometry& w, int j, int i) {
    if (ModelChoice::electrophoresis)
        return RectElementDrift(j, i);
    if (ModelChoice::linearLamm)
        return RectElementSed(j, i);
    if (ModelChoice::externalLoadingCell)
        return ExternalCellElementSed(w, j, i);
    return FeElemRomberg2F(w, j, i);
}

double FeElemRomberg1(const CellGeometry& w, int i) {
    if (Rectangular())
        return RectElementSingle(i);
    if (ModelChoice::externalLoadingCell)
        return ExternalCellElementSingle(w, i);
    return FeElemRomberg1B(w, i);
}

double ExternalCellNarrowingStart() {
    const double v = ModelParameters::oilVolume;
    const double a = kNarrowing, L = kSectionLength;
    double oilHeight = 0.0;
    if (v <= 0.0)
        oilHeight = 0.0;
    else if (v < kSectionVolume)
        oilHeight =
            (L / a) *
            (std::sqrt((1.0 - a) * (1.0 - a) + 2.0 * a * v / (L * kCellWidth * kOpticalPath)) -
             (1.0 - a));
    else // the section is full; the rest of the oil stands in the full cross-section above it
        oilHeight = L + (v - kSectionVolume) / (kCellWidth * kOpticalPath);
    const double last = N() > 0 ? R()[N()] : double(ModelParameters::bottom);
    return last - (L - oilHeight);
}

double CellGeometry::Weight(double r) const {
    if (!narrowing || r < narrowingStart)
        return 1.0;
    return 1.0 - (kNarrowing / kSectionLength) * (r - narrowingStart);
}

bool SpecialCellGeometryChosen() {
    return ModelChoice::linearLamm || ModelChoice::externalLoadingCell ||
           ModelChoice::thirdGeometry || ModelChoice::electrophoresis;
}

CellGeometry ChosenCellGeometry() {
    CellGeometry cell;
    if (ModelChoice::externalLoadingCell && !ModelChoice::linearLamm &&
        !ModelChoice::electrophoresis) {
        cell.narrowing = true;
        cell.narrowingStart = ExternalCellNarrowingStart();
    }
    return cell;
}
