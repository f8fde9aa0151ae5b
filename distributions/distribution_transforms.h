// Transforms of a computed distribution to another abscissa (s20,w, hydrodynamic radius, molar
// mass) and from differential to integral form.
#pragma once

#include <functional>
#include <string>
#include <vector>

class TXLAWindow;

// A distribution over ascending abscissae x with values c per unit of x (0-based, same size).
struct DistributionCurve {
    std::vector<double> x, c;
};

// The curve over y = map(x): c(y) = c(x) dx/dy, so every range keeps its area. Points whose
// image is not finite (or not positive with positiveOnly) are left out; the images must ascend.
// False with the reason when fewer than 2 points remain or the map does not ascend.
bool ChangeAbscissa(const DistributionCurve& in, const std::function<double(double)>& map,
                    bool positiveOnly, DistributionCurve& out, std::string* why);
// The running trapezoid integral of c from the first point: ends at the total area.
DistributionCurve IntegralDistribution(const DistributionCurve& in);

enum class DistributionTransform {
    S20w,         // s -> s20,w in the current buffer
    StokesRadius, // s -> hydrodynamic radius (nm) at the current f/f0
    MolarMass,    // c(s) -> c(M) (Da) at the current f/f0
    Integral,     // differential -> integral
};

// Transforms the held distribution (and the second result when held) in place and shows it.
// False with the reason, the distribution untouched, when there is none or the transform
// cannot be made.
bool TransformHeldDistribution(TXLAWindow* window, DistributionTransform kind, std::string* why);
