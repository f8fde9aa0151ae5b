// The solute's vbar as a fit parameter of the discrete models in an inhomogeneous solvent.
#pragma once

// True while a discrete-species fit floats ScanStore::vbar: the inhomogeneous-solvent model is
// on and its "fit vbar" box is checked. The species' s is then at standard conditions, and vbar
// shapes the buoyancy (1 - vbar rho(r)) / (1 - vbar rho_w) along the cell; only a strong density
// gradient tells it apart from s.
bool SolventVbarFloated();

double ReadSolventVbar();
// Writes a trial vbar into ScanStore::vbar (with vbarRho and, outside the cosolute case, the
// buoyancy vbar of the solvent), kept inside SolventVbarLower/Upper. A value that is no finite
// number leaves vbar as it was.
void WriteSolventVbar(double v);

// The box of a fitted vbar: above 0 and on the side of 1 / rho_w where vbar is now, kept a
// little away from it, where the water buoyancy 1 - vbar rho_w vanishes and a standard s would
// move the boundary infinitely fast. Flotation in the dense solvent (1 - vbar rho(r) < 0) stays
// inside the box.
double SolventVbarLower();
double SolventVbarUpper();
