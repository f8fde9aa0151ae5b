// The inhomogeneous solvent at the nodes of the simulation grid: its viscosity and buoyancy
// factors, and the element integrals that carry them into the finite-element solvers.
#pragma once

#include <vector>

// Node factors over the grid the profile was made for (1-based, element 0 unused): s and D of a
// species at standard conditions become D v_i and s v_i b_i at node i.
struct SolventProfile {
    static inline std::vector<double> viscosityFactor; // eta_w / eta(r_i)
    static inline std::vector<double> buoyancyFactor;  // (1 - vbar rho(r_i)) / (1 - vbar_m rho_w)
    static inline std::vector<double> density;         // compressed solvent density, g/ml
    static inline std::vector<double> cosolute;        // cosolute molarity, M
    static int Size() { return viscosityFactor.empty() ? 0 : int(viscosityFactor.size()) - 1; }
    static void ResetToDefaults();
};

// Viscosity (Pa s) of the solvent at cosolute molarity c from the viscosity(c) coefficients:
// eta_w (a_1 + 1e-3 a_2 sqrt(c) + 1e-2 a_3 c + 1e-3 a_4 c^2 + 1e-4 a_5 c^3); water without them.
double CosoluteViscosity(double c);
// Density (g/ml) at molarity c from the density(c) coefficients:
// b_1 + 1e-3 b_2 sqrt(c) + 1e-2 b_3 c + 1e-3 b_4 c^2 + 1e-4 b_5 c^3 + 1e-6 b_6 c^4; water
// without them.
double CosoluteDensity(double c);

// Density of a compressible solvent at r[1..n]: rho0 at the meniscus rising with the hydrostatic
// pressure of the spinning column, rho0 / (1 - kappa p); kappa per MPa, radii in cm, the speed of
// the first scan (else LammGrid::rotorSpeed).
void CompressedSolventDensity(double* out, const double* r, int n, double rho0, double kappa);

// x times the solvent's buoyancy and viscosity factors at its loading state, without radius
// dependence: the s with which a moving frame follows a species of standard s = x.
double SolventDensityViscosityRatio(double x);

// Fills SolventProfile for the grid r[1..n] at the loading state: the compressible solvent, the
// cosolute with or without the compressibility of water, or neither (both factors 1).
void SolventDensityViscosityProfile(const double* r, int n);

// The element integrals of the grid r[1..n] with the node factors of SolventProfile interpolated
// linearly on each element (indices outside the grid or the profile give 0; i the test, j the
// trial function): integral of r v phi_i' phi_j' and integral of r^2 v b phi_j phi_i'.
double RadialDiffusionElement(int i, int j, const double* r, int n);
double RadialSedimentationElement(int i, int j, const double* r, int n);
// Node values for the fixed-grid assembly: r_i v_i / (r_i - r_(i-1)) and v_i b_i r_i^2.
double RadialFECoefficientA(const double* r, int i);
double RadialFECoefficientB(const double* r, int i);
