// A Levenberg-Marquardt fit that cannot go on to its end, through the menu: two species generated
// (4 S / 50 kDa / 0.35 OD and 8 S / 140 kDa / 0.15 OD, 20 scans), the meniscus bounds cleared on
// the bounds page, loadings and baseline floated. From 40% below the truth the steps lead the
// meniscus into the data, where the solver refuses the model; from 25% above a key stops the fit.
// Each fit ends at the truth, or says it failed or was stopped, and what it leaves is never
// worse than the start: a stopped fit that found nothing better keeps the start and says so.
#include "app/params_box.h"
#include "fitting/parameter_report.h"
#include "state/model_parameters.h"
#include "support/generated_scans.h"
#include "support/key_at_trial.h"
#include "support/main_window_fixture.h"
#include "support/typed_components.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <string>

namespace {

using M = ModelParameters;
constexpr int kScans = 20;

struct Start {
    float s1, m1, s2, m2, total, fraction;
};

// Species k typed with s, M and its loading floated.
void Type(plat::test::Step& step, int k, float loading, float s, float m) {
    auto text = [](float v) {
        char t[32];
        std::snprintf(t, sizeof t, "%g", double(v));
        return std::string(t);
    };
    TypeSpecies(step, k, text(loading).c_str(), text(s).c_str(), text(m / 1000.0f).c_str(), true,
                true);
    step.check(SpeciesControlId(k, kLoadingItem + 1));
}

bool AtStart(const Start& s) {
    return M::speciesS[1] == s.s1 && M::speciesDOrM[1] == s.m1 && M::speciesS[2] == s.s2 &&
           M::speciesDOrM[2] == s.m2 && M::concentration[1] == s.total &&
           M::concentration[2] == s.fraction && M::meniscus == 6.0f && M::baseline == 0.0f;
}

TEST(FitEndedEarlyRoad, KeepsNothingWorseThanTheStartAndSaysWhy) {
    MainWindowFixture f(900, 650);
    LoadReadmeTwoSpecies(f, kScans, 8);
    f.script.expectBox().caption("SET PREFERENCE").text("save as default setting?").answer(IDNO);
    Send(f, 824);
    SetEndBounds(f, "0", "0", "7.1", "7.3");
    ASSERT_TRUE(f.script.done()) << f.script.logText();

    const Start low{2.4f, 30000, 4.8f, 84000, 0.3f, 0.18f},
        nearLow{3, 37500, 6, 105000, 0.375f, 0.225f}, high{5, 62500, 10, 175000, 0.625f, 0.375f};
    constexpr const char* kFailed = "The fit failed: it was led towards values where the model "
                                    "cannot be computed (invalid geometry";
    struct Case {
        const char* name;
        Start start;
        int keyAfter;
        const char* box; // the failure said, or null
    } cases[] = {
        {"40% low: the model refused on the way", low, 0, kFailed},
        // the steps that met the refused model go back along their direction
        {"25% low", nearLow, 0, nullptr},
        {"25% high", high, 0, nullptr},
        {"25% high, a key at the first trial", high, 1, nullptr},
        {"25% high, a key after 20 trials", high, 20, nullptr},
        // the trials before it were judged on grids held for the run: one that looked better
        // there is worse on the grids it needs
        {"25% high, a key after 30 trials", high, 30, nullptr},
    };
    for (const Case& c : cases) {
        auto& start = f.script.expectDialog(kDiscreteParamsDialogId);
        Type(start, 1, c.start.total, c.start.s1, c.start.m1);
        Type(start, 2, c.start.fraction, c.start.s2, c.start.m2);
        start.set(kMeniscusId, "6.0").check(kMeniscusFloatId).set(kBaselineId, "0");
        start.check(kBaselineFloatId).check(kLinearAmplitudesId, false).ok();
        Send(f, 212);
        Send(f, 213);
        const double startRms = RmsInsideFitLimits();
        if (c.box)
            f.script.expectBox().textHas(c.box).answer(IDOK);
        {
            const KeyAtTrial key(c.keyAfter);
            Send(f, 215);
        }
        ASSERT_TRUE(f.script.done()) << c.name << "\n" << f.script.logText();
        // What the report above the plots says of the end.
        std::string said;
        for (const std::string& line : ParameterReportLines())
            said += line + "\n";
        const bool stopped = said.find("stopped by a key\n") != std::string::npos;
        const bool startKept = said.find("nothing better than the start values was found: they "
                                         "are kept\n") != std::string::npos;
        EXPECT_EQ(stopped, c.keyAfter > 0) << c.name << ": " << said;
        const double rms = RmsInsideFitLimits();
        if (c.box || startKept) {
            EXPECT_TRUE(AtStart(c.start) && rms == startRms) << c.name << ": " << said << "\n"
                                                             << TwoSpeciesValues();
        } else if (stopped) {
            EXPECT_LT(rms, startRms) << c.name << ": " << TwoSpeciesValues();
        } else {
            EXPECT_TRUE(AtTwoSpeciesTruth()) << c.name << ": " << TwoSpeciesValues();
        }
        // A key at the first trial finds nothing better; after 20 trials the fit had gained.
        if (c.keyAfter == 1 || c.keyAfter == 20) {
            EXPECT_EQ(startKept, c.keyAfter == 1) << c.name << ": " << said;
        }
    }
}

} // namespace
