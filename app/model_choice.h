// The model choice switches, set by the model commands and read by the engines.
#pragma once

// Only the switches read so far by the Lamm solver, the scan loaders and Run.
struct ModelChoice {
    static inline bool linearLamm = false;
    static inline bool externalLoadingCell = false;
    static inline bool thirdGeometry = false;
    static inline bool electrophoresis = false;
    static inline bool fitTINoise = false;      // fit time-invariant noise
    static inline bool fitRINoise = false;      // fit radially invariant noise
    static inline bool equilibriumModel = false;
    static inline bool equilibriumAssociationModel = false;
    // Discrete species are given by M and s instead of s and D ("Fit M and s").
    static inline bool equilibriumMs = true;
    static inline bool differenceData = false;
    static inline bool contiMode = false;   // a continuous distribution model is chosen
    static inline bool gStarFamily = false; // a boundary analysis (ls-g*(s), van Holde-Weischet)
    static inline bool simulationSwitch223 = false; // the discrete engine of command 223 is on
    static inline bool lsgExtrapolation = false; // the extrapolation of ls-g*(s) area fractions
    static inline bool dlsIRhTimeCourse = false; // the light-scattering I(Rh,t) time course
    static inline bool zoneCentrifugation = false;   // analytical zone centrifugation
    static inline bool zoneInverted = false;         // the zone is empty, the rest loaded
    static inline bool inhomogeneousSolvent = false; // "Use Inhomogeneous Solvent Model"
    // Numerical options of the Lamm solution: the engine picks the algorithm per run while
    // automaticAlgorithm is on; exactly one of movingHatAlgorithm and claverieAlgorithm is set.
    static inline bool automaticAlgorithm = true;
    static inline bool movingHatAlgorithm = true;
    static inline bool claverieAlgorithm = false;
    static inline bool fixedTimeStep = false; // "fix timestep"
    // Species amplitudes are linear parameters: the engines write ComponentScans, not the fit.
    static inline bool linearAmplitudes = false;
    // Models whose simulation arrays need the reaction or the non-ideal block.
    static inline bool reactingSystem = false; // A + B <-> AB
    static inline bool monomerDimer = false;
    static inline bool monomerTrimer = false;
    static inline bool associationVariantA = false;
    static inline bool associationVariantB = false;
    static inline bool singleSpecies = false; // non-ideal single species
    // Distribution variant whose non-ideality uses the distribution's total concentration.
    static inline bool contiSpeciesVariant = false;

    static void ResetToDefaults()
    {
        linearLamm = externalLoadingCell = thirdGeometry = electrophoresis = false;
        fitTINoise = fitRINoise = equilibriumModel = equilibriumAssociationModel = false;
        differenceData = false;
        equilibriumMs = true;
        contiMode = gStarFamily = lsgExtrapolation = dlsIRhTimeCourse = false;
        simulationSwitch223 = false;
        zoneCentrifugation = zoneInverted = inhomogeneousSolvent = false;
        automaticAlgorithm = movingHatAlgorithm = true;
        claverieAlgorithm = fixedTimeStep = false;
        reactingSystem = monomerDimer = monomerTrimer = linearAmplitudes = false;
        associationVariantA = associationVariantB = singleSpecies = contiSpeciesVariant = false;
    }
};
