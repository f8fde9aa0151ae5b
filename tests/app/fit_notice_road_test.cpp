// The box at the end of a fit, through the menu, on one species of known truth at vbar 0.73 in
// water: ordinary proteins of 66 kDa at the temperature their scans carry get no box; a floating
// species is named for the sign of its s, with no ratio quoted.
#include "app/params_box.h"
#include "foundations/random_numbers.h"
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
        SeedGaussRandom(6);
        const GeneratedSpecies truth{"0.5", c.s, c.mKDaAt20};
        GenerateSpecies(f, kScans, &truth, 1, GeneratedSet{});
        RecordAt(f, c.celsius);
        LoadGeneratedScans(f, kScans, false);
        Send(f, 198);
        f.script.expectBox().caption("SET PREFERENCE").answer(IDNO);
        Send(f, 824);
        auto& start = f.script.expectDialog(kDiscreteParamsDialogId);
        TypeSpecies(start, 1, "0.5", c.startS, c.startM, true, true);
        start.check(kLinearAmplitudesId).ok();
        Send(f, 212);
        ASSERT_TRUE(f.script.done()) << f.script.logText();
        const std::size_t before = f.script.log().size();
        if (c.boxed)
            f.script.expectBox().caption("FIT RESULT").textHas(c.boxed);
        Send(f, 215);
        EXPECT_TRUE(f.script.done()) << f.script.logText();
        EXPECT_NEAR(M::speciesS[1] / c.s0, 1.0, 0.01);
        EXPECT_NEAR(M::speciesDOrM[1] / c.m, 1.0, 0.05);
        for (std::size_t i = before; i < f.script.log().size(); ++i) {
            const std::string& said = f.script.log()[i].text;
            EXPECT_EQ(said.find("f/f0 = -"), std::string::npos) << said;
            if (said.find("no particle") != std::string::npos)
                EXPECT_NE(said.find("an s below 0, which vbar 0.73 and density 1 forbid"),
                          std::string::npos)
                    << said;
        }
    }
}

} // namespace
