// The built-in s and D of a dense salt such as CsCl at 20 C, fitted to its measured series; c in
// the units of the loading. Inline and free of library calls but the square root, so that the
// node loops of the moving-frame solver run them in vector registers with the same bits as the
// cosolvent solver's.
#pragma once

#include "foundations/series_exp.h"

#include <cmath>

inline double CesiumChlorideS(double conc) {
    const double x = 168.4 * conc;
    return 0.596 - 0.000322 * x - 0.0633 * SeriesExp(-0.00399 * x);
}

inline double CesiumChlorideD(double conc) {
    const double root = std::sqrt(conc < 0.0 ? 0.0 : conc); // std::max by value
    return 1e-5 * (SeriesExp(-18.1 * conc) * (2.03 - 2.04) + 2.04 + 0.507 * conc -
                   0.0341 * conc * conc - 0.614 * root);
}
