// Exponential decays of light-scattering autocorrelation functions: the scattering vector of a
// curve, the decay of one diffusion coefficient at the lags, and the kernel rows of the
// distributions over D, over Rh and of the time course.
#pragma once

class ContiKernel;
struct DlsRecord;

// q^2 in 1/m^2 of a curve, held in single precision: q = 4 pi n sin(theta / 2) / lambda with the
// angle in degrees and the wavelength in m.
float DlsScatteringVectorSquared(const DlsRecord& record);

// A exp(-1e-4 D q2 t) for D in cm^2/s, q2 in 1/m^2 and the lag t in s (1e-4: cm^2 to m^2).
double DlsDecay(double amplitude, double D, float q2, double lagS);
// The cumulant expansion around the mean Dc: the decay of Dc times
// (1 + mu2 (1e-4 q2)^2 t^2 / 2 - mu3 (1e-4 q2)^3 t^3 / 6).
double DlsCumulantDecay(double amplitude, double Dc, double mu2, double mu3, float q2, double lagS);

// row[1..n] at the lags 10^logLags[i]: the decay for D > 0; for D <= 0 (nothing moves) the
// amplitude at the first lag and 0 at all others.
void FillDlsDecayRow(double amplitude, double D, float q2, const float* logLags, int n, float* row);

// Kernel rows of grid point p (unit amplitude, diffusion coefficient D) on the kernel's lags for
// the loaded curves: B for every curve, A for the curves first..last of a time-course slice, with
// a key poll per curve that sets the stop switch. The rows pair with the curves' own records.
// With rawLags, B fills each curve's row at that curve's own lags instead (its point count of
// them, at most the kernel's row length; the rest of the row 0).
// A curve held as g(2)-1 shows "no field ACF in DLS distribution model" and ends the filling:
// false, later rows untouched.
bool BuildDlsDistributionKernelB(ContiKernel& kernel, int p, double D, bool rawLags = false);
bool BuildDlsDistributionKernelA(ContiKernel& kernel, int p, double D, int firstCurve,
                                 int lastCurve);
