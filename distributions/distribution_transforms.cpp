// Transforms of the held distribution. A change of abscissa y(x) keeps the area of every range:
// c(y) = c(x) / (dy/dx), the derivative taken from the map by central differences of relative
// step 1e-2 between abscissae exact in single precision (the hydrodynamic maps take floats):
// about 1e-5 for their power laws. The s20,w map is a constant factor, so there the area is kept
// to rounding; the tests check the areas and the integral's end.
#include "distributions/distribution_transforms.h"

#include "distributions/conti_run.h"
#include "distributions/monte_carlo.h"
#include "foundations/hydrodynamics.h"
#include "foundations/nr_arrays.h"
#include "scandata/scan_store_alloc.h"
#include "state/conti_state.h"
#include "state/window_services.h"

#include <cmath>

const char* TransformRefusalText(TransformRefusal refusal) {
    switch (refusal) {
    case TransformRefusal::None:
        return "";
    case TransformRefusal::NoDistribution:
        return "There is no distribution to transform: Run the distribution model first.";
    case TransformRefusal::IntegralAlready:
        return "The distribution is in integral form already.";
    case TransformRefusal::NotDifferentialOverS:
        return "Only a differential distribution over s, as computed, can be transformed to "
               "another abscissa.";
    case TransformRefusal::NoPartialSpecificVolume:
        return "The partial specific volume must be positive for this transform.";
    case TransformRefusal::NoS20w:
        return "The buffer's density and the partial specific volume give no s20,w (1 - vbar rho "
               "is not positive): the distribution is not transformed.";
    case TransformRefusal::OrderNotPreserved:
        return "The transform does not preserve the order of the abscissae: it is not made.";
    case TransformRefusal::TooFewPositivePoints:
        return "Fewer than 2 points of the distribution lie at positive sedimentation "
               "coefficients: there is nothing to transform.";
    case TransformRefusal::TooFewPoints:
        return "Fewer than 2 points of the distribution can be transformed.";
    }
    return "";
}

TransformRefusal ChangeAbscissa(const DistributionCurve& in,
                                const std::function<double(double)>& map, bool positiveOnly,
                                DistributionCurve& out) {
    DistributionCurve result;
    for (std::size_t i = 0; i < in.x.size() && i < in.c.size(); ++i) {
        const double x = in.x[i];
        if (positiveOnly && !(x > 0.0))
            continue;
        const double y = map(x);
        const double h = 1e-2 * std::max(std::fabs(x), 1e-30);
        const double above = static_cast<float>(x + h), below = static_cast<float>(x - h);
        const double slope = (map(above) - map(below)) / (above - below);
        if (!std::isfinite(y) || (positiveOnly && !(y > 0.0)) || !std::isfinite(slope))
            continue;
        if (!(slope > 0.0) || (!result.x.empty() && !(y > result.x.back())))
            return TransformRefusal::OrderNotPreserved;
        result.x.push_back(y);
        result.c.push_back(in.c[i] / slope);
    }
    if (result.x.size() < 2)
        return positiveOnly ? TransformRefusal::TooFewPositivePoints
                            : TransformRefusal::TooFewPoints;
    out = std::move(result);
    return TransformRefusal::None;
}

DistributionCurve IntegralDistribution(const DistributionCurve& in) {
    DistributionCurve out{in.x, std::vector<double>(in.x.size(), 0.0)};
    for (std::size_t i = 1; i < in.x.size(); ++i)
        out.c[i] = out.c[i - 1] + 0.5 * (in.c[i] + in.c[i - 1]) * (in.x[i] - in.x[i - 1]);
    return out;
}

namespace {

TransformRefusal Transform(DistributionTransform kind, const DistributionCurve& in,
                           DistributionCurve& out) {
    switch (kind) {
    case DistributionTransform::S20w: {
        const double factor = SToS20wInBuffer(1.0f);
        if (!(factor > 0.0) || !std::isfinite(factor))
            return TransformRefusal::NoS20w;
        return ChangeAbscissa(
            in, [factor](double s) { return factor * s; }, false, out);
    }
    case DistributionTransform::StokesRadius:
        // s20,w, then the Stokes radius of a particle of that s at the current f/f0, in nm
        return ChangeAbscissa(
            in,
            [](double s) {
                return 1e9 * S20ToStokesRadius(float(SToS20wInBuffer(float(s))), ScanStore::vbar);
            },
            true, out);
    case DistributionTransform::MolarMass:
        return ChangeAbscissa(
            in, [](double s) { return CalculateM(float(s)); }, true, out);
    case DistributionTransform::Integral:
        out = IntegralDistribution(in);
        return TransformRefusal::None;
    }
    return TransformRefusal::None;
}

const char* AxisLabel(DistributionTransform kind) {
    switch (kind) {
    case DistributionTransform::S20w:
        return "s20,w (S)";
    case DistributionTransform::StokesRadius:
        return "hydrodynamic radius (nm)";
    case DistributionTransform::MolarMass:
        return "molar mass (Da)";
    case DistributionTransform::Integral:
        return nullptr;
    }
    return nullptr;
}

DistributionCurve HeldCurve(const float* values) {
    const int n = ContiState::gridPoints;
    DistributionCurve curve;
    for (int p = 1; p <= n; ++p) {
        curve.x.push_back(ContiState::sValues[p]);
        curve.c.push_back(values[p]);
    }
    return curve;
}

} // namespace

TransformRefusal TransformHeldDistribution(TXLAWindow* window, DistributionTransform kind) {
    if (!ContiState::sValues || !ContiState::distribution || ContiState::gridPoints < 2)
        return TransformRefusal::NoDistribution;
    // The maps take s as computed, in differential form; the integral is made once.
    if (kind == DistributionTransform::Integral) {
        if (ContiState::heldIntegral)
            return TransformRefusal::IntegralAlready;
    } else if (ContiState::heldAbscissa != HeldAbscissa::S || ContiState::heldIntegral) {
        return TransformRefusal::NotDifferentialOverS;
    }
    if (kind != DistributionTransform::S20w && kind != DistributionTransform::Integral &&
        !(ScanStore::vbar > 0.0f))
        return TransformRefusal::NoPartialSpecificVolume;
    DistributionCurve main, second;
    if (const TransformRefusal r = Transform(kind, HeldCurve(ContiState::distribution), main);
        r != TransformRefusal::None)
        return r;
    const bool withSecond = ContiState::secondDistribution != nullptr;
    if (withSecond) {
        const TransformRefusal r =
            Transform(kind, HeldCurve(ContiState::secondDistribution), second);
        if (r != TransformRefusal::None)
            return r;
    }
    // The masses of the points that are kept, in the order of the new abscissae.
    const int oldN = ContiState::gridPoints, n = static_cast<int>(main.x.size());
    std::vector<float> masses;
    for (int p = 1; p <= oldN && ContiState::mValues; ++p)
        if (kind == DistributionTransform::S20w || kind == DistributionTransform::Integral ||
            ContiState::sValues[p] > 0.0f)
            masses.push_back(ContiState::mValues[p]);

    FinishMonteCarlo(nullptr); // the limits belong to the old abscissa
    const HeldAbscissa abscissa =
        kind == DistributionTransform::S20w           ? HeldAbscissa::S20w
        : kind == DistributionTransform::StokesRadius ? HeldAbscissa::StokesRadius
        : kind == DistributionTransform::MolarMass    ? HeldAbscissa::MolarMass
                                                      : ContiState::heldAbscissa;
    FreeDistributionArrays();
    ContiState::heldAbscissa = abscissa;
    ContiState::heldIntegral = kind == DistributionTransform::Integral;
    ContiState::gridPoints = n;
    ContiState::sValues = vector(1, n);
    ContiState::mValues = vector(1, n);
    ContiState::distribution = vector(1, n);
    if (withSecond)
        ContiState::secondDistribution = vector(1, n);
    for (int p = 1; p <= n; ++p) {
        ContiState::sValues[p] = static_cast<float>(main.x[std::size_t(p - 1)]);
        ContiState::distribution[p] = static_cast<float>(main.c[std::size_t(p - 1)]);
        ContiState::mValues[p] =
            std::size_t(p - 1) < masses.size() ? masses[std::size_t(p - 1)] : 0.0f;
        if (withSecond)
            ContiState::secondDistribution[p] = static_cast<float>(second.c[std::size_t(p - 1)]);
    }
    WindowServices::ShowDistribution(window);
    WindowServices::LabelDistributionAxes(
        AxisLabel(kind), kind == DistributionTransform::Integral ? "integral" : nullptr);
    return TransformRefusal::None;
}
