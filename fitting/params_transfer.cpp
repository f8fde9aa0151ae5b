// Filling, checking and applying the parameters dialog's transfer record.
#include "fitting/params_transfer.h"

#include "fitting/discrete_component_choice.h"
#include "fitting/model_units.h"
#include "foundations/c_locale.h"
#include "foundations/input_boxes.h"
#include "foundations/shape_models.h"
#include "scandata/fit_limits.h"
#include "scandata/scan_data_kind.h"
#include "scandata/slot_grid_arrays.h"
#include "simulation/nonideal_model_run.h"
#include "state/conti_state.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/scan_store.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <vector>

namespace {

using M = ModelParameters;

// The record lays the controls' fields end to end; no padding may shift them.
static_assert(sizeof(ParamsFittable) == kParamsTextLimit + 4);
static_assert(sizeof(ParamsCellTransfer) == 3 * sizeof(ParamsFittable) + 16);
static_assert(sizeof(DiscreteSpeciesTransfer) == 4 + 3 * sizeof(ParamsFittable));
static_assert(sizeof(DiscreteParamsTransfer) == 4 * sizeof(DiscreteSpeciesTransfer) + 4 +
                                                    sizeof(ParamsCellTransfer) +
                                                    5 * sizeof(ParamsFittable));
static_assert(sizeof(ShapeParamsTransfer) == 11 * sizeof(ParamsValue) + sizeof(ParamsFittable));
static_assert(sizeof(DistributionParamsTransfer) ==
              5 * sizeof(ParamsValue) + 4 * sizeof(ParamsFittable) + sizeof(ParamsCellTransfer) +
                  8 + sizeof(ShapeParamsTransfer));
static_assert(sizeof(EquilibriumParamsTransfer) == 4 * sizeof(EquilibriumSpeciesTransfer) + 4 +
                                                       sizeof(ParamsCellTransfer) +
                                                       sizeof(ParamsFittable));

// One number box of a page: its text, its name in messages, the stored value it shows (stored =
// shown x scale) and, for a fittable value, its float box and the flag that box sets.
struct NumberField {
    char* text;
    std::string name;
    float* value;
    double scale = 1.0;
    std::uint32_t* floatBox = nullptr;
    std::int32_t* flag = nullptr;
    int* intFlag = nullptr;
    bool* boolFlag = nullptr;
    // The value counts only while this switch is on: shown as 0 while it is off, and the switch
    // follows what OK leaves in the box (on for a value other than 0 or a floated one).
    bool* onSwitch = nullptr;
};

std::string SpeciesName(const char* what, int k, const char* unit) {
    char name[80];
    std::snprintf(name, sizeof name, "%s of species %d (%s)", what, k, unit);
    return name;
}

// The cumulants are values of the one decay, not of a species.
std::string SpeciesName(const ShownQuantity& q, int k) {
    if (!*q.unit)
        return SpeciesName("value", k, q.name);
    if (!ModelChoice::contiMode && ModelChoice::dlsCumulants)
        return std::string(q.name) + " (" + q.unit + ")";
    return SpeciesName(q.name, k, q.unit);
}

constexpr const char* kVbarName = "partial specific volume vbar (ml/g)";
constexpr const char* kInvariantDName = "invariant D (1e-7 cm^2/s)";
constexpr const char* kScalingKsName = "scaling law ks (S, M in Da)";
constexpr const char* kScalingExponentName = "scaling law exponent a";
constexpr const char* kTimeOffsetName = "time offset (s)";

// The first species holds the total loading, the others their fractions of it; in the
// association A and B each hold their own.
std::string LoadingName(int k, const std::string& signalUnit, bool own = false) {
    return k == 1 || own ? SpeciesName("loading", k, signalUnit.c_str())
                         : SpeciesName("fraction", k, "of the loading");
}

void CellFields(ParamsCellTransfer& c, std::vector<NumberField>& out) {
    out.push_back({c.meniscus.text, "meniscus (cm)", &M::meniscus, 1.0, &c.meniscus.floated,
                   &M::meniscusFloat});
    out.push_back(
        {c.bottom.text, "bottom (cm)", &M::bottom, 1.0, &c.bottom.floated, &M::bottomFloat});
    out.push_back({c.baseline.text, std::string("baseline (") + SignalUnit() + ")", &M::baseline,
                   1.0, &c.baseline.floated, &M::baselineFloat});
}

// The boxes of the model's shape assumption, labelled as on the page.
void ShapeFields(ShapeParamsTransfer& t, std::vector<NumberField>& out) {
    using C = ContiState;
    using SM = ShapeModels;
    switch (ParamsShapeBoxes()) {
    case ParamsShape::Bimodal: {
        out.push_back({t.bimodalSMin.text, "second f/f0 range minimum (S)", &C::bimodalSMin});
        out.push_back({t.bimodalSMax.text, "second f/f0 range maximum (S)", &C::bimodalSMax});
        NumberField ff0{t.bimodalFf0.text, "second frictional ratio f/f0", &C::bimodalFf0, 1.0,
                        &t.bimodalFf0.floated};
        ff0.intFlag = &C::bimodalFf0Float;
        out.push_back(ff0);
        break;
    }
    case ParamsShape::Conformer:
        out.push_back({t.conformerSMin.text, "conformer range minimum (S)", &C::conformerSMin});
        out.push_back({t.conformerSMax.text, "conformer range maximum (S)", &C::conformerSMax});
        out.push_back({t.conformerM.text, "conformer molar mass (kDa)", &C::conformerM, 1000.0});
        break;
    case ParamsShape::ScalingLaw:
        out.push_back({t.scalingKs.text, kScalingKsName, &SM::scalingKs});
        out.push_back({t.scalingExponent.text, kScalingExponentName, &SM::scalingExponent});
        break;
    case ParamsShape::WormlikeChain:
        out.push_back({t.wormCrossSection.text, kWormCrossSectionLabel, &SM::wormCrossSection});
        out.push_back({t.wormPersistence.text, kWormPersistenceLabel, &SM::wormPersistence});
        out.push_back({t.wormMonomerMass.text, kWormMonomerMassLabel, &SM::wormMonomerMass});
        out.push_back({t.wormHydration.text, kWormHydrationLabel, &SM::wormHydration});
        break;
    case ParamsShape::None:
        break;
    }
}

// The number boxes of the page in the order of the page.
std::vector<NumberField> Fields(ParamsTransfer& t, ParamsPage page) {
    std::vector<NumberField> f;
    const std::string signal = SignalUnit();
    switch (page) {
    case ParamsPage::Discrete: {
        const ShownQuantity sq = SpeciesSQuantity();
        for (int k = 1; k <= M::maxSpecies; ++k) {
            DiscreteSpeciesTransfer& s = t.discrete.species[k - 1];
            const ShownQuantity dq = SpeciesDOrMQuantity(k);
            f.push_back({s.loading.text, LoadingName(k, signal), &M::concentration[k], 1.0,
                         &s.loading.floated, &M::concentrationFloat[k]});
            f.push_back({s.s.text, SpeciesName(sq, k), &M::speciesS[k], sq.scale, &s.s.floated,
                         &M::speciesSFloat[k]});
            f.push_back({s.dOrM.text, SpeciesName(dq, k), &M::speciesDOrM[k], dq.scale,
                         &s.dOrM.floated, &M::speciesDOrMFloat[k]});
        }
        CellFields(t.discrete.cell, f);
        NumberField offset{t.discrete.timeOffset.text, kTimeOffsetName, &M::timeOffset, 1.0,
                           &t.discrete.timeOffset.floated};
        offset.boolFlag = &M::fitT0;
        offset.onSwitch = &M::timeOffsetOn;
        f.push_back(offset);
        if (ParamsShowConcentrationDependence()) {
            ConcentrationDependenceTransfer& d = t.discrete.dependence;
            f.push_back({d.logK.text, ParamsFirstConstantLabel(), &M::assocLogK, 1.0,
                         &d.logK.floated, &M::assocLogKFloat});
            f.push_back(
                {d.logKs.text, "log10(ks)", &M::logKs, 1.0, &d.logKs.floated, &M::logKsFloat});
            f.push_back(
                {d.logKd.text, "log10(kd)", &M::logKd, 1.0, &d.logKd.floated, &M::logKdFloat});
            f.push_back({d.secondLogK.text, "log10(Ka) of the second oligomer", &M::oligoLogK3, 1.0,
                         &d.secondLogK.floated, &M::oligoLogK3Float});
        }
        break;
    }
    case ParamsPage::Distribution: {
        DistributionParamsTransfer& d = t.distribution;
        const ShownQuantity range = DistributionRangeQuantity();
        f.push_back({d.rangeMin.text, std::string("range minimum (") + range.unit + ")",
                     &ContiState::rangeMin, range.scale});
        f.push_back({d.rangeMax.text, std::string("range maximum (") + range.unit + ")",
                     &ContiState::rangeMax, range.scale});
        f.push_back({d.resolution.text, "resolution (grid points)", &ContiState::resolution});
        NumberField ff0{d.ff0.text, "frictional ratio f/f0", &ContiState::ff0, 1.0, &d.ff0.floated};
        ff0.intFlag = &ContiState::ff0Float;
        f.push_back(ff0);
        f.push_back({d.confidenceLevel.text, "confidence level P", &ContiState::confidenceLevel});
        if (ParamsShowVbar()) {
            NumberField vbar{d.vbar.text, kVbarName, &ScanStore::vbar, 1.0, &d.vbar.floated};
            vbar.intFlag = &ContiState::vbarFloat;
            f.push_back(vbar);
        }
        CellFields(d.cell, f);
        if (DiscreteComponentOn()) {
            NumberField s{d.componentS.text, "s of the discrete component (S)",
                          &ContiState::discreteS, 1.0, &d.componentS.floated};
            s.intFlag = &ContiState::discreteSFloat;
            f.push_back(s);
            const bool mass = DiscreteComponentByMass();
            NumberField mOrD{d.componentMOrD.text,
                             mass ? "M of the discrete component (kDa)"
                                  : "D of the discrete component (1e-7 cm^2/s)",
                             mass ? &ContiState::discreteM : &ContiState::discreteD,
                             mass ? 1000.0 : 1.0, &d.componentMOrD.floated};
            mOrD.intFlag = mass ? &ContiState::discreteMFloat : &ContiState::discreteDFloat;
            f.push_back(mOrD);
        }
        ShapeFields(d.shape, f);
        if (ParamsShowInvariantD())
            f.push_back({d.invariantD.text, kInvariantDName, &ContiState::invariantD, 1e-7});
        break;
    }
    case ParamsPage::Equilibrium:
        for (int k = 1; k <= M::maxSpecies; ++k) {
            EquilibriumSpeciesTransfer& s = t.equilibrium.species[k - 1];
            f.push_back({s.loading.text, LoadingName(k, signal, ParamsShowAssociation()),
                         &M::concentration[k], 1.0, &s.loading.floated, &M::concentrationFloat[k]});
            f.push_back({s.buoyantMass.text, SpeciesName("buoyant molar mass", k, "kDa"),
                         &M::speciesDOrM[k], 1000.0, &s.buoyantMass.floated,
                         &M::speciesDOrMFloat[k]});
        }
        CellFields(t.equilibrium.cell, f);
        if (ParamsShowAssociation())
            f.push_back({t.equilibrium.logK.text, "log10(Ka)", &M::assocLogK, 1.0,
                         &t.equilibrium.logK.floated, &M::assocLogKFloat});
        break;
    }
    return f;
}

// The shortest text that reads back as the same float.
// Plain decimals are preferred ("500000", not "5e+05") while they stay short; the exponent form
// needs at most 15 characters ("-1.17549435e-38").
void FormatValue(float value, char* text) {
    constexpr int kPlainLimit = 12;
    auto r = std::to_chars(text, text + kPlainLimit, value, std::chars_format::fixed);
    if (r.ec != std::errc())
        r = std::to_chars(text, text + kParamsTextLimit - 1, value);
    *(r.ec == std::errc() ? r.ptr : text) = '\0';
}

void Shown(const NumberField& f, char* text) {
    if (f.onSwitch && !*f.onSwitch) {
        FormatValue(0.0f, text);
        return;
    }
    FormatValue(f.scale == 1.0 ? *f.value : static_cast<float>(*f.value / f.scale), text);
}

// A box that stands for a switch and its value (NumberField::onSwitch): the switch is on for a
// value other than 0 or a floated one. A value hidden while the switch is off stays while it
// stays off.
void ApplySwitched(const NumberField& f, float value) {
    char shown[kParamsTextLimit];
    Shown(f, shown);
    const bool changed = std::strcmp(shown, f.text) != 0;
    const float entered = changed ? value : *f.onSwitch ? *f.value : 0.0f;
    const bool on = *f.floatBox != 0 || entered != 0.0f;
    if (changed || on)
        *f.value = entered;
    *f.onSwitch = on;
}

double TextNumber(const char* text) {
    CLocaleScope cLocale;
    return std::strtod(text, nullptr);
}

// The value a box stores: a text left as it was filled keeps the stored value bit for bit.
float StoredValue(const NumberField& f) {
    char shown[kParamsTextLimit];
    Shown(f, shown);
    if (std::strcmp(shown, f.text) == 0)
        return *f.value;
    return static_cast<float>(TextNumber(f.text) * f.scale);
}

void SetBox(std::uint32_t& box, bool on) {
    box = on ? 1u : 0u;
}

ParamsCellTransfer& Cell(ParamsTransfer& t, ParamsPage page) {
    switch (page) {
    case ParamsPage::Distribution:
        return t.distribution.cell;
    case ParamsPage::Equilibrium:
        return t.equilibrium.cell;
    default:
        return t.discrete.cell;
    }
}

std::uint32_t* IncludedBox(ParamsTransfer& t, ParamsPage page, int k) {
    if (page == ParamsPage::Discrete)
        return &t.discrete.species[k - 1].included;
    if (page == ParamsPage::Equilibrium)
        return &t.equilibrium.species[k - 1].included;
    return nullptr;
}

std::uint32_t* LinearAmplitudesBox(ParamsTransfer& t, ParamsPage page) {
    if (page == ParamsPage::Discrete)
        return &t.discrete.linearAmplitudes;
    if (page == ParamsPage::Equilibrium)
        return &t.equilibrium.linearAmplitudes;
    return nullptr;
}

} // namespace

ParamsShape ParamsShapeBoxes() {
    return CurrentModelTraits().shape;
}

bool ParamsShowConcentrationDependence() {
    return NonidealSingleModelChosen() || ModelChoice::reactingSystem ||
           ModelChoice::multipleSpecies;
}

const char* ParamsFirstConstantLabel() {
    using C = ModelChoice;
    if (C::monomerTrimer)
        return "log10(Ka13)";
    if (C::selfAssocTetramerOctamer || C::selfAssocDimerTetramer || C::associationVariantA ||
        C::associationVariantB)
        return "log10(Ka) of the first oligomer";
    return "log10(Ka)";
}

bool ParamsShowAssociation() {
    return ModelChoice::equilibriumAssociationModel;
}

ParamsPage CurrentParamsPage() {
    return CurrentModelTraits().page;
}

const char* SignalUnit() {
    return ScanDataKind::interference ? "fringes" : "OD";
}

bool ParamsShowVbar() {
    return CurrentModelKind() == ModelKind::CsFloatingVbar;
}

bool ParamsShowInvariantD() {
    return CurrentModelTraits().showsInvariantD;
}

bool DistributionRangeIsMass() {
    const RangeAxis axis = CurrentModelTraits().range;
    return axis == RangeAxis::Mass || axis == RangeAxis::BuoyantMass;
}

void InitParamsTransfer(ParamsTransfer& transfer) {
    std::memset(&transfer, 0, sizeof transfer);
    for (ParamsPage page :
         {ParamsPage::Discrete, ParamsPage::Distribution, ParamsPage::Equilibrium})
        Cell(transfer, page).constantInitial = 1;
}

void FillParamsTransfer(ParamsTransfer& transfer, ParamsPage page) {
    for (NumberField& f : Fields(transfer, page)) {
        Shown(f, f.text);
        if (f.floatBox)
            SetBox(*f.floatBox, f.flag      ? *f.flag != 0
                                : f.intFlag ? *f.intFlag != 0
                                            : f.boolFlag && *f.boolFlag);
    }
    if (page == ParamsPage::Distribution)
        SetBox(transfer.distribution.logGrid, ContiState::logGrid);
    for (int k = 1; k <= M::maxSpecies; ++k)
        if (std::uint32_t* box = IncludedBox(transfer, page, k))
            SetBox(*box, M::speciesIncluded[k] != 0);
    if (std::uint32_t* box = LinearAmplitudesBox(transfer, page))
        SetBox(*box, ModelChoice::linearAmplitudes);
    ParamsCellTransfer& cell = Cell(transfer, page);
    SetBox(cell.tiNoise, ModelChoice::fitTINoise);
    SetBox(cell.riNoise, ModelChoice::fitRINoise);
    SetBox(cell.experimentalInitial, M::experimentalInitialDistribution);
    SetBox(cell.constantInitial, !M::experimentalInitialDistribution);
}

std::string CheckParamsTransfer(const ParamsTransfer& transfer, ParamsPage page) {
    // Read only: the fields are built over a record the caller may not change.
    auto& t = const_cast<ParamsTransfer&>(transfer);
    const std::vector<NumberField> fields = Fields(t, page);
    for (const NumberField& f : fields)
        if (!IsFloatText(f.text))
            return f.name + " must be a finite number";
    auto valueOf = [&](const float* target) {
        for (const NumberField& f : fields)
            if (f.value == target)
                return StoredValue(f);
        return *target;
    };
    const float meniscus = valueOf(&M::meniscus), bottom = valueOf(&M::bottom);
    if (meniscus != 0.0f && bottom != 0.0f && !(meniscus < bottom))
        return "meniscus (cm) must lie below bottom (cm)";
    if (page == ParamsPage::Distribution &&
        !(valueOf(&ContiState::rangeMin) < valueOf(&ContiState::rangeMax)))
        return "range minimum must lie below range maximum";
    // The grid builders take a logarithmic grid only over positive abscissae.
    if (page == ParamsPage::Distribution && transfer.distribution.logGrid != 0 &&
        !(valueOf(&ContiState::rangeMin) > 0.0f))
        return "a logarithmic grid needs a range minimum above 0";
    if (page == ParamsPage::Distribution) {
        if (ParamsShowVbar() && !(valueOf(&ScanStore::vbar) > 0.0f))
            return std::string(kVbarName) + " must be positive";
        if (ParamsShowInvariantD() && !(valueOf(&ContiState::invariantD) > 0.0f))
            return std::string(kInvariantDName) + " must be positive";
        // s = ks M^a: a zero exponent gives every M the same s.
        if (ParamsShapeBoxes() == ParamsShape::ScalingLaw) {
            if (!(valueOf(&ShapeModels::scalingKs) > 0.0f))
                return std::string(kScalingKsName) + " must be positive";
            if (valueOf(&ShapeModels::scalingExponent) == 0.0f)
                return std::string(kScalingExponentName) + " must not be 0";
        }
    }
    return {};
}

bool ApplyParamsTransfer(const ParamsTransfer& transfer, ParamsPage page) {
    if (!CheckParamsTransfer(transfer, page).empty())
        return false;
    auto& t = const_cast<ParamsTransfer&>(transfer);
    const std::vector<NumberField> fields = Fields(t, page);
    const float meniscusBefore = M::meniscus, bottomBefore = M::bottom;
    // Every value is read before any is written, so a scaled field cannot see a half-applied set.
    std::vector<float> values;
    for (const NumberField& f : fields)
        values.push_back(StoredValue(f));
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const NumberField& f = fields[i];
        if (f.onSwitch)
            ApplySwitched(f, values[i]);
        else
            *f.value = values[i];
        if (f.flag)
            *f.flag = *f.floatBox ? 1 : 0;
        if (f.intFlag)
            *f.intFlag = *f.floatBox ? 1 : 0;
        if (f.boolFlag)
            *f.boolFlag = *f.floatBox != 0;
    }
    if (page == ParamsPage::Distribution)
        ContiState::logGrid = t.distribution.logGrid != 0;
    for (int k = 1; k <= M::maxSpecies; ++k)
        if (const std::uint32_t* box = IncludedBox(t, page, k))
            M::speciesIncluded[k] = *box ? 1 : 0;
    if (const std::uint32_t* box = LinearAmplitudesBox(t, page))
        ModelChoice::linearAmplitudes = *box != 0;
    const ParamsCellTransfer& cell = Cell(t, page);
    ModelChoice::fitTINoise = cell.tiNoise != 0;
    ModelChoice::fitRINoise = cell.riNoise != 0;
    M::experimentalInitialDistribution = cell.experimentalInitial != 0;
    M::constantInitialDistribution = !M::experimentalInitialDistribution;
    // The hydrodynamics read the buoyancy term, kept in step with vbar.
    if (page == ParamsPage::Distribution)
        ScanStore::vbarRho = ScanStore::vbar * ScanStore::density;
    PackFitParameters();
    if (ScanStore::scanCount > 0 && ScanStore::gridCount > 0)
        AllocCommonGridScanArrays();
    // A cell moved by the entries moves the window with it, before the bounds that keep a fitted
    // meniscus or bottom outside the window are set from it.
    ApplyFitLimitsForMovedEnds(meniscusBefore, bottomBefore);
    SetDefaultMeniscusBottomLimits();
    return true;
}
