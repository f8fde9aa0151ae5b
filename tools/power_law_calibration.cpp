// Least-squares power law through calibration pairs, and the line drawn over them.
#include "tools/power_law_calibration.h"

#include "foundations/straight_line_fit.h"

#include <cmath>
#include <cstddef>
#include <utility>

namespace {

void OrderRange(double& low, double& high) {
    if (high < low)
        std::swap(low, high);
    if (high - low < 1e-6) {
        low -= 0.5;
        high += 0.5;
    }
}

} // namespace

PowerLawCalibration CalibratePowerLaw(const std::vector<PowerLawPair>& pairs, double exponent) {
    PowerLawCalibration out;
    if (pairs.empty()) {
        out.refusal = "the calibration file holds no (s M) pair";
        return out;
    }
    for (const PowerLawPair& p : pairs) {
        if (!(p.s > 0.0) || !(p.mass > 0.0) || !std::isfinite(p.s) || !std::isfinite(p.mass)) {
            out.refusal = "s and M of every calibration pair must be positive";
            return out;
        }
        out.dataX.push_back(std::log10(p.mass));
        out.dataY.push_back(std::log10(p.s));
    }
    const std::vector<double>& x = out.dataX;
    const std::size_t n = x.size();
    double logKs = 0.0;
    if (n == 1) {
        out.kb = exponent;
        logKs = out.dataY[0] - exponent * x[0];
        out.lineX = {0.7 * x[0], 1.3 * x[0]};
    } else {
        const StraightLineFit line = FitStraightLine(x, out.dataY);
        if (!line.ok) {
            out.refusal = "the calibration pairs need at least two different masses";
            return out;
        }
        logKs = line.intercept;
        out.kb = line.slope;
        // The line reaches 10 % beyond the first and the last pair (in file order).
        out.lineX = x;
        const double span = x[n - 1] - x[0];
        out.lineX.front() = x[0] - 0.1 * span;
        out.lineX.back() = x[n - 1] + 0.1 * span;
    }
    out.ks = std::pow(10.0, logKs);
    for (double xl : out.lineX)
        out.lineY.push_back(out.kb * xl + logKs);
    const double y1 = out.lineY.front();
    const double yn = out.lineY.back();
    out.xMin = out.lineX.front();
    out.xMax = out.lineX.back();
    out.yMin = y1 - 0.05 * (yn - y1);
    out.yMax = yn + 0.05 * (yn - y1);
    // A flat line (exponent 0), a mass of 1 Da or rows not ordered by mass would leave an empty
    // or inverted range.
    OrderRange(out.xMin, out.xMax);
    OrderRange(out.yMin, out.yMax);
    out.ok = std::isfinite(out.ks) && std::isfinite(out.kb);
    if (!out.ok)
        out.refusal = "the calibration pairs give no finite power law";
    return out;
}
