// The floating species' tests of the run's end.
#include "lamm/floating_end.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kTwoPiOver60 = 2.0 * M_PI / 60.0;

// Log of the concentration, over the loading, that sedimentation equilibrium at rpm keeps of a
// floating species at radius edge: c/c0 = A e^x / (e^A - 1) with A = sigma (b^2 - m^2) / 2,
// x = sigma (r^2 - m^2) / 2, sigma = s omega^2 / D < 0. A very small value (-1e300) without a D.
double LogEquilibriumTail(double s, double D, double rpm, double m, double b, double edge) {
    if (D <= 0.0 || s >= 0.0)
        return -1e300;
    const double omega = rpm * kTwoPiOver60;
    const double sigma = s * 1e-13 * omega * omega / D;
    const double a = -0.5 * sigma * (b * b - m * m), x = 0.5 * sigma * (edge * edge - m * m);
    if (a < 1e-12)
        return 0.0;
    return std::log(a) + x - std::log1p(-std::exp(-a));
}

bool SignalInDataRange(const double* c, int from, int to, double level) {
    int run = 0;
    for (int i = from; i <= to; ++i) {
        run = c[i] >= level ? run + 1 : 0;
        if (run >= 3)
            return true;
    }
    return false;
}

} // namespace

void CFloatingEnd::Start(double s, double D, double rpm, double meniscus, double bottom,
                         double innerLimit, double endShare, const double* r, const double* c,
                         int n, int from, int to, bool judged, int scan) {
    floating_ = s < 0.0 && from >= 1;
    judged_ = floating_ && judged;
    from_ = from, to_ = to, ceilingScan_ = scan;
    s_ = s, rpm_ = rpm;
    logTail_ = -1e300;
    if (!floating_)
        return;
    loadingPeak_ = *std::max_element(c + 1, c + n + 1);
    logEndShare_ = std::log(endShare);
    logTail_ = LogEquilibriumTail(s, D, rpm, meniscus, bottom, innerLimit);
    dataTail_ = std::exp(logTail_);
    // a probe at the meniscus holds the whole pile-up, which bounds nothing: it is held as the data
    probeAtMeniscus_ = r[from] <= meniscus;
    probeTail_ = probeAtMeniscus_ ? dataTail_
                                  : std::exp(LogEquilibriumTail(s, D, rpm, meniscus, bottom,
                                                                std::min(r[from], innerLimit)));
    shareScale_ = meniscus * meniscus / (bottom * bottom - meniscus * meniscus);
}

CFloatingEnd::Verdict CFloatingEnd::JudgeFloater(const double* c, double t, int scan, bool below,
                                                 double level) {
    if (judged_ && (scan != ceilingScan_ || below)) {
        ceilingScan_ = scan;
        const double omega = rpm_ * kTwoPiOver60;
        const double plateau = std::exp(-2.0 * s_ * 1e-13 * omega * omega * t);
        // the share of the loading that started near enough to the meniscus to have reached it; a
        // probe short of the data, where a coarse grid's pile-up is steepest, keeps its whole tail
        const double share = std::min(1.0, shareScale_ * (plateau - 1.0));
        const double probeShare = probeAtMeniscus_ ? share : 1.0;
        const double probeCeiling = 2.0 * loadingPeak_ * (plateau + probeShare * probeTail_);
        const double ceiling = 2.0 * loadingPeak_ * (plateau + share * dataTail_);
        const double floor = -loadingPeak_;
        if (c[from_] > probeCeiling || std::any_of(c + from_ + 1, c + to_ + 1, [=](double v) {
                return v > ceiling || v < floor;
            }))
            return Verdict::GridFails;
    }
    if (!below)
        return Verdict::Probe;
    if (judged_ && logTail_ >= logEndShare_)
        return Verdict::GridFails;
    return SignalInDataRange(c, from_, to_, level) ? Verdict::GoesOn : Verdict::Probe;
}
