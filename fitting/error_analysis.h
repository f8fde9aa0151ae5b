// Uncertainty of a fit: confidence limits of one parameter by the rmsd criterion, and rmsd error
// surfaces over a grid of fixed parameter values.
#pragma once

#include "state/compute_observer.h"

#include <string>

class TXLAWindow;

// Fit-vector slots the searches step: s and D-or-M of the first species, lg(K) of association.
constexpr int kSlotS1 = 5;
constexpr int kSlotS2 = 6;
constexpr int kSlotDOrM1 = 1;
constexpr int kSlotLogK = 22;

// The steps a confidence search takes on each side before it gives up.
constexpr int kConfidenceSteps = 100;

// How one side of a confidence search ended.
enum class LimitSearch { Found, NoCrossing, Stopped };

// The limits a confidence search found; a limit is only meaningful where its search is Found.
struct ConfidenceLimits {
    float lower = 0.0f, upper = 0.0f;
    LimitSearch lowerSearch = LimitSearch::NoCrossing, upperSearch = LimitSearch::NoCrossing;
    bool BothFound() const {
        return lowerSearch == LimitSearch::Found && upperSearch == LimitSearch::Found;
    }
};

// Holds the slot at values stepped by interval away from its current (best-fit) value, refits
// every other floated parameter from the previous step's solution, and stops when the rmsd
// exceeds critical; the crossing is interpolated between the last two steps (at most
// kConfidenceSteps per side). A side whose rmsd stays below critical is NoCrossing; a key press
// stops the search (that side and any not yet searched are Stopped). The best-fit state is
// restored afterwards.
ConfidenceLimits FindConfidenceLimits(TXLAWindow* window, CComputeObserver& observer, int slot,
                                      float interval, float criticalRmsd);
// The same with the limits written to lower and upper; true when both were found (a side not
// found keeps the current value).
bool FindConfidenceLimit(TXLAWindow* window, CComputeObserver& observer, int slot, float interval,
                         float criticalRmsd, float* lower, float* upper);
bool FindConfidenceLimitS(TXLAWindow* window, CComputeObserver& observer, float interval,
                          float criticalRmsd, float* lower, float* upper);
bool FindConfidenceLimitM(TXLAWindow* window, CComputeObserver& observer, float interval,
                          float criticalRmsd, float* lower, float* upper);

// One axis of an error surface: the slot, its range (both ends included) and the increment.
struct SurfaceAxis {
    int slot = 0;
    float minimum = 0.0f, maximum = 0.0f, increment = 0.0f;
};

// Fits the other floated parameters at every grid point (from the start values each time, with
// the start values of s1 and s2 applied where those are not grid axes) and writes "x y rmsd" per
// line ("%e %e %e"; "x rmsd" with one axis), a blank line after each row; with a contour level
// above 0 only the points with rmsd <= level. The best-fit state is restored afterwards. false
// when the file cannot be written or a key press stopped the scan.
bool ScanErrorSurface(TXLAWindow* window, CComputeObserver& observer, const std::string& path,
                      const SurfaceAxis& x, const SurfaceAxis* y, float contourLevel, float startS1,
                      float startS2);
bool ScanErrorSurfaceSM(TXLAWindow* window, CComputeObserver& observer, const std::string& path,
                        const SurfaceAxis& s, const SurfaceAxis& m, float contourLevel,
                        float startS1, float startS2);
bool ScanErrorSurface2D(TXLAWindow* window, CComputeObserver& observer, const std::string& path,
                        const SurfaceAxis& s1, const SurfaceAxis& s2, float contourLevel,
                        float startS1, float startS2);
bool ScanErrorSurfaceK(TXLAWindow* window, CComputeObserver& observer, const std::string& path,
                       const SurfaceAxis& logK);

// The number of grid values of an axis: 0 when the increment does not lead from the minimum to
// the maximum, 1 when they are equal.
int SurfaceAxisCount(const SurfaceAxis& axis);
