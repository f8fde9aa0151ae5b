// Program-wide physical constants (single precision, never written) and the fallback diffusion
// coefficient of the hydrodynamic formulas.
#pragma once

struct PhysicalConstants {
    static constexpr float avogadro = 6.02214e23f;    // 1/mol
    static constexpr float gasConstant = 8.314472e7f; // erg/(mol K)
    static constexpr float boltzmann = 1.38065e-23f;  // J/K
    static constexpr float pi = 3.1415927f;
    static constexpr float waterViscosity = 0.001002f; // Pa s at 20 C
    static constexpr float waterDensity = 0.99823f;    // g/ml at 20 C
};

// Returned by the diffusion formulas for unusable input, cm^2/s.
inline constexpr float kDefaultDiffusion = 1e-4f;
