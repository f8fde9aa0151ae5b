// The profile of a species that sediments without diffusion.
#pragma once

// out[1..n] at radii[1..n]: 0 above the boundary at m exp(w^2 s t), loading exp(-2 w^2 s t)
// below it (radial dilution), with w^2 s = LammGrid::omega2S (1/s) and m the model's meniscus;
// a radius on the boundary gets half the plateau. Negative s (flotation) moves the boundary from
// the bottom instead.
void NonDiffusingBoundary(double loading, double timeS, const float* radii, float* out, int n);

// The same step in the cells of constant cross-section (ModelChoice switches): in the rectangular
// cells every particle still moves as r0 exp(w^2 s t) with rate = w^2 s (1/s), but the plateau
// dilutes as exp(-w^2 s t) only; in electrophoresis it drifts as r0 + rate t with the drift rate
// (cm/s) and keeps its loading. The external loading cell is taken as rectangular (its narrowing
// lies at the bottom, below the boundary's plateau).
void NonDiffusingBoundaryInCell(double loading, double timeS, const float* radii, float* out, int n,
                                double rate);

// The same species loaded as a zone: a layer widthCm thick at the meniscus, whose two edges
// move as m exp(w^2 s t) and (m + w) exp(w^2 s t) with the plateau between them (half on an
// edge). With emptyZone the layer is the one place without loading: the plateau lies beyond
// the moving outer edge. Negative s moves the inner edge from the bottom, as the step does.
void NonDiffusingZone(double loading, double timeS, const float* radii, float* out, int n,
                      double widthCm, bool emptyZone);

// A step that drifts at rate (cm/s) from the meniscus (from the bottom for a negative rate)
// without dilution: the boundary of a non-diffusing species in electrophoresis.
void DriftingBoundary(double loading, double timeS, const float* radii, float* out, int n,
                      double rate);
