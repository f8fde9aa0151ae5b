// Analytic boundaries and the smoothing helpers of the simulation engine: the Faxen-type
// approximate boundary, the complementary error function, the moving average of optical
// densities, the Gaussian radial convolution and the bottom shadow of the excitation cone.
#pragma once

// Complementary error function in single precision (fractional error below 1.2e-7).
float Erfc(float x);

// Faxen-type boundary at time t: out_i = 0.5 c0 exp(-tau) Erfc((tau - 2 ln(r_i/m)) /
// (2 sqrt(eps tau))) with tau = 2 omega^2 s t and eps = 2 D / (omega^2 s m^2); r and out are
// 1-based. Smoothed like the optics for absorbance data with the radial resolution option.
void FaxenApproxProfile(float c0, double t, const float* r, float* out, int n, float omega2s,
                        float d, float meniscus);

// Each y_i becomes -log10 of the mean transmission 10^-y over the points within width/2 of x_i
// (0 when that mean is not positive): the optics average light, not optical density.
void MovingAverageOfLogValues(int n, float width, const float* x, float* y);

// Gaussian radial convolution with the width and range of the radial-convolution detection
// correction, between meniscus and bottom.
void ConvolveRadialGaussian(int n, const float* x, float* y);

// Shadow of the excitation cone at the cell bottom (nothing without a cone width): the value at
// the bottom is halved, points farther than the width from it are unchanged.
void ApplyBottomShadow(int n, const float* x, float* y);
