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

constexpr double kSectionLength = 0.0373;   // cm, narrowing section
constexpr double kNarrowing = 0.311;        // relative narrowing at its narrow end
constexpr double kSectionVolume = 0.0121;   // ml
constexpr double kCellWidth = 0.32;         // cm
constexpr double kOpticalPath = 1.2;        // cm

double WeightUnity(double) { return 1.0; }
double WeightUnityB(double) { return 1.0; }

using Weight = double (*)(double);

// The cross-section of the geometry chosen last, and where its narrowing starts.
Weight gWeight = WeightUnity;
double gNarrowingStart = 0.0373;

// Linear forms alpha + beta r of the two hats on the element being integrated.
struct HatPair {
    double aj = 0.0, bj = 0.0, ai = 0.0, bi = 0.0;
};

int N() { return LammGrid::arraysAllocated ? LammGrid::allocatedGridSize : 0; }
const double* R() { return LammGrid::radius; }

bool Inside(int i) { return i >= 1 && i <= N(); }

// hat_k on element e = [r_e, r_(e+1)] as alpha + beta r (0 when k is not a node of e).
void HatForm(int k, int e, double& alpha, double& beta)
{
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
double MassIntegrand(Weight w, const HatPair& h, double r)
{
    return w(r) * (h.aj + h.bj * r) * (h.ai + h.bi * r);
}
double DiffIntegrand(Weight w, const HatPair& h, double r) { return w(r) * h.bj * h.bi; }
double SedIntegrand(Weight w, const HatPair& h, double r)
{
    return w(r) * r * (h.aj + h.bj * r) * h.bi;
}
double DriftIntegrand(Weight w, const HatPair& h, double r)
{
    return w(r) * (h.aj + h.bj * r) * h.bi;
}
double SingleIntegrand(Weight w, const HatPair& h, double r) { return w(r) * (h.ai + h.bi * r); }

using Integrand = double (*)(Weight, const HatPair&, double);

// Integral of the integrand over element e with the hats' forms h, split where the weight has
// its kink.
double OverElement(Integrand f, const HatPair& h, int e)
{
    const Weight w = gWeight;
    const auto integrand = [f, w, &h](double r) { return f(w, h, r); };
    const double a = R()[e], b = R()[e + 1];
    const double r0 = gNarrowingStart;
    if (w == ExternalCellWeight && a < r0 && r0 < b)
        return RombergIntegrate(integrand, a, r0) + RombergIntegrate(integrand, r0, b);
    return RombergIntegrate(integrand, a, b);
}

// Sum over the elements that hats j and i share.
double PairIntegral(Integrand f, int j, int i)
{
    if (!Inside(i) || !Inside(j) || std::abs(i - j) > 1)
        return 0.0;
    double sum = 0.0;
    for (int e = std::min(i, j) - 1; e <= std::max(i, j); ++e) {
        if (e < 1 || e >= N() || (e != i && e + 1 != i) || (e != j && e + 1 != j))
            continue;
        HatPair h;
        HatForm(j, e, h.aj, h.bj);
        HatForm(i, e, h.ai, h.bi);
        sum += OverElement(f, h, e);
    }
    return sum;
}

double SingleIntegral(int i)
{
    if (!Inside(i))
        return 0.0;
    double sum = 0.0;
    for (int e = i - 1; e <= i; ++e) {
        if (e < 1 || e >= N())
            continue;
        HatPair h;
        HatForm(i, e, h.ai, h.bi);
        sum += OverElement(SingleIntegrand, h, e);
    }
    return sum;
}

bool Rectangular() { return ModelChoice::linearLamm || ModelChoice::electrophoresis; }

// The external loading cell uses a closed form where the elements of both hats lie above r0.
bool ClosedFormApplies(int j, int i)
{
    if (ModelParameters::oilVolume > kSectionVolume)
        return true;
    const int n = N();
    return j < n && i < n && R()[j + 1] < gNarrowingStart && R()[i + 1] < gNarrowingStart;
}

}  // namespace

double RectElementMass(int j, int i)
{
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

double RectElementDiff(int j, int i)
{
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

double RectElementSed(int j, int i)
{
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

double RectElementDrift(int j, int i)
{
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
double RectElementSingle(int i)
{
    if (!Inside(i))
        return 0.0;
    const double* r = R();
    const int n = N();
    return ((i > 1 ? r[i] - r[i - 1] : 0.0) + (i < n ? r[i + 1] - r[i] : 0.0)) / 2.0;
}

double FeElemRomberg2D(int j, int i) { return PairIntegral(MassIntegrand, j, i); }
double FeElemRomberg2E(int j, int i) { return PairIntegral(DiffIntegrand, j, i); }
double FeElemRomberg2F(int j, int i)
{
    return PairIntegral(ModelChoice::electrophoresis ? DriftIntegrand : SedIntegrand, j, i);
}
double FeElemRomberg1B(int i) { return SingleIntegral(i); }

double ExternalCellElementMass(int j, int i)
{
    return ClosedFormApplies(j, i) ? RectElementMass(j, i) : FeElemRomberg2D(j, i);
}
double ExternalCellElementDiff(int j, int i)
{
    return ClosedFormApplies(j, i) ? RectElementDiff(j, i) : FeElemRomberg2E(j, i);
}
double ExternalCellElementSed(int j, int i)
{
    return ClosedFormApplies(j, i) ? RectElementSed(j, i) : FeElemRomberg2F(j, i);
}
double ExternalCellElementSingle(int i)
{
    return ClosedFormApplies(i, i) ? RectElementSingle(i) : FeElemRomberg1B(i);
}

double FeElemRomberg2A(int j, int i)
{
    if (Rectangular())
        return RectElementMass(j, i);
    if (ModelChoice::externalLoadingCell)
        return ExternalCellElementMass(j, i);
    return FeElemRomberg2D(j, i);
}

double FeElemRomberg2B(int j, int i)
{
    if (Rectangular())
        return RectElementDiff(j, i);
    if (ModelChoice::externalLoadingCell)
        return ExternalCellElementDiff(j, i);
    return FeElemRomberg2E(j, i);
}

double FeElemRomberg2C(int j, int i)
{
    if (ModelChoice::electrophoresis)
        return RectElementDrift(j, i);
    if (ModelChoice::linearLamm)
        return RectElementSed(j, i);
    if (ModelChoice::externalLoadingCell)
        return ExternalCellElementSed(j, i);
    return FeElemRomberg2F(j, i);
}

double FeElemRomberg1(int i)
{
    if (Rectangular())
        return RectElementSingle(i);
    if (ModelChoice::externalLoadingCell)
        return ExternalCellElementSingle(i);
    return FeElemRomberg1B(i);
}

void PrepareExternalCellGeometry()
{
    const double v = ModelParameters::oilVolume;
    const double a = kNarrowing, L = kSectionLength;
    double oilHeight = 0.0;
    if (v <= 0.0)
        oilHeight = 0.0;
    else if (v < kSectionVolume)
        oilHeight = (L / a) * (std::sqrt((1.0 - a) * (1.0 - a) +
                                          2.0 * a * v / (L * kCellWidth * kOpticalPath)) -
                                (1.0 - a));
    else  // the section is full; the rest of the oil stands in the full cross-section above it
        oilHeight = L + (v - kSectionVolume) / (kCellWidth * kOpticalPath);
    const double last = N() > 0 ? R()[N()] : double(ModelParameters::bottom);
    gNarrowingStart = last - (L - oilHeight);
}

double ExternalCellWeight(double r)
{
    return r < gNarrowingStart ? 1.0 : 1.0 - (kNarrowing / kSectionLength) * (r - gNarrowingStart);
}

double ExternalCellNarrowingStart() { return gNarrowingStart; }

bool SpecialCellGeometryChosen()
{
    return ModelChoice::linearLamm || ModelChoice::externalLoadingCell ||
           ModelChoice::thirdGeometry || ModelChoice::electrophoresis;
}

void SelectWeightFunction()
{
    if (ModelChoice::linearLamm || ModelChoice::electrophoresis) {
        gWeight = WeightUnity;
    } else if (ModelChoice::externalLoadingCell) {
        PrepareExternalCellGeometry();
        gWeight = ExternalCellWeight;
    } else if (ModelChoice::thirdGeometry) {
        gWeight = WeightUnityB;
    }
}
