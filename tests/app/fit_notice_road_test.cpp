// The box at the end of a fit, through the menu, on one species of known truth at vbar 0.73:
// ordinary proteins of 66 kDa at the temperature their scans carry get no box, with the viscosity
// left at water's or entered as the buffer's at that temperature, where c(s) finds the f/f0 the
// species has; a floating species is named for the sign of its s, with no ratio quoted.
#include "app/params_box.h"
#include "fitting/particle_friction.h"
#include "foundations/random_numbers.h"
#include "state/conti_state.h"
#include "state/model_parameters.h"
#include "support/generated_scans.h"
#include "support/main_window_fixture.h"
#include "support/typed_components.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace {

using M = ModelParameters;
constexpr int kScans = 20;

// The generated scans as recorded at `celsius` instead of 20 C (the second line's temperature).
void RecordAt(MainWindowFixture& f, const char* celsius) {
    for (int i = 1; i <= kScans; ++i) {
        char name[20];
        std::snprintf(name, sizeof name, "%05d.ra0", i);
        const std::string path = f.data.file(name);
        std::stringstream text;
        text << std::ifstream(path).rdbuf();
        std::string scan = text.str();
        const std::size_t at = scan.find(" 20.0 ", scan.find('\n'));
        ASSERT_NE(at, std::string::npos) << scan.substr(0, 200);
        scan.replace(at + 1, 4, celsius);
        std::ofstream(path) << scan;
    }
}

// One species of loading 0.5 generated with noise, recorded at `celsius` and loaded.
void LoadOneSpeciesAt(MainWindowFixture& f, const char* s, const char* mKDaAt20,
                      const char* celsius) {
    SeedGaussRandom(6);
    const GeneratedSpecies truth{"0.5", s, mKDaAt20};
    GenerateSpecies(f, kScans, &truth, 1, GeneratedSet{});
    RecordAt(f, celsius);
    LoadGeneratedScans(f, kScans, false);
}

// The buffer's viscosity (cP) entered where the program asks it, in exporting the experiment.
void EnterViscosity(MainWindowFixture& f, const char* centipoise) {
    f.script.expectFileSave().answer(std::vector<std::string>{f.data.file("run.xp")});
    f.script.expectInput().prompt("buffer density (g/ml)").answer("1");
    f.script.expectInput().prompt("buffer viscosity (cPoise)").answer(centipoise);
    f.script.onUnexpected(plat::test::Unexpected::DefaultButton); // vbar, cell, rotor kept
    f.script.expectBox().text("launch MIROVAN with data?").answer(IDNO);
    Send(f, 577);
    f.script.onUnexpected(plat::test::Unexpected::Fail);
}

// The discrete species fitted by Levenberg-Marquardt with linear amplitudes from the start given,
// `boxed` the box at its end (nullptr for none); the texts said from the fit on.
std::vector<std::string> FitFrom(MainWindowFixture& f, const char* startS, const char* startM,
                                 const char* boxed) {
    Send(f, 198);
    f.script.expectBox().caption("SET PREFERENCE").answer(IDNO);
    Send(f, 824);
    auto& start = f.script.expectDialog(kDiscreteParamsDialogId);
    TypeSpecies(start, 1, "0.5", startS, startM, true, true);
    start.check(kLinearAmplitudesId).ok();
    Send(f, 212);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    const std::size_t before = f.script.log().size();
    if (boxed)
        f.script.expectBox().caption("FIT RESULT").textHas(boxed);
    Send(f, 215);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    std::vector<std::string> said;
    for (std::size_t i = before; i < f.script.log().size(); ++i)
        said.push_back(f.script.log()[i].text);
    return said;
}

// s of 66 kDa at vbar 0.73 with f/f0 given, in water at t: f = f/f0 6 pi eta_t r0 with
// r0 = 2.6731 nm, s = M (1 - 0.73) / (N_A f). Water: 0.8900 cP at 25 C, 0.6913 cP at 37 C.
// The scans are generated at 20 C with the M that gives the same D there (M x 293.15 / T).
TEST(FitNoticeRoad, SilentOnProteinsAtTheirTemperatureNamesAFloatingSpeciesForItsSign) {
    struct Case {
        const char* name;
        const char* celsius;
        const char *s, *mKDaAt20, *startS, *startM;
        double s0, m;      // the truth the fit finds (S, Da)
        const char* boxed; // what the box says, nullptr for no box
    } cases[] = {
        {"f/f0 1.10 at 25 C", "25.0", "5.999", "64.893", "6.3", "62", 5.999, 66000, nullptr},
        {"f/f0 1.30 at 37 C", "37.0", "6.535", "62.383", "6.86", "62", 6.535, 66000, nullptr},
        {"floating at -20 S, 100 kDa", "20.0", "-20", "100", "-21", "95", -20, 100000,
         "species 1: s = -20 S, M = "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MainWindowFixture f(900, 650);
        LoadOneSpeciesAt(f, c.s, c.mKDaAt20, c.celsius);
        const std::vector<std::string> said = FitFrom(f, c.startS, c.startM, c.boxed);
        EXPECT_NEAR(M::speciesS[1] / c.s0, 1.0, 0.01);
        EXPECT_NEAR(M::speciesDOrM[1] / c.m, 1.0, 0.05);
        for (const std::string& text : said) {
            EXPECT_EQ(text.find("f/f0 = -"), std::string::npos) << text;
            if (text.find("no particle") != std::string::npos)
                EXPECT_NE(text.find("an s below 0, which vbar 0.73 and density 1 forbid"),
                          std::string::npos)
                    << text;
        }
    }
}

// The buffer's viscosity at the run's temperature entered (water is 1.564 cP at 4 C, 1.303 at
// 10 C, 0.690 at 37 C): f0 is taken in it as c(s) takes it, so proteins of f/f0 1.20 get no box
// and c(s) floats to their f/f0; one of f/f0 0.95 is named with it, the viscosity beside vbar.
TEST(FitNoticeRoad, TakesF0InTheBuffersViscosityAsCsDoes) {
    struct Case {
        const char *name, *celsius, *centipoise, *s, *mKDaAt20, *startS;
        double ff0;
    } cases[] = {
        {"f/f0 1.20 at 4 C", " 4.0", "1.564", "3.129", "69.810", "3.29", 1.20},
        {"f/f0 1.20 at 10 C", "10.0", "1.303", "3.756", "68.331", "3.94", 1.20},
        {"f/f0 0.95 at 37 C", "37.0", "0.690", "8.959", "62.382", "9.41", 0.95},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MainWindowFixture f(900, 650);
        LoadOneSpeciesAt(f, c.s, c.mKDaAt20, c.celsius);
        EnterViscosity(f, c.centipoise);
        const bool below = c.ff0 < 1.0;
        FitFrom(f, c.startS, "62",
                below ? ": f/f0 below 1, less than a sphere's of the same mass\nThe "
                        "values are kept: a wrong vbar, or a viscosity other than the buffer's at "
                        "the run's temperature, can make a real species look so."
                      : nullptr);
        double ff0 = 0.0;
        ASSERT_TRUE(SpeciesFrictionalRatio(1, ff0));
        EXPECT_NEAR(ff0, c.ff0, 0.005);
        if (below)
            continue;
        Send(f, 275);
        f.script.expectDialog(kDistributionParamsDialogId)
            .set(kRangeMinId, "0.5")
            .set(kRangeMaxId, "15")
            .set(kResolutionId, "100")
            .set(kFf0Id, "1.4")
            .check(kFf0FloatId)
            .ok();
        Send(f, 212);
        Send(f, 215);
        EXPECT_NEAR(ContiState::ff0, ff0, 0.005);
    }
}

} // namespace
