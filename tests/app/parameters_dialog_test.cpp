// The parameters dialog (212) through the menu: each family's page opens with the stored values,
// OK applies the page at once, refusals name the field and keep the dialog open with nothing
// stored, Cancel stores nothing, and Generate goes on only after OK.
#include "app/params_box.h"
#include "scandata/scan_store_alloc.h"
#include "state/conti_state.h"
#include "state/fit_control.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/main_window_fixture.h"

#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using M = ModelParameters;
using C = ContiState;

// Every record the dialog may write, as bytes, to see that nothing moved. OK also sets the
// default meniscus and bottom bounds afresh; withBounds includes them.
std::string StoreSnapshot(bool withBounds = true) {
    std::string s;
    auto add = [&s](const void* p, std::size_t n) { s.append(static_cast<const char*>(p), n); };
    add(M::fitValues, sizeof M::fitValues);
    add(M::fitFloat, sizeof M::fitFloat);
    add(M::concentration, sizeof M::concentration);
    add(M::speciesS, sizeof M::speciesS);
    add(M::speciesDOrM, sizeof M::speciesDOrM);
    add(M::speciesOn, sizeof M::speciesOn);
    add(M::speciesSFloat, sizeof M::speciesSFloat);
    add(M::speciesDOrMFloat, sizeof M::speciesDOrMFloat);
    for (const float* v : {&M::meniscus, &M::bottom, &M::baseline, &C::rangeMin, &C::rangeMax,
                           &C::resolution, &C::confidenceLevel, &C::ff0, &gFrictionalRatio,
                           &C::discreteS, &C::discreteM, &C::discreteD})
        add(v, sizeof *v);
    if (withBounds)
        for (const float* v : {&FitControl::meniscusMin, &FitControl::meniscusMax,
                               &FitControl::bottomMin, &FitControl::bottomMax})
            add(v, sizeof *v);
    for (const bool* b : {&ModelChoice::fitTINoise, &ModelChoice::fitRINoise,
                          &ModelChoice::linearAmplitudes, &M::experimentalInitialDistribution})
        add(b, sizeof *b);
    return s;
}

// Awkward stored values (no short decimal form) of every family.
void StoreAwkwardValues() {
    M::speciesOn[1] = M::speciesOn[2] = 1;
    M::concentration[1] = 0.3f;
    M::speciesS[2] = 7.0123457f;
    M::speciesDOrM[1] = 123456.7f;
    M::speciesDOrM[2] = 4.1900001f;
    M::meniscus = 6.0100002f;
    M::bottom = 7.1999998f;
    M::baseline = 0.0049999999f;
    C::rangeMin = 12345.6f;
    C::rangeMax = 987654.3f;
    gFrictionalRatio = C::ff0 = 1.2345678f;
    PackFitParameters();
}

struct Page {
    const char* name;
    ParamsPage page;
    std::function<void()> choose;
};

const Page kPages[] = {
    {"discrete, M and s", ParamsPage::Discrete, [] { ModelChoice::equilibriumMs = true; }},
    {"discrete, s and D", ParamsPage::Discrete, [] { ModelChoice::equilibriumMs = false; }},
    {"c(s)", ParamsPage::Distribution,
     [] { ModelChoice::contiMode = ModelChoice::contiCs = true; }},
    {"c(M)", ParamsPage::Distribution, [] { ModelChoice::contiMode = true; }},
    {"c(s) with a discrete component", ParamsPage::Distribution,
     [] {
         ModelChoice::contiMode = ModelChoice::csDiscreteMs = true;
         C::discreteS = 0.33333334f;
         C::discreteM = 351.23456f;
     }},
    {"equilibrium", ParamsPage::Equilibrium, [] { ModelChoice::equilibriumModel = true; }},
};

TEST(ParametersDialog, OkWithoutEditsKeepsEveryValueBitForBit) {
    for (const Page& p : kPages) {
        MainWindowFixture f;
        p.choose();
        StoreAwkwardValues();
        const std::string before = StoreSnapshot(false);
        f.script.expectDialog(ParamsDialogId(p.page)).ok();
        Send(f, 212);
        EXPECT_TRUE(f.script.done()) << p.name << f.script.logText();
        EXPECT_EQ(CurrentParamsPage(), p.page) << p.name;
        EXPECT_TRUE(StoreSnapshot(false) == before) << p.name;
    }
}

// The page shows the store: each control holds the value of its own field.
TEST(ParametersDialog, PageOpensWithTheStoredValuesInTheirControls) {
    MainWindowFixture f;
    StoreAwkwardValues();
    M::speciesSFloat[2] = 1;
    M::bottomFloat = 1;
    ModelChoice::fitRINoise = true;
    RegisterParamsDialogs();
    FillParamsTransfer(f.window->paramsTransfer, ParamsPage::Discrete);
    TParamsBox box(f.window.get(), ParamsPage::Discrete, f.window->paramsTransfer);
    // The concentration-dependence boxes, last in the record, are shown with their models only.
    ASSERT_EQ(box.TransferRecordSize(),
              sizeof(DiscreteParamsTransfer) - sizeof(ConcentrationDependenceTransfer));
    box.TransferData(true);
    auto text = [&](int id) { return static_cast<TEdit*>(box.FindControl(id))->GetText(); };
    auto checked = [&](int id) { return static_cast<TCheckBox*>(box.FindControl(id))->GetCheck(); };
    EXPECT_EQ(text(SpeciesControlId(1, kLoadingItem)), "0.3");
    EXPECT_EQ(text(SpeciesControlId(1, kDOrMItem)), "123.4567"); // kDa
    EXPECT_EQ(text(SpeciesControlId(2, kSItem)), "7.012346");    // the shortest exact text
    EXPECT_EQ(text(SpeciesControlId(3, kSItem)), "4");
    EXPECT_EQ(text(kMeniscusId), "6.01");
    EXPECT_EQ(text(kBaselineId), "0.005");
    EXPECT_EQ(checked(SpeciesControlId(2, kIncludedItem)), 1u);
    EXPECT_EQ(checked(SpeciesControlId(3, kIncludedItem)), 0u);
    EXPECT_EQ(checked(SpeciesControlId(2, kSItem + 1)), 1u);
    EXPECT_EQ(checked(SpeciesControlId(1, kSItem + 1)), 0u);
    EXPECT_EQ(checked(kBottomFloatId), 1u);
    EXPECT_EQ(checked(kRiNoiseId), 1u);
    EXPECT_EQ(checked(kTiNoiseId), 0u);
    EXPECT_EQ(checked(kConstantInitialId), 1u);
}

TEST(ParametersDialog, OkAppliesThePageAtOnce) {
    struct Case {
        const char* name;
        std::function<void()> choose;
        int dialog;
        std::vector<std::pair<int, std::string>> edits;
        std::vector<std::pair<int, bool>> checks;
        std::function<void()> expect;
    };
    const Case cases[] = {
        {"discrete",
         [] { ModelChoice::equilibriumMs = true; },
         kDiscreteParamsDialogId,
         {{SpeciesControlId(2, kSItem), "8"},
          {SpeciesControlId(2, kDOrMItem), "180"},
          {kMeniscusId, "6.05"},
          {kBottomId, " 7.25 "}},
         {{SpeciesControlId(2, kIncludedItem), true},
          {SpeciesControlId(2, kSItem + 1), true},
          {kLinearAmplitudesId, true},
          {kTiNoiseId, true},
          {kExperimentalInitialId, true},
          {kMeniscusFloatId, true}},
         [] {
             EXPECT_EQ(M::speciesOn[2], 1);
             EXPECT_EQ(M::speciesS[2], 8.0f);
             EXPECT_EQ(M::speciesDOrM[2], 180000.0f);
             EXPECT_EQ(M::fitValues[6], 8.0f); // packed
             EXPECT_EQ(M::fitFloat[6], 1);
             EXPECT_EQ(M::fitValues[2], 180000.0f);
             EXPECT_EQ(M::fitValues[kSlotMeniscus], 6.05f);
             EXPECT_EQ(M::fitFloat[kSlotMeniscus], 1);
             EXPECT_EQ(M::bottom, 7.25f);
             EXPECT_TRUE(ModelChoice::linearAmplitudes);
             EXPECT_TRUE(ModelChoice::fitTINoise);
             EXPECT_TRUE(M::experimentalInitialDistribution);
             EXPECT_FALSE(M::constantInitialDistribution);
             // The default bounds follow the new meniscus and bottom.
             EXPECT_FLOAT_EQ(FitControl::meniscusMin, 6.03f);
             EXPECT_FLOAT_EQ(FitControl::bottomMax, 7.3f);
         }},
        {"c(M)",
         [] { ModelChoice::contiMode = true; },
         kDistributionParamsDialogId,
         {{kRangeMinId, "10"}, {kRangeMaxId, "500"}, {kResolutionId, "80"}, {kFf0Id, "1.5"}},
         {{kFf0FloatId, true}, {kRiNoiseId, true}},
         [] {
             EXPECT_EQ(C::rangeMin, 10000.0f);
             EXPECT_EQ(C::rangeMax, 500000.0f);
             EXPECT_EQ(C::resolution, 80.0f);
             EXPECT_EQ(gFrictionalRatio, 1.5f);
             EXPECT_EQ(C::ff0, 1.5f); // both copies
             EXPECT_EQ(C::ff0Float, 1);
             EXPECT_EQ(M::fitValues[kSlotFrictionalRatio], 1.5f);
             EXPECT_EQ(M::fitFloat[kSlotFrictionalRatio], 1);
             EXPECT_EQ(M::fitValues[kSlotRangeMax], 500000.0f);
             EXPECT_TRUE(ModelChoice::fitRINoise);
         }},
        {"c(s) with a discrete component given by M",
         [] { ModelChoice::contiMode = ModelChoice::csDiscreteMs = true; },
         kDistributionParamsDialogId,
         {{kComponentSId, "1.5"}, {kComponentMOrDId, "12.5"}},
         {{kComponentSId + 1, true}, {kComponentMOrDId + 1, true}},
         [] {
             EXPECT_EQ(C::discreteS, 1.5f);
             EXPECT_EQ(C::discreteM, 12500.0f); // entered in kDa
             EXPECT_EQ(C::discreteSFloat, 1);
             EXPECT_EQ(C::discreteMFloat, 1);
         }},
        {"c(s,ff0) with a discrete component given by D",
         [] {
             ModelChoice::contiMode = ModelChoice::csFf0Discrete = true;
             ModelChoice::equilibriumMs = false;
         },
         kDistributionParamsDialogId,
         {{kComponentMOrDId, "8.5"}},
         {{kComponentMOrDId + 1, true}},
         [] {
             EXPECT_EQ(C::discreteD, 8.5f);
             EXPECT_EQ(C::discreteDFloat, 1);
             EXPECT_EQ(C::discreteMFloat, 0);
         }},
        {"equilibrium",
         [] { ModelChoice::equilibriumModel = true; },
         kEquilibriumParamsDialogId,
         {{SpeciesControlId(1, kDOrMItem), "20"}, {SpeciesControlId(1, kLoadingItem), "0.8"}},
         {{SpeciesControlId(1, kDOrMItem + 1), true}},
         [] {
             EXPECT_EQ(M::speciesDOrM[1], 20000.0f);
             EXPECT_EQ(M::speciesDOrMFloat[1], 1);
             EXPECT_EQ(M::concentration[1], 0.8f);
             EXPECT_EQ(M::fitValues[1], 20000.0f);
         }},
    };
    for (const Case& c : cases) {
        MainWindowFixture f;
        M::meniscus = 6.0f;
        M::bottom = 7.2f;
        c.choose();
        auto& step = f.script.expectDialog(c.dialog);
        for (const auto& [id, text] : c.edits)
            step.set(id, text);
        for (const auto& [id, on] : c.checks)
            step.check(id, on);
        step.ok();
        Send(f, 212);
        EXPECT_TRUE(f.script.done()) << c.name << f.script.logText();
        SCOPED_TRACE(c.name);
        c.expect();
    }
}

TEST(ParametersDialog, RefusesBadEntriesNamingTheFieldAndStoresNothing) {
    struct Case {
        const char* name;
        std::function<void()> choose;
        int dialog;
        std::vector<std::pair<int, std::string>> edits;
        const char* message;
    };
    const Case cases[] = {
        {"words",
         [] {},
         kDiscreteParamsDialogId,
         {{SpeciesControlId(2, kSItem), "fast"}},
         "s of species 2 (S) must be a finite number"},
        {"unit typed",
         [] {},
         kDiscreteParamsDialogId,
         {{SpeciesControlId(1, kDOrMItem), "50 kDa"}},
         "M of species 1 (kDa) must be a finite number"},
        {"infinite",
         [] {},
         kDiscreteParamsDialogId,
         {{SpeciesControlId(3, kLoadingItem), "inf"}},
         "fraction of species 3 (of the loading) must be a finite number"},
        {"beyond a float",
         [] { ModelChoice::equilibriumModel = true; },
         kEquilibriumParamsDialogId,
         {{SpeciesControlId(2, kDOrMItem), "1e40"}},
         "buoyant molar mass of species 2 (kDa) must be a finite number"},
        {"meniscus at the bottom",
         [] {},
         kDiscreteParamsDialogId,
         {{kMeniscusId, "7.2"}},
         "meniscus (cm) must lie below bottom (cm)"},
        {"empty range",
         [] { ModelChoice::contiMode = ModelChoice::contiCs = true; },
         kDistributionParamsDialogId,
         {{kRangeMinId, "15"}, {kRangeMaxId, "15"}},
         "range minimum must lie below range maximum"},
        {"discrete component's s in words",
         [] { ModelChoice::contiMode = ModelChoice::csDiscreteSD = true; },
         kDistributionParamsDialogId,
         {{kComponentSId, "slow"}},
         "s of the discrete component (S) must be a finite number"},
        {"reversed range",
         [] { ModelChoice::contiMode = true; },
         kDistributionParamsDialogId,
         {{kRangeMinId, "500"}, {kRangeMaxId, "10"}},
         "range minimum must lie below range maximum"},
        {"ks in words",
         [] { ModelChoice::lammModel = false, ModelChoice::singleSpecies = true; },
         kDiscreteParamsDialogId,
         {{kLogKsId, "strong"}},
         "log10(ks) must be a finite number"},
        {"kd beyond a float",
         [] { ModelChoice::lammModel = false, ModelChoice::multipleSpecies = true; },
         kDiscreteParamsDialogId,
         {{kLogKdId, "1e40"}},
         "log10(kd) must be a finite number"},
        {"second oligomer's constant empty",
         [] { ModelChoice::lammModel = false, ModelChoice::selfAssocTetramerOctamer = true; },
         kDiscreteParamsDialogId,
         {{kSecondLogKId, ""}},
         "log10(Ka) of the second oligomer must be a finite number"},
        {"vbar zero",
         [] { ModelChoice::contiMode = ModelChoice::csFloatingVbar = true; },
         kDistributionParamsDialogId,
         {{kVbarId, "0"}},
         "partial specific volume vbar (ml/g) must be positive"},
    };
    for (const Case& c : cases) {
        MainWindowFixture f;
        M::meniscus = 6.0f;
        M::bottom = 7.2f;
        c.choose();
        PackFitParameters();
        const std::string before = StoreSnapshot();
        auto& step = f.script.expectDialog(c.dialog);
        for (const auto& [id, text] : c.edits)
            step.set(id, text);
        // Float boxes and switches changed with the bad entry are not stored either.
        step.check(kTiNoiseId, true).check(kMeniscusFloatId, true).ok();
        f.script.expectBox().caption("Input Error").text(ParamsRefusalText(c.message)).answer(IDOK);
        f.script.expectDialog(c.dialog).cancel(); // the dialog stayed open
        plat::test::clearRecords();
        Send(f, 212);
        EXPECT_TRUE(f.script.done()) << c.name << f.script.logText();
        ASSERT_GE(f.script.log().size(), 3u) << c.name;
        EXPECT_EQ(f.script.log()[0].answer, "stayed open") << c.name;
        EXPECT_EQ(plat::test::beeps().size(), 1u) << c.name;
        EXPECT_TRUE(StoreSnapshot() == before) << c.name;
        EXPECT_FALSE(ModelChoice::fitTINoise) << c.name;
        EXPECT_EQ(M::meniscusFloat, 0) << c.name;
    }
}

TEST(ParametersDialog, CancelStoresNothingAndTheNextOpeningShowsTheStore) {
    MainWindowFixture f;
    StoreAwkwardValues();
    const std::string before = StoreSnapshot();
    f.script.expectDialog(kDiscreteParamsDialogId)
        .set(SpeciesControlId(1, kSItem), "9")
        .check(kRiNoiseId, true)
        .cancel();
    Send(f, 212);
    EXPECT_TRUE(StoreSnapshot() == before);
    // The record the window keeps shows the store again, not the cancelled text.
    f.script.expectDialog(kDiscreteParamsDialogId).ok();
    Send(f, 212);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_STREQ(f.window->paramsTransfer.discrete.species[0].s.text, "4");
}

TEST(ParametersDialog, GenerateGoesOnOnlyAfterOk) {
    MainWindowFixture f;
    f.script.expectDialog(kDiscreteParamsDialogId).cancel();
    Send(f, 647); // the series: nothing is asked after the cancelled dialog
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_EQ(f.script.log().size(), 1u) << f.script.logText();
}

} // namespace
