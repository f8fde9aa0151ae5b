// Whether the chosen distribution model fits a discrete component beside its distribution, and
// in which form the component is entered.
#pragma once

// A model with a discrete component is chosen: c(s) with one discrete component (given by s and
// D, or by M and s), c(s, f/f0) with one, c(s) with bimodal f/f0 and one, or ls-g*(s) with one
// discrete Lamm component.
bool DiscreteComponentOn();
// The component is given by its molar mass (else by its diffusion coefficient): the M-and-s form
// of c(s) with one discrete component, and the others while "Fit M and s" is on.
bool DiscreteComponentByMass();
