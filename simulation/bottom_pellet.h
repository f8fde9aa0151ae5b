// A bottom pile-up thinner than the last element of the grid: the solvers open the bottom and
// keep what leaves the grid there as a pellet shown at the last node.
#pragma once

#include <functional>

// Sedimentation velocity at the bottom (cm/s) of s (S) at the final rotor speed.
double BottomTransportSpeed(double s, double bottomCm);

// The running solver's measure of the amount on its grid (sum of node volume times
// concentration) and of the last node's volume.
using GridAmountSource = std::function<void(double& amount, double& lastVolume)>;

// The pellet of one solver run, which the run owns and shows its sink.
class CBottomPellet {
  public:
    // A closed bottom piles the species up within D / (s omega^2 b). When the last element is
    // wider than twice that, linear elements cannot carry the pile-up: they ring and reach large
    // negative values. Back-diffusion from a pile-up that thin reaches no further than the
    // pile-up itself, so the grid solves the open bottom and the amount that left is shown at
    // the last node: the profile is the same everywhere else and the amount in the cell is kept.
    // Decides for the species s (S), D (cm^2/s) and the last element's width, and forgets any
    // earlier pellet.
    void Decide(double lastElement, double s, double D, double bottomCm);
    // The same for a solver whose bottom is closed whatever the back-diffusion shut-off says.
    void DecideClosed(double lastElement, double s, double D, double bottomCm);
    // True while the run holds a pellet: its bottom row is open.
    bool On() const { return on_; }
    // Starts the pellet with the amount on the grid now.
    void Start(GridAmountSource source);
    // The amount that left through the open bottom (node volume times concentration), 0 without.
    double Amount() const;
    // Concentration at the last node that holds that amount.
    double Concentration() const;
    // The run is over: no pellet is shown by later output.
    void End() { *this = CBottomPellet{}; }

  private:
    bool on_ = false;
    GridAmountSource source_;
    double base_ = 0.0; // amount on the grid at the start
};
