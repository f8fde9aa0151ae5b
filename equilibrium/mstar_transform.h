// The M* analysis of one equilibrium data set: its working copy, the signal extrapolated to the
// meniscus, M*(r), ln c against r^2 with its straight line, the apparent weight-average molar
// mass, M* extrapolated to the bottom, the loading signal and the hinge point, and the baseline
// estimate. The steps read the settings of MStarState and write the set they are given.
#pragma once

#include "state/mstar_state.h"

// Radii, limits and baseline of one computation: meniscus m, bottom B, fitting limits L and R
// (cm), baseline b in signal units.
struct MStarFrame {
    float meniscus = 0.0f, bottom = 0.0f, left = 0.0f, right = 0.0f, baseline = 0.0f;
    // The integral's interval around the meniscus counts with the share (r_j+1 - m)/(r_j+1 - r_j)
    // of its rectangle (the analysis of one data set), else whole.
    bool shareOfFirstInterval = false;
};

// K = (1 - vbar rho) omega^2 / (2RT) of a rotor speed with the scan store's solution values.
double MStarKFactor(float rpm);

// The working copy of a scan: radius and signal [1..n] extended by 0.001-cm points of zero
// signal down to the meniscus and up to the bottom; firstFit and lastFit are the scan's fit
// indices (0 = first or last point). With fit values given, cmFit holds them between meniscus
// and bottom (0 elsewhere and on the added points).
void PrepareMStarSet(MStarSet& set, const float* radius, const float* signal, int n, int firstFit,
                     int lastFit, float meniscus, float bottom, const float* fit = nullptr);
// Every step for one set, in order; meniscusFitRange and bottomFitRange as in MStarState. With
// c(M) smoothing on, false when the set's c(M) fit cannot carry it (CMFitUsable); nothing is
// computed then.
bool ComputeMStarSet(MStarSet& set, const MStarFrame& frame, double kFactor);
// The c(M) fit of a set can replace the data near meniscus and bottom: it has a positive value
// with a successor to draw the line to the meniscus, and two points before the one nearest the
// bottom for the line to the bottom.
bool CMFitUsable(const MStarSet& set);

// The steps, also used alone. The two extrapolations return false (and keep their previous
// result) when their range holds no more points than the order.
bool ExtrapolateSignalToMeniscus(MStarSet& set, const MStarFrame& frame);
void ComputeMStarValues(MStarSet& set, const MStarFrame& frame);
void ComputeLnC(MStarSet& set, const MStarFrame& frame);
void FitLnCLine(MStarSet& set);
void ComputeApparentMw(MStarSet& set);
bool ExtrapolateMStarToBottom(MStarSet& set, const MStarFrame& frame);

// The loading signal 2 / (B^2 - m^2) x integral from m to B of (c - b) r dr: the data up to R,
// the signal extrapolated over bottomFitRange beyond. 0 (after the message) when that range
// holds too few points.
float EstimateLoadingSignal(const MStarSet& set, const MStarFrame& frame);
// The apparent molar mass (kDa) at the hinge: the first window of radial width w whose mean
// signal above the baseline exceeds the loading signal s. 0 when there is none; else the window's
// mean, first and last radius are written to the places given.
float HingePointMapp(const MStarSet& set, float s, float w, float baseline, float* hingeRadius,
                     float* firstRadius, float* lastRadius);

// The baseline estimate of one set: q = j / (r^2 - m^2) against p = integral of j r dr from the
// meniscus / (r^2 - m^2), j the working signal; a straight line through the points
// first..last gives the baseline -2 x intercept / slope. False (baseline untouched) with too few
// points or a line without a finite slope.
struct BaselineEstimate {
    std::vector<float> p, q;         // [1..n]
    std::vector<float> gridX, gridY; // [1..100]: the line from 0 to p[last]
    float baseline = 0.0f;
};
bool EstimateBaseline(const MStarSet& set, float meniscus, int first, int last,
                      BaselineEstimate& out);
