// A component whose least-squares loading is below zero, through the menu: 4 S / 50 kDa at
// +0.5 OD generated, 8 S / 140 kDa at 0.3 OD run and subtracted from the scans, then both species
// with linear amplitudes. A Run and a Fit give the second its loading of -0.3 and the first +0.5;
// the fit's end names the species of a loading below zero and keeps it.
#include "app/params_box.h"
#include "fitting/parameter_report.h"
#include "foundations/random_numbers.h"
#include "state/model_parameters.h"
#include "support/generated_scans.h"
#include "support/main_window_fixture.h"
#include "support/typed_components.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>

namespace {

using M = ModelParameters;
constexpr int kScans = 20;

// The report's line of species k.
std::string ReportOf(int k) {
    const std::string start = "species " + std::to_string(k) + ": ";
    for (const std::string& line : ParameterReportLines())
        if (line.rfind(start, 0) == 0)
            return line;
    return {};
}

// 4 S / 50 kDa at 0.5 OD generated and loaded, a species of 8 S and the M given at 0.3 OD run and
// subtracted from the scans.
void SubtractedSet(MainWindowFixture& f, const char* mKDa) {
    SeedGaussRandom(4);
    const GeneratedSpecies first{"0.5", "4", "50"};
    GenerateSpecies(f, kScans, &first, 1, GeneratedSet{});
    LoadGeneratedScans(f, kScans, false);
    Send(f, 198);
    f.script.expectDialog(kDiscreteParamsDialogId)
        .set(SpeciesControlId(1, kLoadingItem), "0.3")
        .set(SpeciesControlId(1, kSItem), "8")
        .set(SpeciesControlId(1, kDOrMItem), mKDa)
        .ok();
    Send(f, 212);
    Send(f, 213);
    f.script.expectBox().text("add simulated data to existing data?").answer(IDNO);
    f.script.expectBox().text("subtract simulated data from existing data?").answer(IDYES);
    f.script.expectBox().text("save data?").answer(IDNO);
    Send(f, 459);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
}

TEST(NegativeAmplitudeRoad, RunAndFitGiveTheLeastSquaresLoadingOfEitherSign) {
    MainWindowFixture f(900, 650);
    SubtractedSet(f, "140");

    struct Case {
        const char* name;
        int command;
        const char *s1, *m1, *s2, *m2;
    } cases[] = {
        {"Run at the truth", 213, "4", "50", "8", "140"},
        {"Fit from 10% off", 215, "4.4", "45", "7.2", "154"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto& page = f.script.expectDialog(kDiscreteParamsDialogId);
        TypeSpecies(page, 1, "0.4", c.s1, c.m1, true, true);
        TypeSpecies(page, 2, "0.5", c.s2, c.m2, true, true);
        page.check(kLinearAmplitudesId).ok();
        Send(f, 212);
        if (c.command == 215) {
            f.script.expectBox().caption("SET PREFERENCE").answer(IDNO);
            Send(f, 824);
            f.script.expectBox().caption("FIT RESULT").textHas("a loading below zero\nThe");
        }
        const std::size_t before = f.script.log().size();
        Send(f, c.command);
        for (std::size_t i = before; i < f.script.log().size(); ++i)
            EXPECT_EQ(f.script.log()[i].text.find("species 1"), std::string::npos);
        EXPECT_TRUE(f.script.done()) << f.script.logText();
        EXPECT_NEAR(M::speciesLoading[1], 0.5, 0.01) << TwoSpeciesValues();
        EXPECT_NEAR(M::speciesLoading[2], -0.3, 0.01) << TwoSpeciesValues();
        EXPECT_TRUE(AtTwoSpeciesTruth()) << TwoSpeciesValues();
        EXPECT_NE(ReportOf(1).find(", loading = 0."), std::string::npos) << ReportOf(1);
        EXPECT_NE(ReportOf(2).find(", loading = -0."), std::string::npos) << ReportOf(2);
    }
}

// The box's last line where it names a loading below zero: the fit may have ended in a valley of
// its start values; the loading stays as the fit left it. With 60 kDa the species' f/f0 is 0.69,
// and vbar and the viscosity are named too.
TEST(NegativeAmplitudeRoad, ALoadingBelowZeroSaysTheFitMayHaveEndedInAValley) {
    const std::string valley = "the fit may have ended in a valley of its start values, and "
                               "other start values may reach a better fit.";
    const struct {
        const char *m2, *startM2;
        std::string last;
    } cases[] = {
        {"140", "154", "\nThe values are kept: " + valley},
        {"60", "66",
         "\nThe values are kept: a wrong vbar, or a viscosity other than the buffer's at the run's "
         "temperature, can make a real species look so; " +
             valley},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.m2);
        MainWindowFixture f(900, 650);
        SubtractedSet(f, c.m2);
        f.script.expectBox().caption("SET PREFERENCE").answer(IDNO);
        Send(f, 824);
        auto& page = f.script.expectDialog(kDiscreteParamsDialogId);
        TypeSpecies(page, 1, "0.4", "4.4", "45", true, true);
        TypeSpecies(page, 2, "0.5", "7.2", c.startM2, true, true);
        page.check(kLinearAmplitudesId).ok();
        Send(f, 212);
        f.script.expectBox().caption("FIT RESULT").textHas(c.last);
        Send(f, 215);
        EXPECT_TRUE(f.script.done()) << f.script.logText();
        EXPECT_NEAR(M::speciesLoading[2], -0.3, 0.01) << TwoSpeciesValues();
    }
}

} // namespace
