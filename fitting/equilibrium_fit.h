// Sedimentation equilibrium of discrete species: the exponential profile of one species in every
// scan, the model evaluation and its fit.
#pragma once

#include "simulation/equilibrium_kernel.h"

class TXLAWindow;

// The equilibrium model of the included species (speciesDOrM holds the buoyant molar mass; the
// first included slot's concentration the total loading, the others' their fractions): their
// profiles, then the linear step the switches choose (baseline, amplitudes, systematic noise)
// completes every scan's fit. The association A + B <-> AB (ModelChoice::
// equilibriumAssociationModel) takes A from species 1 and B from species 2, each with its own
// loading, and log10 K from the association slot; its loadings are never linear amplitudes. With
// amplitudes or noise linear the profiles go onto the common grid, which must exist. false when
// meniscus and bottom are not set, there is no grid while one is needed, or a scan has no rotor
// speed.
bool EvaluateEquilibriumModel(TXLAWindow* window);
