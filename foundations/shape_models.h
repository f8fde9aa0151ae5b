// Shape models beyond the sphere: ellipsoids of revolution from the frictional ratio, long rods,
// wormlike chains, and the empirical power laws between s, M and vbar.
#pragma once

// Parameters of the shape models, set by the model commands and the fit parameter packing.
struct ShapeModels {
    // Wormlike chain.
    static inline float wormCrossSection = 23.0f;  // dehydrated cross-section, nm^2
    static inline float wormPersistence = 36.0f;   // persistence length, nm
    static inline float wormMonomerMass = 9000.0f; // Da; also the smallest mass of a chain
    static inline float wormHydration = 0.4f;      // g water per g
    // Scaling law s = ks M^a.
    static inline float scalingKs = 0.003f;
    static inline float scalingExponent = 0.667f;
    // Power law of SFromM, s = K M^exponent (the c(M) with a power law s(M) sets both).
    static inline double powerLawK = 0.0159;
    static inline double powerLawExponent = 0.47;
    // VbarFromMass: vbar = offset + increment (M / 10^decade)^(1/3) (the c(M) with prior
    // knowledge vbar(M) sets all three).
    static inline double vbarOffset = 1.04248;
    static inline double vbarIncrement = 0.01909;
    static inline double vbarDecadeExponent = 8.0;
    // Per-call values of the root searches.
    static inline double rodMassPerLength = 0.0; // Da/nm
    static inline double rodTargetS = 0.0;
    static inline double wormTargetS = 0.0;
    static inline bool wormChainSearch = false; // names the chain model in root-search failures

    static void ResetToDefaults() {
        wormCrossSection = 23.0f;
        wormPersistence = 36.0f;
        wormMonomerMass = 9000.0f;
        wormHydration = 0.4f;
        scalingKs = 0.003f;
        scalingExponent = 0.667f;
        powerLawK = 0.0159;
        powerLawExponent = 0.47;
        vbarOffset = 1.04248;
        vbarIncrement = 0.01909;
        vbarDecadeExponent = 8.0;
        rodMassPerLength = rodTargetS = wormTargetS = 0.0;
        wormChainSearch = false;
    }
};

// Axial ratio of a prolate or oblate ellipsoid of revolution (1 for a sphere, 0 when the
// frictional ratio is below that of the hydrated sphere).
float CalculateProlateRatio(float mass, float s, float vbar, float hydration, float density,
                            float relativeViscosity);
float CalculateOblateRatio(float mass, float s, float vbar, float hydration, float density,
                           float relativeViscosity);
float CalculateProlateRatio(float ff0, float vbar, float hydration, float density);
float CalculateOblateRatio(float ff0, float vbar, float hydration, float density);

// s (S) of a rod of mass M with ShapeModels::rodMassPerLength.
double SOfLinearRod(double mass);
double SOfLinearRodResidual(double mass);
double CalculateMofSforLinearRod(float s, float massPerLength);

// s (S) in the current buffer of a wormlike chain of mass M.
float SOfWormlikeChain(double mass);
double WormlikeChainSResidual(double mass);
float CalculateMofSforWormlikeChain(float s);

double SFromMScalingLaw(float mass);
float MFromSScalingLaw(float s);
double SFromM(float mass);
double VbarFromMass(float mass);

// Writes s20,w and M of the distribution grid of a wormlike-chain distribution to path, or to
// "~WormChain_mofs.dat" in the program folder.
bool WriteWormChainMofSTable(const char* path);
bool WriteWormChainMofSTable();
