// A bottom pile-up thinner than the last element: the bottom is opened, and what leaves the
// grid there is kept as a pellet at the last node.
#include "lamm/lamm_ideal.h"
#include "lamm/lamm_moving_hat_ends.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kSectorVolume = 1.2 * 0.03490658503988659;
// Element Peclet number above which linear elements oscillate at a closed bottom.
constexpr double kLargestClosedPeclet = 2.0;

} // namespace

// A closed bottom piles the species up within D / (s omega^2 b). When the last element is
// wider than twice that, linear elements cannot carry the pile-up: they ring and reach large
// negative values. Back-diffusion from a pile-up that thin reaches no further than the pile-up
// itself, so the grid solves the open bottom, and the amount that left it is shown at the last
// node: the profile is the same everywhere else and the amount in the cell is kept.
void CLammIdeal::DecideBottomPellet() {
    bottomPellet = false;
    if (backDiffusionShutOff || !(s > 0.0) || !(D > 0.0) || inhomogeneousSolvent ||
        secondComponentOn || ConcentrationDependent() || N < 3)
        return;
    const double lastElement = r[N] - r[N - 1];
    bottomPellet = TransportSpeed() * lastElement / D > kLargestClosedPeclet;
}

// Amount in the cell on the current grid (sum of node volume times concentration) and the node
// volume of the last node, in the moving frame at the current time for the moving hat.
void CLammIdeal::GridAmountAndLastVolume(double& amount, double& lastVolume) {
    if (movingHatAlgorithm && !claverieAlgorithm) {
        SetGridEnds(PeriodPhase(t - t0, period));
        amount = ReferenceAmount() * gridE2;
        lastVolume = NodeVolume(N) * gridE2;
        return;
    }
    amount = TotalAmount() / kSectorVolume;
    lastVolume = RadiusNodeVolume(N, N);
}

void CLammIdeal::StartBottomPellet() {
    DecideBottomPellet();
    double lastVolume = 0.0;
    pelletBase = 0.0;
    if (bottomPellet)
        GridAmountAndLastVolume(pelletBase, lastVolume);
}

// The amount that left through the opened bottom (sum of node volume times c), 0 without the
// pellet; lastVolume receives the node volume of the last node.
double CLammIdeal::PelletAmount(double* lastVolume) {
    double amount = 0.0, volume = 0.0;
    if (bottomPellet)
        GridAmountAndLastVolume(amount, volume);
    if (lastVolume != nullptr)
        *lastVolume = volume;
    return bottomPellet ? std::max(pelletBase - amount, 0.0) : 0.0;
}

// Concentration at the last node that holds the amount which left through the opened bottom.
double CLammIdeal::BottomPelletConcentration() {
    double lastVolume = 0.0;
    const double pellet = PelletAmount(&lastVolume);
    return lastVolume > 0.0 ? pellet / lastVolume : 0.0;
}
