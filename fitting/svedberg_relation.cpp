// Conversion of a discrete species' second value between D and M.
#include "fitting/svedberg_relation.h"

#include <cmath>

// Svedberg relation M = s RT / ((1 - vbar rho) D) with s in S (1e-13 s) and D in 1e-7 cm^2/s, so
// the units leave the factor 1e-6. Solved for D it has the same form, so one formula converts
// either way and a second toggle gives the starting values back up to rounding. A value that is
// not positive has no partner and becomes 0.
float ConvertDOrM(float sS, float value, float gasConstantTimesT, float vRho) {
    if (!(value > 0.0f))
        return 0.0f;
    double buoyancy = 1.0 - static_cast<double>(vRho);
    double converted = std::fabs(static_cast<double>(sS)) * 1e-6 * gasConstantTimesT /
                       (buoyancy * static_cast<double>(value));
    return std::isfinite(converted) ? static_cast<float>(converted) : 0.0f;
}
