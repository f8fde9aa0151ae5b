// The radial detection corrections as pure functions of a profile: excitation cone and Gaussian
// convolution. Profiles and radii are 1-based float vectors of length n, changed in place.
#pragma once

// Weights of the Gaussian exp(-(i h)^2 / sigma^2) at the spacings i = 1..length of an
// equidistant radius grid, with the grid indices inside [meniscus, bottom].
struct ConvolutionTable {
    const float* weights = nullptr; // [1..length]
    int length = 0;
    int first = 0; // first index with r >= meniscus, 0 when none
    int last = 0;  // last index with r <= bottom, 0 when none
};

// The excitation cone of radius a is cut off by the cell bottom: a point at distance d inside the
// bottom keeps the fraction of the cone's cross-section that lies inside the cell. Nothing
// happens for a <= 0.
void ApplyExcitationCone(float* y, const float* r, int n, double bottom, double a);

// Finite radial resolution: each point becomes the exp(-dr^2 / sigma^2)-weighted mean of its
// neighbours within k sigma; positions outside [lower, upper] or beyond the radii count as zero
// signal with full weight. The table form is used when a table with both indices is given.
void ApplyRadialConvolution(float* y, const float* r, int n, double sigma, double k, double lower,
                            double upper, const ConvolutionTable* table = nullptr);
