// Discrete models of light-scattering autocorrelation data: a few species, each a decay with its
// own amplitude, given either as Stokes radii or as the mean diffusion coefficient with the
// second and third cumulants of its spread.
#pragma once

class TXLAWindow;

// True while a discrete light-scattering model is chosen.
bool DiscreteLightScatteringModelChosen();

// D in cm^2/s of a particle of Stokes radius radiusNm at celsius in the buffer.
double StokesRadiusDiffusion(double radiusNm, double celsius);

// Puts the model into every curve's fit: with Stokes radii the sum over the included slots of
// the loading times the decay of the slot's D; with cumulants the decay of slot 1 around its
// mean D, slots 2 and 3 holding the second (1e-14 cm^4/s^2) and third (1e-21 cm^6/s^3)
// cumulants (floated when their slots are on) and the amplitude the total signal. Curves held as
// g(2)-1 get the square of the field decay. With linear amplitudes each component's unit decay
// (or its square) goes into ComponentScans, with a noise fit only the whole model into the first
// slot's; several components on g(2)-1 cannot have linear amplitudes, and the user is offered
// to turn the curves into g(1) instead (nothing computed either way). False, the fit untouched,
// when there are no light-scattering curves or nothing was computed.
bool RunDiscreteLightScatteringModel(TXLAWindow* window);
