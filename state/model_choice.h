// The model choice switches, set by the model commands and read by Run, Fit and the engines.
#pragma once

// One-byte switches, one per model or model variant; exactly one model is active at a time and
// the program starts in the non-interacting discrete species model.
struct ModelChoice {
    // The model switches that the reset before a new model clears (except the three marked).
    static inline bool nonInteractingSpecies = true; // set again by the reset
    static inline bool lammModel = true;
    static inline bool lammVariant = true;      // solver selection: kept by the reset
    static inline bool geometryVariant = false; // solver for other geometries: kept by the reset
    static inline bool selfAssocMonomerDimer = false;
    static inline bool selfAssocMonomerTrimer = false;
    static inline bool selfAssocTetramerOctamer = false;
    static inline bool selfAssocDimerTetramer = false;
    static inline bool reactingSystem = false;
    static inline bool zoneCentrifugation = false; // analytical zone centrifugation
    static inline bool singleSpecies = false;      // non-ideal single species
    static inline bool multipleSpecies = false;    // non-ideal multiple species
    static inline bool contiMode = false;          // a continuous distribution model is chosen
    static inline bool contiCs = false;            // plain c(s) (also on with ls-g*(s))
    static inline bool lsGStar = false;
    static inline bool lsgDiscrete = false;
    static inline bool csWithBaselineEstimates = false;
    static inline bool csMsTable = false;
    static inline bool electrophoresisLsG = false;
    static inline bool zoneLsGs = false;
    static inline bool zoneCs = false;
    static inline bool dlsIRh = false;
    static inline bool dlsID = false;
    static inline bool csFf0 = false;
    static inline bool csFf0Discrete = false;
    static inline bool dlsIRhTimeCourse = false; // the light-scattering I(Rh,t) time course
    static inline bool cvElectrophoresis = false;
    static inline bool csDiscreteSD = false;
    static inline bool csDiscreteMs = false;
    static inline bool csConformationalChange = false;
    static inline bool csVariant521 = false;
    static inline bool csFloatingVbar = false;
    static inline bool csWormlikeChain = false;
    static inline bool csScalingLaw = false;
    static inline bool fMvsM = false;
    static inline bool csBimodal = false;
    static inline bool csBimodalDiscrete = false;
    static inline bool csInvariantD = false;
    static inline bool cmPriorVbar = false;
    static inline bool cmPowerLaw = false;
    static inline bool cmInvariantD = false;
    static inline bool dlsStokesRadii = false;
    static inline bool dlsCumulants = false;
    static inline bool linearLamm = false;
    static inline bool externalLoadingCell = false;
    static inline bool thirdGeometry = false;
    static inline bool& geometryVariant282 = thirdGeometry;
    static inline bool electrophoresis = false;
    static inline bool gStarFamily = false;      // a boundary analysis (van Holde-Weischet, ...)
    static inline bool vhwFlotation = false;     // van Holde-Weischet of a floating boundary
    static inline bool lsgExtrapolation = false; // the extrapolation of ls-g*(s) area fractions
    static inline bool boundaryPlot = false;     // show the boundary extrapolation plot
    static inline bool equilibriumModel = false;
    static inline bool equilibriumAssociationModel = false;
    static inline bool nonlinearOption = false; // discrete engine option the oligomer models clear

    // Companion settings the model commands change.
    static inline bool fitTINoise = false; // fit time-invariant noise
    static inline bool fitRINoise = false; // fit radially invariant noise
    // Discrete species are given by M and s instead of s and D ("Fit M and s").
    static inline bool equilibriumMs = true;
    static inline bool differenceData = false;
    static inline bool simulationSwitch223 = false;  // the discrete engine of command 223 is on
    static inline bool zoneInverted = false;         // the zone is empty, the rest loaded
    static inline bool inhomogeneousSolvent = false; // "Use Inhomogeneous Solvent Model"
    static inline bool generatingSeries = false;     // "Series" of the Generate menu runs
    // Numerical options of the Lamm solution: the engine picks the algorithm per run while
    // automaticAlgorithm is on; exactly one of movingHatAlgorithm and claverieAlgorithm is set.
    static inline bool automaticAlgorithm = true;
    static inline bool movingHatAlgorithm = true;
    static inline bool claverieAlgorithm = false;
    static inline bool fixedTimeStep = false; // "fix timestep"
    // Species amplitudes are linear parameters: the engines write ComponentScans, not the fit.
    static inline bool linearAmplitudes = false;
    // The baseline is solved algebraically with the other linear parameters of each evaluation.
    static inline bool linearBaseline = false;
    // Species 1 of the discrete model is non-ideal (its s and D depend on concentration).
    static inline bool firstSpeciesNonideal = false;
    // The engines' names of the self-association models whose simulation arrays need the
    // reaction block.
    static inline bool& monomerDimer = selfAssocMonomerDimer;
    static inline bool& monomerTrimer = selfAssocMonomerTrimer;
    static inline bool associationVariantA = false;
    static inline bool associationVariantB = false;
    // Distribution variant whose non-ideality uses the distribution's total concentration: the
    // c(s) variant of command 585 (csWithBaselineEstimates), one switch under both names.
    static inline bool& contiSpeciesVariant = csWithBaselineEstimates;

    // One of the four rapidly self-associating models (197, 229, 520, 228).
    static bool SelfAssociation() {
        return selfAssocMonomerDimer || selfAssocMonomerTrimer || selfAssocTetramerOctamer ||
               selfAssocDimerTetramer;
    }

    // Clears every model switch except nonInteractingSpecies, lammVariant and geometryVariant.
    static void ClearModelSwitches() {
        lammModel = false;
        selfAssocMonomerDimer = selfAssocMonomerTrimer = false;
        selfAssocTetramerOctamer = selfAssocDimerTetramer = false;
        reactingSystem = zoneCentrifugation = singleSpecies = multipleSpecies = false;
        contiMode = contiCs = lsGStar = lsgDiscrete = csWithBaselineEstimates = false;
        csMsTable = electrophoresisLsG = zoneLsGs = zoneCs = dlsIRh = dlsID = false;
        csFf0 = csFf0Discrete = dlsIRhTimeCourse = cvElectrophoresis = false;
        csDiscreteSD = csDiscreteMs = csConformationalChange = csVariant521 = false;
        csFloatingVbar = csWormlikeChain = csScalingLaw = fMvsM = csBimodal = false;
        csBimodalDiscrete = csInvariantD = cmPriorVbar = cmPowerLaw = cmInvariantD = false;
        dlsStokesRadii = dlsCumulants = linearLamm = externalLoadingCell = false;
        thirdGeometry = electrophoresis = gStarFamily = vhwFlotation = false;
        lsgExtrapolation = boundaryPlot = equilibriumModel = false;
        equilibriumAssociationModel = nonlinearOption = false;
        associationVariantA = associationVariantB = false;
    }

    static void ResetToDefaults() {
        ClearModelSwitches();
        nonInteractingSpecies = lammModel = lammVariant = true;
        geometryVariant = false;
        fitTINoise = fitRINoise = false;
        differenceData = false;
        equilibriumMs = true;
        simulationSwitch223 = false;
        zoneInverted = inhomogeneousSolvent = generatingSeries = false;
        automaticAlgorithm = movingHatAlgorithm = true;
        claverieAlgorithm = fixedTimeStep = false;
        linearAmplitudes = false;
        linearBaseline = firstSpeciesNonideal = false;
    }
};
