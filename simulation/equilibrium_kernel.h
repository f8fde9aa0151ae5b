// The sedimentation-equilibrium exponential of one species of known buoyant molar mass, in
// closed form and in the scans.
#pragma once

// The equilibrium concentration at radius r (cm) of a species of sigma = Mb w^2 / (R T) (1/cm^2)
// whose uniform loading is given, in a cell from meniscus m to bottom b: mass is conserved, so
// the integral of c r dr over [m, b] equals loading (b^2 - m^2) / 2.
double EquilibriumConcentration(double sigma, double loading, double r, double m, double b);

// sigma = Mb w^2 / (R T) (1/cm^2) of a buoyant molar mass Mb (g/mol) at scan k's speed and
// temperature.
double EquilibriumScanSigma(int k, double buoyantMolarMass);

// The equilibrium profile of one species of buoyant molar mass Mb (g/mol) and loading at scan
// k's speed and temperature, at the radii r[1..n] into out[1..n] (0 outside the cell), with the
// detection's smoothing; false when the scan has no rotor speed.
bool EquilibriumScanProfile(int k, double buoyantMolarMass, double loading, const float* r, int n,
                            float* out);

// Adds the equilibrium profile of one species of buoyant molar mass Mb (g/mol) and loading to
// every scan's fit, each scan at its own rotor speed and temperature, between the model's meniscus
// and bottom (0 outside); the optics' radial averaging and the fluorescence convolution and
// bottom shadow are applied as in the sedimentation model. false when meniscus and bottom are not
// set or a scan has no rotor speed.
bool FillEquilibriumKernel(double buoyantMolarMass, double loading);
