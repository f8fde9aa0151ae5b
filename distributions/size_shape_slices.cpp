// Rows of the held size-and-shape distribution along f/f0.
#include "distributions/size_shape_slices.h"

#include "state/size_shape_state.h"

SizeShapeSlices SizeShapeSlicesOfHeld() {
    using SS = SizeShapeState;
    SizeShapeSlices out;
    if (!SS::Held() || static_cast<int>(SS::sAxis.size()) <= SS::sPoints ||
        static_cast<int>(SS::ff0Axis.size()) <= SS::ff0Count)
        return out;
    const int n = SS::sPoints;
    out.count = SS::ff0Count;
    for (std::vector<float>* v : {&out.ff0, &out.M, &out.c, &out.D, &out.Rh, &out.s})
        v->assign(out.count + 1, 0.0f);
    // Trapezoid weights on the s axis.
    std::vector<double> w(n + 1, 0.0);
    for (int i = 1; i < n; ++i) {
        const double half = 0.5 * (SS::sAxis[i + 1] - SS::sAxis[i]);
        w[i] += half;
        w[i + 1] += half;
    }
    for (int j = 1; j <= out.count; ++j) {
        double area = 0, m = 0, d = 0, rh = 0, s = 0;
        for (int i = 1; i <= n; ++i) {
            const int p = (j - 1) * n + i;
            const double a = w[i] * SS::values[p];
            area += a;
            m += a * SS::M[p];
            d += a * SS::D[p];
            rh += a * SS::Rh[p];
            s += a * SS::s[p];
        }
        out.ff0[j] = SS::ff0Axis[j];
        out.c[j] = static_cast<float>(area);
        if (area != 0.0) {
            out.M[j] = static_cast<float>(m / area);
            out.D[j] = static_cast<float>(d / area);
            out.Rh[j] = static_cast<float>(rh / area);
            out.s[j] = static_cast<float>(s / area);
        }
    }
    return out;
}
