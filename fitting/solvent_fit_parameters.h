// The solute's vbar as a fit parameter of the discrete models in an inhomogeneous solvent.
#pragma once

// True while a discrete-species fit floats the solute's buoyancy vbar: the inhomogeneous-solvent
// model is on and its "fit vbar" box is checked. The species' s is then at standard conditions
// and the solvent scales it by (1 - vbar_b rho(r)) / (1 - vbar rho_w), vbar = ScanStore::vbar,
// vbar_b the buoyancy vbar. In a compressible solvent vbar_b is vbar, and vbar floats. Over a
// sedimenting cosolute vbar_b is the vbar including solvation, and that one floats: vbar itself
// enters only 1 - vbar rho_w there, where s takes up any change of it. Either is told apart from
// s only by a strong density gradient.
bool SolventVbarFloated();

// The same box in a distribution model: its Fit floats the same vbar, where the distribution's
// kernel is made of Lamm solutions in the solvent (the distribution's Fit decides that).
bool SolventVbarBoxCheckedInADistribution();

double ReadSolventVbar();
// Writes a trial value into the floated vbar (ScanStore::vbar with vbarRho and the compressible
// solvent's buoyancy vbar, or the cosolute case's vbar including solvation), kept inside
// SolventVbarLower/Upper. A value that is no finite number leaves it as it was.
void WriteSolventVbar(double v);

// The box of the floated vbar: above 0, and in a compressible solvent on the side of 1 / rho_w
// where vbar is now, kept a little away from it, where the water buoyancy 1 - vbar rho_w
// vanishes and a standard s would move the boundary infinitely fast. Flotation in the dense
// solvent (1 - vbar_b rho(r) < 0) stays inside the box.
double SolventVbarLower();
double SolventVbarUpper();
