// The linear parameters of the discrete models (baseline, species amplitudes, time-invariant and
// radially invariant noise): the ten routines and the choice among them by the model switches.
#pragma once

// Each routine completes ScanStore::fit after the model evaluation has put every species'
// signal in place (into the fit, or into ComponentScans while amplitudes or noise are linear).
// Adds the held baseline; with radially invariant noise switched on, also fits that noise.
void AddBaselineToModel();
// Clears the radially invariant noise; the baseline becomes the mean residual and is added.
void FitBaselineOnly();
// Time-invariant noise with the species as given.
void FitComponentLoadingsSimple();
// Time-invariant and radially invariant noise with the species as given.
void FitRadialNoiseAndBaseline();
// Amplitudes, radially invariant noise and baseline.
void UpdateLinearParametersA();
// Amplitudes, time-invariant and radially invariant noise.
void UpdateLinearParametersB();
// Amplitudes and time-invariant noise.
void UpdateLinearParametersC();
// Radially invariant noise and baseline with the species as given.
void UpdateLinearParametersD();
// Amplitudes and baseline.
void UpdateLinearParametersE();
// Amplitudes, the baseline held and added; with radially invariant noise switched on, also
// that noise.
void UpdateLinearParametersF();

using LinearParameterRoutine = void (*)();
// The routine for the switches time-invariant noise, linear baseline, linear amplitudes and
// radially invariant noise.
LinearParameterRoutine LinearParameterRoutineFor(bool tiNoise, bool baseline, bool amplitudes,
                                                 bool riNoise);
// Runs the routine that ModelChoice::fitTINoise, ModelChoice::linearBaseline,
// ModelChoice::linearAmplitudes and ModelChoice::fitRINoise choose. The model evaluation reaches
// it through FitServices::UpdateLinearParameters (state/fit_services.h).
void UpdateLinearParameters();
// Fills the fit-services table with the routines of this layer.
void InstallFitServices();
