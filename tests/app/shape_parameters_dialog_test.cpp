// The values of the c(s) models that tie M to s on the distribution page of the parameters
// dialog (212): each model shows its own boxes, with the discrete component's where it has one,
// OK stores them (the range in S), a bad entry is refused naming its box, and the saved analysis
// gives them back while a file written before them keeps the session's.
#include "app/params_box.h"
#include "fitting/param_files.h"
#include "fitting/restore_analysis.h"
#include "foundations/shape_models.h"
#include "scandata/scan_store_alloc.h"
#include "state/conti_state.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/main_window_fixture.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using C = ContiState;
using MC = ModelChoice;
using SM = ShapeModels;

void ChooseWithMeniscus(const std::function<void()>& choose) {
    ModelParameters::meniscus = 6.0f;
    ModelParameters::bottom = 7.2f;
    MC::contiMode = true;
    choose();
}

} // namespace

TEST(ShapeParameters, EachModelsPageTakesItsOwnValues) {
    struct Case {
        const char* name;
        std::function<void()> choose;
        std::vector<std::pair<int, std::string>> edits;
        std::vector<int> checks;
        std::function<void()> expect;
    };
    const Case cases[] = {
        {"bimodal",
         [] { MC::csBimodal = true; },
         {{kRangeMinId, "2"},
          {kBimodalSMinId, "8"},
          {kBimodalSMaxId, "16"},
          {kBimodalFf0Id, "1.8"}},
         {kBimodalFf0Id + 1},
         [] {
             EXPECT_EQ(C::rangeMin, 2.0f); // an s range, not kDa
             EXPECT_EQ(C::bimodalSMin, 8.0f);
             EXPECT_EQ(C::bimodalSMax, 16.0f);
             EXPECT_EQ(C::bimodalFf0, 1.8f);
             EXPECT_EQ(C::bimodalFf0Float, 1);
             EXPECT_EQ(ModelParameters::fitValues[kSlotSecondFrictionalRatio], 1.8f);
             EXPECT_EQ(ModelParameters::fitFloat[kSlotSecondFrictionalRatio], 1);
         }},
        {"bimodal with a discrete component",
         [] {
             MC::csBimodalDiscrete = true;
             MC::equilibriumMs = false;
         },
         {{kComponentSId, "1.5"}, {kComponentMOrDId, "8.5"}, {kBimodalFf0Id, "2.5"}},
         {kComponentSId + 1, kBimodalFf0Id + 1},
         [] {
             EXPECT_EQ(C::discreteS, 1.5f);
             EXPECT_EQ(C::discreteD, 8.5f);
             EXPECT_EQ(C::discreteSFloat, 1);
             EXPECT_EQ(C::bimodalFf0, 2.5f);
             EXPECT_EQ(C::bimodalFf0Float, 1);
             EXPECT_EQ(C::bimodalSMin, 10.0f); // as it was
         }},
        {"conformer",
         [] { MC::csConformationalChange = true; },
         {{kConformerSMinId, "6"}, {kConformerSMaxId, "9.5"}, {kConformerMId, "150"}},
         {},
         [] {
             EXPECT_EQ(C::conformerSMin, 6.0f);
             EXPECT_EQ(C::conformerSMax, 9.5f);
             EXPECT_EQ(C::conformerM, 150000.0f); // entered in kDa
         }},
        {"scaling law",
         [] { MC::csScalingLaw = true; },
         {{kScalingKsId, "0.01"}, {kScalingExponentId, "0.5"}},
         {},
         [] {
             EXPECT_EQ(SM::scalingKs, 0.01f);
             EXPECT_EQ(SM::scalingExponent, 0.5f);
         }},
        {"f(M) with the scaling law",
         [] { MC::fMvsM = true; },
         {{kRangeMinId, "20"}, {kScalingKsId, "0.004"}, {kScalingExponentId, "0.6"}},
         {},
         [] {
             EXPECT_EQ(C::rangeMin, 20000.0f); // a molar-mass range, in kDa
             EXPECT_EQ(SM::scalingKs, 0.004f);
             EXPECT_EQ(SM::scalingExponent, 0.6f);
         }},
        {"c(Mb) with invariant D",
         [] { MC::cmInvariantD = true; },
         {{kRangeMinId, "4"}, {kInvariantDId, "6"}},
         {},
         [] {
             EXPECT_EQ(C::rangeMin, 4000.0f);
             EXPECT_EQ(C::invariantD, 6e-7f); // entered in 1e-7 cm^2/s
         }},
        {"c(s) with invariant D",
         [] { MC::csInvariantD = true; },
         {{kRangeMinId, "1"}, {kInvariantDId, "2.5"}},
         {},
         [] {
             EXPECT_EQ(C::rangeMin, 1.0f);
             EXPECT_EQ(C::invariantD, 2.5e-7f);
         }},
        {"wormlike chain",
         [] { MC::csWormlikeChain = true; },
         {{kWormCrossSectionId, "20"},
          {kWormPersistenceId, "50"},
          {kWormMonomerMassId, "12000"},
          {kWormHydrationId, "0.3"}},
         {},
         [] {
             EXPECT_EQ(SM::wormCrossSection, 20.0f);
             EXPECT_EQ(SM::wormPersistence, 50.0f);
             EXPECT_EQ(SM::wormMonomerMass, 12000.0f);
             EXPECT_EQ(SM::wormHydration, 0.3f);
         }},
    };
    for (const Case& c : cases) {
        MainWindowFixture f;
        ChooseWithMeniscus(c.choose);
        auto& step = f.script.expectDialog(kDistributionParamsDialogId);
        for (const auto& [id, text] : c.edits)
            step.set(id, text);
        for (int id : c.checks)
            step.check(id, true);
        step.ok();
        Send(f, 212);
        EXPECT_TRUE(f.script.done()) << c.name << f.script.logText();
        SCOPED_TRACE(c.name);
        c.expect();
    }
}

// The other models' boxes are not on the page: its controls take exactly the parts shown.
TEST(ShapeParameters, PageHoldsOnlyTheChosenModelsBoxes) {
    MainWindowFixture f;
    ChooseWithMeniscus([] { MC::csScalingLaw = true; });
    RegisterParamsDialogs();
    FillParamsTransfer(f.window->paramsTransfer, ParamsPage::Distribution);
    TParamsBox box(f.window.get(), ParamsPage::Distribution, f.window->paramsTransfer);
    EXPECT_EQ(box.TransferRecordSize(),
              offsetof(DistributionParamsTransfer, componentS) - sizeof(ParamsFittable) +
                  2 * sizeof(ParamsValue)); // no vbar box: the floating-vbar model's own
    EXPECT_NE(box.FindControl(kScalingKsId), nullptr);
    for (int absent : {kBimodalFf0Id, kConformerMId, kWormHydrationId, kComponentSId})
        EXPECT_EQ(box.FindControl(absent), nullptr) << absent;
    box.TransferData(true);
    EXPECT_EQ(static_cast<TEdit*>(box.FindControl(kScalingKsId))->GetText(), "0.003");
    EXPECT_EQ(static_cast<TEdit*>(box.FindControl(kScalingExponentId))->GetText(), "0.667");
}

TEST(ShapeParameters, RefusesBadEntriesNamingTheBox) {
    struct Case {
        std::function<void()> choose;
        int box;
        const char* text;
        const char* message;
    } cases[] = {
        {[] { MC::csBimodal = true; }, kBimodalFf0Id, "two",
         "second frictional ratio f/f0 must be a finite number"},
        {[] { MC::csConformationalChange = true; }, kConformerMId, "200 kDa",
         "conformer molar mass (kDa) must be a finite number"},
        {[] { MC::csWormlikeChain = true; }, kWormMonomerMassId, "nan",
         "monomer Mw (Da) must be a finite number"},
        {[] { MC::csScalingLaw = true; }, kScalingExponentId, "1e999",
         "scaling law exponent a must be a finite number"},
        // the laws that no Run could compute
        {[] { MC::fMvsM = true; }, kScalingExponentId, "0", "scaling law exponent a must not be 0"},
        {[] { MC::csScalingLaw = true; }, kScalingKsId, "-0.003",
         "scaling law ks (S, M in Da) must be positive"},
        {[] { MC::cmInvariantD = true; }, kInvariantDId, "0",
         "invariant D (1e-7 cm^2/s) must be positive"},
        {[] { MC::csInvariantD = true; }, kInvariantDId, "-1",
         "invariant D (1e-7 cm^2/s) must be positive"},
    };
    for (const Case& c : cases) {
        MainWindowFixture f;
        ChooseWithMeniscus(c.choose);
        const float ff0 = C::bimodalFf0, m = C::conformerM, mono = SM::wormMonomerMass,
                    a = SM::scalingExponent, ks = SM::scalingKs, d = C::invariantD;
        f.script.expectDialog(kDistributionParamsDialogId).set(c.box, c.text).ok();
        f.script.expectBox().caption("Input Error").text(ParamsRefusalText(c.message)).answer(IDOK);
        f.script.expectDialog(kDistributionParamsDialogId).cancel();
        Send(f, 212);
        EXPECT_TRUE(f.script.done()) << c.message << f.script.logText();
        EXPECT_EQ(C::bimodalFf0, ff0);
        EXPECT_EQ(C::conformerM, m);
        EXPECT_EQ(SM::wormMonomerMass, mono);
        EXPECT_EQ(SM::scalingExponent, a);
        EXPECT_EQ(SM::scalingKs, ks);
        EXPECT_EQ(C::invariantD, d);
    }
}

// Saved with the analysis and given back; a file of the layout before them (the last 11 values
// and the invariant D after them missing) leaves the session's values, the second f/f0 of slot 8
// among them.
TEST(ShapeParameters, SavedAnalysisGivesThemBack) {
    MainWindowFixture f;
    ChooseWithMeniscus([] { MC::csBimodal = true; });
    const std::string path = f.data.file("~tmppars.RA1");
    ScanPaths::gDataPath = path;
    C::bimodalSMin = 9.0f;
    C::bimodalFf0 = 1.6f;
    C::bimodalFf0Float = 1;
    C::conformerM = 123000.0f;
    SM::scalingKs = 0.02f;
    SM::wormHydration = 0.25f;
    C::invariantD = 3e-7f;
    ASSERT_TRUE(TmpSaveBestParams(nullptr, 0));
    auto change = [] {
        C::bimodalSMin = 3.0f;
        C::bimodalFf0 = 2.9f;
        C::bimodalFf0Float = 0;
        C::conformerM = 1.0f;
        SM::scalingKs = 1.0f;
        SM::wormHydration = 1.0f;
        C::invariantD = 9e-7f;
    };
    change();
    ASSERT_TRUE(ReloadParameters(nullptr, path.c_str()));
    EXPECT_EQ(C::bimodalSMin, 9.0f);
    EXPECT_EQ(C::bimodalFf0, 1.6f);
    EXPECT_EQ(C::bimodalFf0Float, 1);
    EXPECT_EQ(C::conformerM, 123000.0f);
    EXPECT_EQ(SM::scalingKs, 0.02f);
    EXPECT_EQ(SM::wormHydration, 0.25f);
    EXPECT_EQ(C::invariantD, 3e-7f);

    std::vector<std::string> lines;
    {
        std::string text = ReadTextFile(path), line;
        for (char ch : text)
            if (ch == '\n') {
                lines.push_back(line);
                line.clear();
            } else {
                line += ch;
            }
    }
    ASSERT_EQ(lines.size(), std::size_t(SavedParameterCount()));
    // an older file's slot 8 holds whatever the vector held there
    lines[kSlotSecondFrictionalRatio] = "7.0";
    // the 11 shape values and the invariant D, and the 20 solvent values saved after them
    lines.resize(lines.size() - 12 - 20);
    std::string older;
    for (const std::string& l : lines)
        older += l + "\n";
    ASSERT_TRUE(WriteTextFile(path, older));
    change();
    ASSERT_TRUE(ReloadParameters(nullptr, path.c_str()));
    EXPECT_EQ(C::bimodalSMin, 3.0f);
    EXPECT_EQ(C::bimodalFf0, 2.9f);
    EXPECT_EQ(C::bimodalFf0Float, 0);
    EXPECT_EQ(C::conformerM, 1.0f);
    EXPECT_EQ(SM::wormHydration, 1.0f);
    EXPECT_EQ(C::invariantD, 9e-7f);
    EXPECT_TRUE(MC::csBimodal); // the rest of the file still restores
    ScanPaths::gDataPath.clear();
}
