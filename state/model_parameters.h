// The model parameters: the individual fields and the packed fit vector the optimisers see.
#pragma once

#include <cstdint>

// Only the fields the scan loaders use so far; slots are 1-based.
struct ModelParameters {
    static constexpr int kFitSlots = 34;
    static inline float meniscus = 0.0f; // cm; 0 = unset (fit slot 13)
    static inline float bottom = 0.0f;   // cm; 0 = unset (fit slot 14)
    static inline std::int32_t meniscusFloat = 0;
    static inline std::int32_t bottomFloat = 0;
    static inline float baseline = 0.0f; // signal units (fit slot 15)
    static inline std::int32_t baselineFloat = 0;
    static inline bool fitBaseline = false;
    static constexpr int maxSpecies = 4;
    // Discrete species slots 1..4: loading (fit slot 8 + k), s in S (fit slot 4 + k), and D in
    // 1e-7 cm^2/s or, while ModelChoice::equilibriumMs is on, M in Da (fit slot k).
    static inline float concentration[5] = {0.0f, 0.5f, 0.5f, 0.5f, 0.5f};
    static inline std::int32_t concentrationFloat[5] = {};
    static inline float speciesS[5] = {0.0f, 4.0f, 4.0f, 4.0f, 4.0f};
    static inline std::int32_t speciesSFloat[5] = {};
    static inline float speciesDOrM[5] = {0.0f, 50000.0f, 50000.0f, 50000.0f, 50000.0f};
    static inline std::int32_t speciesDOrMFloat[5] = {};
    // A fourth value per species (fit slots 16..19), such as the exponent of a scaling law.
    static inline float speciesExponent[5] = {};
    static inline std::int32_t speciesExponentFloat[5] = {};
    // The loading each species was given by the last model evaluation (0 for excluded slots).
    static inline float speciesLoading[5] = {};
    static inline std::int32_t speciesOn[5] = {0, 1, 0, 0, 0};
    static inline std::int32_t (&speciesIncluded)[5] = speciesOn;
    static inline bool experimentalInitialDistribution = false;
    static inline bool constantInitialDistribution = true;
    static inline bool blocalVaryMeniscusWarned = false;
    static inline bool& meniscusWarned = blocalVaryMeniscusWarned;
    static inline bool userMeniscusBottomLimits = false;
    static inline bool variationLimitsSet = false; // all four variation limits are set
    static inline float zoneLayerThickness = 0.1f; // cm, the loaded zone of zone centrifugation
    // Sedimentation time offset: the solution starts at startTime (s) instead of 0.
    static inline bool startTimeOn = false;
    static inline float startTime = 0.0f;
    static inline bool& timeOffsetOn = startTimeOn;
    static inline float& timeOffset = startTime;
    static inline bool fitT0 = false;                 // the time offset is fitted
    static inline float electrophoresisLength = 0.4f; // cm, bottom minus meniscus
    static inline float oilVolume = 0.01f;            // ml, oil of the external loading cell
    // Grid-size options of the Lamm solution
    static inline bool autoGridSize = true;
    static inline float pointsPerSigma = 5.0f;
    static inline std::int32_t maxGridSize = 2000;
    static inline std::int32_t minGridSize = 75;
    // Non-ideal and associating single-component models. The entered values live in the species
    // slots (monomer in 1, dimer, trimer or first oligomer in 2, second oligomer in 3); the model
    // evaluation hands them to the solvers below in S and cm^2/s.
    static inline float assocS1 = 1.0f, assocS2 = 2.0f; // monomer, dimer or trimer (S)
    static inline float assocD1 = 0.0f, assocD2 = 0.0f; // cm^2/s
    static inline float assocLogK = 0.0f;               // log10 Ka (fit slot 22)
    static inline std::int32_t assocLogKFloat = 0;
    static inline bool assocKsOn = false; // the weight-average s is divided by 1 + ks c
    static inline float logKs = -8.0f;    // log10 |ks| (fit slot 23)
    static inline std::int32_t logKsFloat = 0;
    static inline float logKd = -8.0f; // log10 |kd| (fit slot 24)
    static inline std::int32_t logKdFloat = 0;
    static inline bool nonidealPositive = true; // off: ks and kd enter with negative sign
    static inline bool tabulatedNonideality = false;
    static inline bool tabulatedCsCl = false;
    // The association variants: monomer and two oligomers with their two constants; the first
    // constant is the one of slot 22, the second has slot 25.
    static inline float oligoS1 = 0.0f, oligoS2 = 0.0f, oligoS3 = 0.0f;
    static inline float oligoD1 = 0.0f, oligoD2 = 0.0f, oligoD3 = 0.0f;
    static inline float& oligoLogK2 = assocLogK;
    static inline float oligoLogK3 = 0.0f;
    static inline std::int32_t oligoLogK3Float = 0;
    static inline float fitValues[kFitSlots + 1] = {};
    static inline std::int32_t fitFloat[kFitSlots + 1] = {};

    static void ResetToDefaults();
};

// The packed fit vector. Discrete models: D or M of species k in slot k, its s in 4 + k, its
// loading in 8 + k, its fourth value in 15 + k; meniscus, bottom and baseline in 13 to 15; the
// time offset in 20 and the electrophoresis length in 21. Distribution models keep meniscus,
// bottom, baseline and time offset, and hold their own values in the slots below 13.
constexpr int kSlotMeniscus = 13;
constexpr int kSlotBottom = 14;
constexpr int kSlotBaseline = 15;
constexpr int kSlotSpeciesExponent1 = 16;
constexpr int kSlotTimeOffset = 20;
constexpr int kSlotElectrophoresisLength = 21;
// The non-ideal, associating and reacting models: log10 of the (first) association constant,
// log10 |ks| and log10 |kd|, log10 of the second association constant.
constexpr int kSlotAssocLogK = 22;
constexpr int kSlotLogKs = 23;
constexpr int kSlotLogKd = 24;
constexpr int kSlotSecondLogK = 25;
// Distribution models: range and resolution of the distribution grid, the confidence level of
// the regularization, vbar, density, the frictional ratio and the viscosity in Poise.
constexpr int kSlotRangeMin = 1;
constexpr int kSlotConfidenceLevel = 2;
constexpr int kSlotVbar = 3;
constexpr int kSlotResolution = 4;
constexpr int kSlotRangeMax = 5;
constexpr int kSlotFrictionalRatio = 6;
constexpr int kSlotDensity = 7;
// The second frictional ratio of the bimodal c(s), used over its s-range.
constexpr int kSlotSecondFrictionalRatio = 8;
constexpr int kSlotViscosity = 12;

// Copies the individual parameters of the current model family (ModelChoice::contiMode chooses
// the distribution slots) with their float flags into the packed fit vector.
void PackFitParameters();
// Clears the float flag of every slot of the packed fit vector (the individual flags stay, so a
// later pack floats again what the species themselves float).
void FixAllFitParameters();
// Copies the packed fit vector back into the individual parameters: a negative D becomes 1e-10
// (D = 0 stays: a species that does not diffuse); vbar x density and the frictional ratio's two
// copies are kept in step.
void UnpackFitParameters();
// The species values of slots 1 to 12 alone, whatever the model family: files written before the
// distribution slots were packed hold the species there.
void UnpackSpeciesSlots();
