// The bottom pellet of the solvers on the simulation grid.
#include "simulation/bottom_pellet.h"

#include "state/lamm_grid.h"
#include "state/model_choice.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// Element Peclet number above which linear elements oscillate at a closed bottom.
constexpr double kLargestClosedPeclet = 2.0;

} // namespace

double BottomTransportSpeed(double s, double bottomCm) {
    const double rpm = std::max(LammGrid::rotorSpeed, LammGrid::maxRotorSpeed);
    const double omega = rpm * 2.0 * M_PI / 60.0;
    return std::fabs(omega * omega * s * 1e-13) * bottomCm;
}

void CBottomPellet::Decide(double lastElement, double s, double D, double bottomCm) {
    End();
    if (LammGrid::backDiffusionShutOff)
        return;
    DecideClosed(lastElement, s, D, bottomCm);
}

void CBottomPellet::DecideClosed(double lastElement, double s, double D, double bottomCm) {
    End();
    if (!(s > 0.0) || !(D > 0.0) || ModelChoice::inhomogeneousSolvent ||
        LammGrid::allocatedGridSize < 3)
        return;
    on_ = BottomTransportSpeed(s, bottomCm) * lastElement / D > kLargestClosedPeclet;
}

void CBottomPellet::Start(GridAmountSource source) {
    source_ = std::move(source);
    double lastVolume = 0.0;
    if (on_)
        source_(base_, lastVolume);
}

double CBottomPellet::Amount() const {
    if (!on_ || source_ == nullptr)
        return 0.0;
    double amount = 0.0, lastVolume = 0.0;
    source_(amount, lastVolume);
    return std::max(base_ - amount, 0.0);
}

double CBottomPellet::Concentration() const {
    if (!on_ || source_ == nullptr)
        return 0.0;
    double amount = 0.0, lastVolume = 0.0;
    source_(amount, lastVolume);
    return lastVolume > 0.0 ? std::max(base_ - amount, 0.0) / lastVolume : 0.0;
}
