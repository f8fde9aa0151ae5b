// Transforms of a computed distribution to another abscissa (s20,w, hydrodynamic radius, molar
// mass) and from differential to integral form.
#pragma once

#include <functional>
#include <vector>

class TXLAWindow;

// A distribution over ascending abscissae x with values c per unit of x (0-based, same size).
struct DistributionCurve {
    std::vector<double> x, c;
};

// Why a transform is not made; the held distribution is then untouched.
enum class TransformRefusal {
    None,
    NoDistribution,          // none is held
    IntegralAlready,         // the integral is made once
    NotDifferentialOverS,    // the maps take s, in differential form
    NoPartialSpecificVolume, // vbar is not positive
    NoS20w,                  // 1 - vbar rho of the buffer is not positive
    OrderNotPreserved,       // the map does not ascend
    TooFewPositivePoints,    // fewer than 2 points at positive s
    TooFewPoints,            // fewer than 2 points with a finite image
};

// The message of a refusal, as the transform commands show it; empty for None.
const char* TransformRefusalText(TransformRefusal refusal);

// The curve over y = map(x): c(y) = c(x) dx/dy, so every range keeps its area. Points whose
// image is not finite (or not positive with positiveOnly) are left out; the images must ascend.
// Refused, out untouched, when fewer than 2 points remain or the map does not ascend.
TransformRefusal ChangeAbscissa(const DistributionCurve& in,
                                const std::function<double(double)>& map, bool positiveOnly,
                                DistributionCurve& out);
// The running trapezoid integral of c from the first point: ends at the total area.
DistributionCurve IntegralDistribution(const DistributionCurve& in);

enum class DistributionTransform {
    S20w,         // s -> s20,w in the current buffer
    StokesRadius, // s -> hydrodynamic radius (nm) at the current f/f0
    MolarMass,    // c(s) -> c(M) (Da) at the current f/f0
    Integral,     // differential -> integral
};

// Transforms the held distribution (and the second result when held) in place and shows it.
// Refused, the distribution untouched, when there is none or the transform cannot be made.
TransformRefusal TransformHeldDistribution(TXLAWindow* window, DistributionTransform kind);
