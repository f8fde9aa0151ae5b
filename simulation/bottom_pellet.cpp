// The bottom pellet of the solvers on the simulation grid.
#include "simulation/bottom_pellet.h"

#include "state/lamm_grid.h"
#include "state/model_choice.h"

#include <algorithm>
#include <cmath>

namespace {

// Element Peclet number above which linear elements oscillate at a closed bottom.
constexpr double kLargestClosedPeclet = 2.0;

struct Pellet {
    bool on = false;
    GridAmountSource source = nullptr;
    double base = 0.0; // amount on the grid at the start
};
Pellet gPellet;

} // namespace

double BottomTransportSpeed(double s, double bottomCm) {
    const double rpm = std::max(LammGrid::rotorSpeed, LammGrid::maxRotorSpeed);
    const double omega = rpm * 2.0 * M_PI / 60.0;
    return std::fabs(omega * omega * s * 1e-13) * bottomCm;
}

void DecideBottomPellet(double lastElement, double s, double D, double bottomCm) {
    gPellet = Pellet{};
    if (LammGrid::backDiffusionShutOff)
        return;
    DecideClosedBottomPellet(lastElement, s, D, bottomCm);
}

void DecideClosedBottomPellet(double lastElement, double s, double D, double bottomCm) {
    gPellet = Pellet{};
    if (!(s > 0.0) || !(D > 0.0) || ModelChoice::inhomogeneousSolvent ||
        LammGrid::allocatedGridSize < 3)
        return;
    gPellet.on = BottomTransportSpeed(s, bottomCm) * lastElement / D > kLargestClosedPeclet;
}

bool BottomPelletOn() {
    return gPellet.on;
}

void StartBottomPellet(GridAmountSource source) {
    gPellet.source = source;
    double lastVolume = 0.0;
    if (gPellet.on)
        source(gPellet.base, lastVolume);
}

double PelletAmount() {
    if (!gPellet.on || gPellet.source == nullptr)
        return 0.0;
    double amount = 0.0, lastVolume = 0.0;
    gPellet.source(amount, lastVolume);
    return std::max(gPellet.base - amount, 0.0);
}

double BottomPelletConcentration() {
    if (!gPellet.on || gPellet.source == nullptr)
        return 0.0;
    double amount = 0.0, lastVolume = 0.0;
    gPellet.source(amount, lastVolume);
    return lastVolume > 0.0 ? std::max(gPellet.base - amount, 0.0) / lastVolume : 0.0;
}

void EndBottomPellet() {
    gPellet = Pellet{};
}
