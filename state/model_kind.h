// The model chosen, decoded once from the switches of ModelChoice into one kind, and the traits
// each kind has: the command that chooses it, its name, the distribution it computes, the page
// and shape boxes of its parameters, the abscissa of its range, and the families it belongs to.
// A check of the model chosen reads its row here instead of listing switches, so that a new kind
// without a row is named by the compiler (-Wswitch), not found later in one corner.
#pragma once

#include "state/conti_variant.h"

// One kind per model command of the model menu (its id in the comment).
enum class ModelKind {
    Discrete,               // 198
    LinearLamm,             // 280
    ExternalLoadingCell,    // 281
    ThirdGeometry,          // 282
    ElectrophoresisLamm,    // 291
    MonomerDimer,           // 197
    MonomerTrimer,          // 229
    TetramerOctamer,        // 520
    DimerTetramer,          // 228
    ReactingSystem,         // 267
    NonidealSingle,         // 227
    NonidealMultiple,       // 893
    ZoneSpecies,            // 246
    Equilibrium,            // 284
    EquilibriumAssociation, // 523
    DlsStokesRadii,         // 536
    DlsCumulants,           // 890
    VanHoldeWeischet,       // 292
    LsgExtrapolation,       // 293
    CM,                     // 235
    CMInvariantD,           // 277
    CMPowerLaw,             // 278
    CMPriorVbar,            // 279
    FMvsM,                  // 887
    Cs,                     // 275
    CsConformer,            // 514
    CsInvariantD,           // 526
    CsDiscrete,             // 531
    CsBimodal,              // 548
    CsBimodalDiscrete,      // 870
    CsFloatingVbar,         // 602
    CsWormlikeChain,        // 603
    CsScalingLaw,           // 872
    CsLinearRod,            // 521
    CsMofSTable,            // 587
    CsNonideal,             // 585
    CsFf0,                  // 595
    CsFf0Discrete,          // 598
    LsGStar,                // 288
    LsGStarDiscrete,        // 539
    ZoneCs,                 // 511
    ZoneLsGStar,            // 510
    LsGStarV,               // 501
    CvElectrophoresis,      // 513
    DlsIRh,                 // 503
    DlsIRhTimeCourse,       // 522
    DlsID,                  // 502
};

// The parameter dialog's page of the model.
enum class ParamsPage { Discrete, Distribution, Equilibrium };

// Which shape boxes the distribution page shows for the model.
enum class ParamsShape { None, Bimodal, Conformer, ScalingLaw, WormlikeChain };

// The abscissa of the distribution's range: s (S), M or the buoyant M (Da), the Stokes radius
// (nm), log10 D (D in cm^2/s) or the drift velocity of electrophoresis (1e-4 cm/s). Models without
// a distribution keep a range of s.
enum class RangeAxis { S, Mass, BuoyantMass, StokesRadius, LogD, Velocity };

// The family of the model, which picks the engine of Run: discrete species (Lamm equation,
// association, non-ideality, light scattering), equilibrium, the boundary analyses (van Holde -
// Weischet and the ls-g*(s) extrapolation) or a distribution.
enum class ModelFamily { Discrete, Equilibrium, BoundaryAnalysis, Distribution };

// The kernel parameters a distribution's Fit may float, as it names them when none is.
enum class FitKernel { Ff0, MeniscusBottom, SecondFf0, Vbar, DiscreteComponent };

// The law a distribution's report states for how the model ties s and D to its abscissa.
enum class ReportedLaw { None, OwnVbar, InvariantD, ScalingLaw, PowerLaw, PriorVbar, LinearRod };

// Whether a distribution's rising ends are read as a hint that its range is too small: for the
// c(s) family with one abscissa, for the other single-abscissa distributions only in buffer
// mismatch, never for the boundary analyses, the size-and-shape models, ls-g*(s) or the models
// with a discrete part.
enum class DistributionEnds { Unread, Read, ReadInBufferMismatch };

struct ModelTraits {
    int commandId = 198;
    const char* name = ""; // as the scientist reads it in the parameter report
    ModelFamily family = ModelFamily::Discrete;
    ContiVariant variant = ContiVariant::None; // None: no distribution of this engine
    ParamsPage page = ParamsPage::Discrete;
    ParamsShape shape = ParamsShape::None;
    RangeAxis range = RangeAxis::S;
    DistributionEnds ends = DistributionEnds::Unread;
    bool savedFit = false; // "Update saved fit parameters" keeps a copy (sedimentation data)
    bool molarMassReadout = false;  // the distribution plot reads M at the pointer's s
    bool exported = false;          // the export writes the hybrid discrete - c(s) model
    bool ff0Floats = false;         // the distribution's Fit may float f/f0
    bool floatsVbar = false;        // vbar is the model's own, out of the buoyancy slot
    bool sizeShape = false;         // the grid spans f/f0 beside s
    bool bimodal = false;           // a second f/f0 over an s-range
    bool discreteComponent = false; // a discrete species fitted beside the distribution
    bool showsInvariantD = false;   // the distribution page shows the one D of every point
    bool plainCsSwitch = false;     // runs on the plain c(s) switch (ls-g*, zone and ls-g*(v) too)
    bool lightScatteringSpecies = false; // discrete species fitted to light-scattering data
    FitKernel kernel = FitKernel::Ff0;
    ReportedLaw law = ReportedLaw::None;
};

// The model the switches of ModelChoice stand for: a family's member before its base (ls-g*(s)
// and zone c(s) set the plain c(s) switch too), the plain discrete model when no other is on.
ModelKind CurrentModelKind();

// The row of the kind.
ModelTraits TraitsOf(ModelKind kind);

inline ModelTraits CurrentModelTraits() {
    return TraitsOf(CurrentModelKind());
}

// The model computes a distribution or a boundary analysis: the distribution plot is its own.
inline bool ModelShowsDistribution() {
    const ModelFamily family = CurrentModelTraits().family;
    return family == ModelFamily::Distribution || family == ModelFamily::BoundaryAnalysis;
}

// The distribution's Fit floats f/f0: its box is checked and the model may float it.
bool FrictionalRatioFloated();

// Every kind, in the order of the enumeration.
inline constexpr int kModelKindCount = static_cast<int>(ModelKind::DlsID) + 1;
inline ModelKind ModelKindAt(int index) {
    return static_cast<ModelKind>(index);
}
