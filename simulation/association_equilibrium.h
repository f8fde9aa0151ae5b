// Sedimentation equilibrium of A + B <-> AB: free A, free B and the complex, each in its own
// exponential, with the complex's buoyant molar mass the sum of its partners'.
#pragma once

// The system in one cell: buoyant molar masses (g/mol), K on the molar scale of the loadings,
// the loadings as total A and total B (molar units) and the signal per unit concentration of A
// and B (the complex carries both).
struct AssociationEquilibrium {
    double mbA = 0.0, mbB = 0.0;
    double K = 0.0;
    double a0 = 0.0, b0 = 0.0;
    double eA = 1.0, eB = 1.0;
};

// The cell averages (molar units) of free A, free B and the complex at equilibrium.
struct AssociationAverages {
    double freeA = 0.0, freeB = 0.0, complex = 0.0;
};

// The averages at sigma = Mb w^2 / (R T) of A and of B (1/cm^2) in the cell from meniscus m to
// bottom b (cm). The reference concentrations of A and B at the meniscus, x and y, satisfy the
// two mass balances x IA + K x y IAB = a0 V and y IB + K x y IAB = b0 V (I the radial integrals
// of the exponentials, V = (b^2 - m^2) / 2); in the averages they become the quadratic mass
// balance of the uniform mixture with K scaled by IAB V / (IA IB), solved in closed form.
AssociationAverages AssociationCellAverages(const AssociationEquilibrium& system, double sigmaA,
                                            double sigmaB, double m, double b);

// The total signal of the system in scan k at the radii r[1..n] into out[1..n], each species at
// the scan's speed and temperature with the detection's smoothing (0 outside the cell from the
// model's meniscus to its bottom); false when the scan has no rotor speed.
bool AssociationScanProfile(int k, const AssociationEquilibrium& system, const float* r, int n,
                            float* out);
