// The pages of the model parameters dialog and the dialog's OK check.
#include "app/params_box.h"

#include "fitting/discrete_component_choice.h"
#include "fitting/model_units.h"
#include "plat/backend.hpp"
#include "plat/msgbox.hpp"
#include "state/model_choice.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

using plat::ControlKind;

// Builds a page: controls are added in the order of the transfer record, which is also the Tab
// order, so the record, the template and the keyboard walk cannot disagree.
class PageBuilder {
  public:
    PageBuilder(int id, const char* caption, int w, int h) {
        page_.id = id;
        page_.caption = caption;
        page_.w = w;
        page_.h = h;
    }
    void Label(const std::string& text, int x, int y, int w = 0) {
        page_.controls.push_back({-1, ControlKind::Static, text, x, y + 2, w, 8});
    }
    // Every number box is wide enough to show the longest text it is filled with (15
    // characters, "-1.17549435e-38"), sign and exponent included.
    static constexpr int kNumberWidth = 66;
    // A number box with its "float" box.
    static constexpr int kFittableWidth = kNumberWidth + 3 + 28;
    void Edit(int id, int x, int y) {
        page_.controls.push_back({id, ControlKind::Edit, "", x, y, kNumberWidth, 12, false,
                                  static_cast<int>(kParamsTextLimit)});
    }
    void Check(int id, const std::string& text, int x, int y, int w) {
        page_.controls.push_back({id, ControlKind::Check, text, x, y + 1, w, 10});
    }
    // An edit with its "float" box beside it.
    void Fittable(int id, int x, int y) {
        Edit(id, x, y);
        Check(id + 1, "float", x + kNumberWidth + 3, y, 28);
    }
    void Group(const std::string& text, int x, int y, int w, int h) {
        page_.controls.push_back({-1, ControlKind::Group, text, x, y, w, h, true});
    }
    void Radio(int id, const std::string& text, int x, int y, int w, bool first) {
        page_.controls.push_back({id, ControlKind::Radio, text, x, y, w, 10, first});
    }
    // The number boxes of the meniscus, bottom and baseline rows, and of the rows below them.
    static constexpr int kCellX = 80;
    // Their right end: the noise and initial-distribution groups.
    static constexpr int kCellRight = kCellX + kFittableWidth + 8 + 150;
    // Meniscus, bottom, baseline, noise and initial distribution from y down; returns the y
    // below them.
    int CellBlock(int y) {
        const std::string unit = SignalUnit();
        const struct {
            int id;
            std::string label;
        } rows[] = {{kMeniscusId, "meniscus (cm)"},
                    {kBottomId, "bottom (cm)"},
                    {kBaselineId, "baseline (" + unit + ")"}};
        for (int i = 0; i < 3; ++i) {
            Label(rows[i].label, 8, y + 15 * i, 70);
            Fittable(rows[i].id, kCellX, y + 15 * i);
        }
        const int group = kCellX + kFittableWidth + 8;
        Group("systematic noise", group, y - 4, 150, 30);
        Check(kTiNoiseId, "fit time-invariant noise", group + 6, y + 5, 140);
        Check(kRiNoiseId, "fit radially invariant noise", group + 6, y + 15, 140);
        Group("initial distribution", group, y + 28, 150, 30);
        Radio(kExperimentalInitialId, "Experimental Initial Distribution", group + 6, y + 37, 140,
              true);
        Radio(kConstantInitialId, "Constant Initial Distribution", group + 6, y + 47, 140, false);
        return y + 64;
    }
    void Buttons(int y) {
        page_.controls.push_back(
            {IDOK, ControlKind::DefButton, "OK", page_.w / 2 - 60, y, 50, 14, true});
        page_.controls.push_back(
            {IDCANCEL, ControlKind::Button, "Cancel", page_.w / 2 + 10, y, 50, 14});
        page_.h = y + 22;
    }
    plat::DialogTemplate Take() { return std::move(page_); }

  private:
    plat::DialogTemplate page_;
};

std::string SpeciesLabel(int k) {
    char text[20];
    std::snprintf(text, sizeof text, "species %d", k);
    return text;
}

// Rows of one labelled value: the label, then the number box.
constexpr int kRowLabelWidth = 130;
constexpr int kRowBoxX = 8 + kRowLabelWidth + 4;

std::string QuantityLabel(const ShownQuantity& q) {
    return *q.unit ? std::string(q.name) + " (" + q.unit + ")" : q.name;
}

plat::DialogTemplate DiscretePage() {
    using B = PageBuilder;
    // The three columns of a species row, each a number box with its float box.
    constexpr int loadingX = 64, sX = loadingX + B::kFittableWidth + 6,
                  dX = sX + B::kFittableWidth + 6;
    constexpr int columnsRight = dX + B::kFittableWidth + 8;
    // The cumulant analysis holds other quantities in each row: each names its own.
    const bool rowQuantities = ModelChoice::dlsCumulants;
    const int width = std::max(columnsRight + (rowQuantities ? 90 : 0), B::kCellRight + 8);
    PageBuilder p(kDiscreteParamsDialogId, "Model Parameters: Discrete Species", width, 0);
    const std::string unit = SignalUnit();
    p.Label("loading (" + unit + "), then fraction", loadingX, 4);
    p.Label(QuantityLabel(SpeciesSQuantity()), sX, 4);
    p.Label(rowQuantities ? "decay" : QuantityLabel(SpeciesDOrMQuantity(1)), dX, 4);
    for (int k = 1; k <= 4; ++k) {
        const int y = 16 + 15 * (k - 1);
        p.Check(SpeciesControlId(k, kIncludedItem), SpeciesLabel(k), 8, y, 52);
        p.Fittable(SpeciesControlId(k, kLoadingItem), loadingX, y);
        p.Fittable(SpeciesControlId(k, kSItem), sX, y);
        p.Fittable(SpeciesControlId(k, kDOrMItem), dX, y);
        if (rowQuantities)
            p.Label(QuantityLabel(SpeciesDOrMQuantity(k)), columnsRight, y, 84);
    }
    p.Check(kLinearAmplitudesId, "loadings as linear parameters", 8, 78, 150);
    int y = p.CellBlock(98);
    p.Label("time offset (s)", 8, y, 70);
    p.Fittable(kTimeOffsetId, B::kCellX, y);
    y += 19;
    if (ParamsShowConcentrationDependence()) {
        const struct {
            int id;
            const char* label;
        } rows[] = {{kLogKId, ParamsFirstConstantLabel()},
                    {kLogKsId, "log10(ks)"},
                    {kLogKdId, "log10(kd)"},
                    {kSecondLogKId, "log10(Ka) of the second oligomer"}};
        for (const auto& row : rows) {
            p.Label(row.label, 8, y, kRowLabelWidth);
            p.Fittable(row.id, kRowBoxX, y);
            y += 15;
        }
        y += 4;
    }
    p.Buttons(y);
    return p.Take();
}

// The boxes of the model's shape assumption from y down, in the order of the record; returns the
// y below them.
int ShapeRows(PageBuilder& p, int y) {
    struct Row {
        int id;
        const char* label;
        bool fittable;
    };
    std::vector<Row> rows;
    switch (ParamsShapeBoxes()) {
    case ParamsShape::Bimodal:
        rows = {{kBimodalSMinId, "second f/f0 range minimum (S)", false},
                {kBimodalSMaxId, "second f/f0 range maximum (S)", false},
                {kBimodalFf0Id, "second frictional ratio f/f0", true}};
        break;
    case ParamsShape::Conformer:
        rows = {{kConformerSMinId, "conformer range minimum (S)", false},
                {kConformerSMaxId, "conformer range maximum (S)", false},
                {kConformerMId, "conformer molar mass (kDa)", false}};
        break;
    case ParamsShape::ScalingLaw:
        rows = {{kScalingKsId, "scaling law ks (S, M in Da)", false},
                {kScalingExponentId, "scaling law exponent a", false}};
        break;
    case ParamsShape::WormlikeChain:
        rows = {{kWormCrossSectionId, kWormCrossSectionLabel, false},
                {kWormPersistenceId, kWormPersistenceLabel, false},
                {kWormMonomerMassId, kWormMonomerMassLabel, false},
                {kWormHydrationId, kWormHydrationLabel, false}};
        break;
    case ParamsShape::None:
        return y;
    }
    for (const Row& r : rows) {
        p.Label(r.label, 8, y, kRowLabelWidth);
        if (r.fittable)
            p.Fittable(r.id, kRowBoxX, y);
        else
            p.Edit(r.id, kRowBoxX, y);
        y += 15;
    }
    return y + 4;
}

// The parts of the record a page shows, in the order of its controls.
std::vector<TParamsBox::Part> RecordParts(ParamsPage page) {
    using D = DistributionParamsTransfer;
    using T = ShapeParamsTransfer;
    const std::size_t shapeAt = offsetof(D, shape);
    switch (page) {
    case ParamsPage::Discrete: {
        // The concentration dependence closes the record; without its boxes the record ends
        // before.
        std::size_t size = sizeof(DiscreteParamsTransfer);
        if (!ParamsShowConcentrationDependence())
            size -= sizeof(ConcentrationDependenceTransfer);
        return {{offsetof(ParamsTransfer, discrete), size}};
    }
    case ParamsPage::Equilibrium: {
        // log10 K closes the record, on the association's page only.
        std::size_t size = sizeof(EquilibriumParamsTransfer);
        if (!ParamsShowAssociation())
            size -= sizeof(ParamsFittable);
        return {{offsetof(ParamsTransfer, equilibrium), size}};
    }
    case ParamsPage::Distribution:
        break;
    }
    const std::size_t base = offsetof(ParamsTransfer, distribution);
    // vbar sits between the confidence level and the cell, on its model's page only.
    std::vector<TParamsBox::Part> parts{{base, offsetof(D, vbar)}};
    if (ParamsShowVbar())
        parts.push_back({base + offsetof(D, vbar), sizeof(ParamsFittable)});
    parts.push_back({base + offsetof(D, cell), offsetof(D, componentS) - offsetof(D, cell)});
    if (DiscreteComponentOn())
        parts.push_back({base + offsetof(D, componentS), 2 * sizeof(ParamsFittable)});
    auto shape = [&](std::size_t first, std::size_t end) {
        parts.push_back({base + shapeAt + first, end - first});
    };
    switch (ParamsShapeBoxes()) {
    case ParamsShape::Bimodal:
        shape(offsetof(T, bimodalSMin), offsetof(T, conformerSMin));
        break;
    case ParamsShape::Conformer:
        shape(offsetof(T, conformerSMin), offsetof(T, scalingKs));
        break;
    case ParamsShape::ScalingLaw:
        shape(offsetof(T, scalingKs), offsetof(T, wormCrossSection));
        break;
    case ParamsShape::WormlikeChain:
        shape(offsetof(T, wormCrossSection), sizeof(T));
        break;
    case ParamsShape::None:
        break;
    }
    if (ParamsShowInvariantD())
        parts.push_back({base + offsetof(D, invariantD), sizeof(ParamsValue)});
    return parts;
}

plat::DialogTemplate DistributionPage() {
    using B = PageBuilder;
    PageBuilder p(kDistributionParamsDialogId, "Model Parameters: Continuous Distribution",
                  B::kCellRight + 8, 0);
    const std::string unit = std::string(" (") + DistributionRangeQuantity().unit + ")";
    p.Label("range minimum" + unit, 8, 6, kRowLabelWidth);
    p.Edit(kRangeMinId, kRowBoxX, 6);
    p.Label("range maximum" + unit, 8, 21, kRowLabelWidth);
    p.Edit(kRangeMaxId, kRowBoxX, 21);
    p.Label("resolution (grid points)", 8, 36, kRowLabelWidth);
    p.Edit(kResolutionId, kRowBoxX, 36);
    p.Check(kLogGridId, "logarithmic grid", kRowBoxX + B::kNumberWidth + 6, 36, 80);
    p.Label("frictional ratio f/f0", 8, 51, kRowLabelWidth);
    p.Fittable(kFf0Id, kRowBoxX, 51);
    p.Label("confidence level P", 8, 66, kRowLabelWidth);
    p.Edit(kConfidenceLevelId, kRowBoxX, 66);
    int y = 90;
    if (ParamsShowVbar()) {
        p.Label("vbar (ml/g)", 8, 81, kRowLabelWidth);
        p.Fittable(kVbarId, kRowBoxX, 81);
        y += 15;
    }
    y = p.CellBlock(y);
    p.Check(kPowerLawCalibrationId, "enter new s(M) power-law calibration", 8, y, 200);
    y += 16;
    if (DiscreteComponentOn()) {
        p.Label("discrete component s (S)", 8, y, kRowLabelWidth);
        p.Fittable(kComponentSId, kRowBoxX, y);
        p.Label(DiscreteComponentByMass() ? "discrete component M (kDa)"
                                          : "discrete component D (1e-7 cm^2/s)",
                8, y + 15, kRowLabelWidth);
        p.Fittable(kComponentMOrDId, kRowBoxX, y + 15);
        y += 34;
    }
    y = ShapeRows(p, y);
    if (ParamsShowInvariantD()) {
        p.Label("invariant D (1e-7 cm^2/s)", 8, y, kRowLabelWidth);
        p.Edit(kInvariantDId, kRowBoxX, y);
        y += 19;
    }
    p.Buttons(y);
    return p.Take();
}

plat::DialogTemplate EquilibriumPage() {
    using B = PageBuilder;
    constexpr int loadingX = 64, massX = loadingX + B::kFittableWidth + 6;
    PageBuilder p(kEquilibriumParamsDialogId, "Model Parameters: Sedimentation Equilibrium",
                  std::max(massX + B::kFittableWidth + 8, B::kCellRight + 8), 0);
    const bool association = ParamsShowAssociation();
    p.Label("loading (" + std::string(SignalUnit()) + (association ? ")" : "), then fraction"),
            loadingX, 4);
    p.Label("buoyant molar mass (kDa)", massX, 4);
    for (int k = 1; k <= 4; ++k) {
        const int y = 16 + 15 * (k - 1);
        // A and B of the association, the complex of the loading after them.
        const char* names[] = {"", "A", "B", "AB"};
        p.Check(SpeciesControlId(k, kIncludedItem),
                association && k <= 3 ? std::string(names[k]) : SpeciesLabel(k), 8, y, 52);
        p.Fittable(SpeciesControlId(k, kLoadingItem), loadingX, y);
        p.Fittable(SpeciesControlId(k, kDOrMItem), massX, y);
    }
    p.Check(kLinearAmplitudesId, "loadings as linear parameters", 8, 78, 150);
    int y = p.CellBlock(98);
    if (association) {
        p.Label("log10(Ka)", 8, y, kRowLabelWidth);
        p.Fittable(kLogKId, kRowBoxX, y);
        y += 19;
    }
    p.Buttons(y);
    return p.Take();
}

} // namespace

int ParamsDialogId(ParamsPage page) {
    switch (page) {
    case ParamsPage::Distribution:
        return kDistributionParamsDialogId;
    case ParamsPage::Equilibrium:
        return kEquilibriumParamsDialogId;
    default:
        return kDiscreteParamsDialogId;
    }
}

plat::DialogTemplate ParamsDialogTemplate(ParamsPage page) {
    switch (page) {
    case ParamsPage::Distribution:
        return DistributionPage();
    case ParamsPage::Equilibrium:
        return EquilibriumPage();
    default:
        return DiscretePage();
    }
}

void RegisterParamsDialogs() {
    for (ParamsPage page :
         {ParamsPage::Discrete, ParamsPage::Distribution, ParamsPage::Equilibrium})
        plat::RegisterDialogTemplate(ParamsDialogTemplate(page));
}

TParamsBox::TParamsBox(TWindow* parent, ParamsPage page, ParamsTransfer& transfer)
    : TDialog(parent, ParamsDialogId(page)), page_(page), transfer_(transfer),
      parts_(RecordParts(page)) {
    Gather();
    // The controls in the order of the record: the template lists them in that order.
    if (const plat::DialogTemplate* t = GetTemplate())
        for (const plat::ControlSpec& c : t->controls) {
            if (c.kind == ControlKind::Edit)
                new TEdit(this, c.id, kParamsTextLimit);
            else if (c.kind == ControlKind::Check)
                new TCheckBox(this, c.id);
            else if (c.kind == ControlKind::Radio)
                new TRadioButton(this, c.id);
        }
}

void TParamsBox::Gather() {
    const auto* record = reinterpret_cast<const std::uint8_t*>(&transfer_);
    shown_.clear();
    for (const Part& part : parts_)
        shown_.insert(shown_.end(), record + part.offset, record + part.offset + part.size);
    SetTransferBuffer(shown_.data(), shown_.size());
}

void TParamsBox::Scatter() {
    auto* record = reinterpret_cast<std::uint8_t*>(&transfer_);
    std::size_t at = 0;
    for (const Part& part : parts_) {
        std::memcpy(record + part.offset, shown_.data() + at, part.size);
        at += part.size;
    }
}

int TParamsBox::Execute() {
    Gather(); // the record as it is when the dialog opens
    return TDialog::Execute();
}

std::string ParamsRefusalText(const std::string& reason) {
    return "Invalid Entry\n" + reason;
}

bool TParamsBox::CanClose() {
    Scatter(); // the controls were just copied into the parts shown
    const std::string reason = CheckParamsTransfer(transfer_, page_);
    if (reason.empty())
        return true;
    plat::GetBackend().beep(MB_ICONASTERISK);
    ::MessageBox(this, ParamsRefusalText(reason).c_str(), "Input Error", MB_OK);
    return false;
}
