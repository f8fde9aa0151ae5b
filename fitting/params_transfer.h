// The transfer record of the model parameters dialog: one page per model family, filled from the
// parameter store, checked, and applied back to it as a whole.
#pragma once

#include "state/model_kind.h"

#include <cstdint>
#include <string>

// The page of the model now chosen.
ParamsPage CurrentParamsPage();

// Text of a number box: at most kParamsTextLimit - 1 characters and a terminator. The record's
// fields are laid out in the order of the dialog's controls (each edit takes this many bytes,
// each check box and radio button a u32), so the dialog reads and writes it directly.
constexpr unsigned kParamsTextLimit = 16;

struct ParamsValue {
    char text[kParamsTextLimit];
};
// A value the fit can move, with its "float" check box.
struct ParamsFittable {
    char text[kParamsTextLimit];
    std::uint32_t floated;
};

// Meniscus, bottom and baseline, the systematic noise and the initial distribution, common to
// every page.
struct ParamsCellTransfer {
    ParamsFittable meniscus;
    ParamsFittable bottom;
    ParamsFittable baseline;
    std::uint32_t tiNoise;
    std::uint32_t riNoise;
    std::uint32_t experimentalInitial; // radio 429
    std::uint32_t constantInitial;     // radio 430
};

struct DiscreteSpeciesTransfer {
    std::uint32_t included;
    ParamsFittable loading; // signal units
    ParamsFittable s;       // S
    ParamsFittable dOrM;    // D in 1e-7 cm^2/s, or M in kDa in the M-and-s form
};
// The constants of the models whose s and D depend on concentration, decimal logarithms: the
// (first) association constant, ks and kd, the second association constant. On the page only
// while such a model is chosen.
struct ConcentrationDependenceTransfer {
    ParamsFittable logK;
    ParamsFittable logKs;
    ParamsFittable logKd;
    ParamsFittable secondLogK;
};
struct DiscreteParamsTransfer {
    DiscreteSpeciesTransfer species[4];
    std::uint32_t linearAmplitudes;
    ParamsCellTransfer cell;
    // The sedimentation time offset (s), 0 while it is off; its float box fits it.
    ParamsFittable timeOffset;
    ConcentrationDependenceTransfer dependence;
};

// The discrete page shows the concentration dependence (a non-ideal, self-associating or
// reacting model is chosen).
bool ParamsShowConcentrationDependence();
// Labels of its four boxes for the model chosen.
const char* ParamsFirstConstantLabel();

// The values of the c(s) members that tie M to s. A page shows the boxes of the model chosen
// only (ParamsShapeBoxes), after the discrete component's.
struct ShapeParamsTransfer {
    ParamsValue bimodalSMin; // S
    ParamsValue bimodalSMax;
    ParamsFittable bimodalFf0;
    ParamsValue conformerSMin; // S
    ParamsValue conformerSMax;
    ParamsValue conformerM; // kDa
    ParamsValue scalingKs;  // S, for M in Da
    ParamsValue scalingExponent;
    ParamsValue wormCrossSection; // nm^2
    ParamsValue wormPersistence;  // nm
    ParamsValue wormMonomerMass;  // Da
    ParamsValue wormHydration;    // g/g
};

// The wormlike chain's labels, as the model names them.
inline constexpr const char* kWormCrossSectionLabel = "dehydrated cross- section (nm^2)";
inline constexpr const char* kWormPersistenceLabel = "persistence length (nm)";
inline constexpr const char* kWormMonomerMassLabel = "monomer Mw (Da)";
inline constexpr const char* kWormHydrationLabel = "hydration (g/g)";

// Which shape boxes the distribution page shows for the model chosen.
ParamsShape ParamsShapeBoxes();
// The distribution page shows vbar with its float box (the floating-vbar c(s)).
bool ParamsShowVbar();
// The distribution page shows the invariant D (c(s) or c(Mb) with invariant D).
bool ParamsShowInvariantD();

struct DistributionParamsTransfer {
    ParamsValue rangeMin; // in the unit of DistributionRangeQuantity()
    ParamsValue rangeMax;
    ParamsValue resolution; // grid points
    std::uint32_t logGrid;  // grid points equidistant in the logarithm of the abscissa
    ParamsFittable ff0;
    ParamsValue confidenceLevel;
    // vbar (ml/g) of the distribution's species, on the page of the floating-vbar c(s) that fits
    // it.
    ParamsFittable vbar;
    ParamsCellTransfer cell;
    std::uint32_t calibrate; // ask for a new s(M) power-law calibration after OK; kept until done
    // The discrete component, closing the record: on the page only while a model with one is
    // chosen. Its s in S, and its M in kDa or its D in 1e-7 cm^2/s.
    ParamsFittable componentS;
    ParamsFittable componentMOrD;
    ShapeParamsTransfer shape;
    // The one diffusion coefficient (1e-7 cm^2/s) of the invariant-D models, on the page with them.
    ParamsValue invariantD;
};

struct EquilibriumSpeciesTransfer {
    std::uint32_t included;
    ParamsFittable loading;     // total loading (first species) or fraction of it (the others)
    ParamsFittable buoyantMass; // kDa
};
struct EquilibriumParamsTransfer {
    EquilibriumSpeciesTransfer species[4];
    std::uint32_t linearAmplitudes;
    ParamsCellTransfer cell;
    // log10 of the association constant, closing the record: on the page only while the
    // association A + B <-> AB is chosen (A species 1, B species 2, each with its own loading).
    ParamsFittable logK;
};
// The equilibrium page shows the association A + B <-> AB.
bool ParamsShowAssociation();

// The record the main window keeps between uses of the dialog.
struct ParamsTransfer {
    DiscreteParamsTransfer discrete;
    DistributionParamsTransfer distribution;
    EquilibriumParamsTransfer equilibrium;
};

// Empties the record (every text "", every box unchecked, the constant initial distribution).
void InitParamsTransfer(ParamsTransfer& transfer);
// Fills the page from the parameter store, with the values as they are now.
void FillParamsTransfer(ParamsTransfer& transfer, ParamsPage page);
// Why the page cannot be applied, naming the field: a box that is not wholly one finite number,
// a meniscus not below the bottom, a range whose minimum is not below its maximum. Empty when
// the page can be applied.
std::string CheckParamsTransfer(const ParamsTransfer& transfer, ParamsPage page);
// Writes the checked page into the store at once: the values (a text left as it was filled keeps
// its value exactly), the float flags, the switches, the packed fit vector, the frictional ratio's
// two copies, the species grid arrays and the default meniscus and bottom bounds. False, with the
// store untouched, when CheckParamsTransfer refuses the page.
bool ApplyParamsTransfer(const ParamsTransfer& transfer, ParamsPage page);

// Unit of the signal (loadings and baseline) for the loaded data: "fringes" or "OD".
const char* SignalUnit();
// The distribution range is a molar-mass range (shown in kDa) rather than an s range.
bool DistributionRangeIsMass();
