// Run with species or run conditions no solution can use: each is refused before anything is
// computed, with a message naming the value, and the previous model stays. A NaN loading used to
// store a fit of NaN, and D < 0, a bottom of 1e30 cm, 1e30 rpm, a NaN scan time or -300 C were
// taken silently.
#include "plat/testing.hpp"
#include "scandata/scan_header.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/simulation_switches.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/reset_all_state.h"
#include "support/velocity_store.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <limits>

namespace {

using M = ModelParameters;
using S = ScanStore;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

TEST(ImpossibleInput, RunRefusesEachValueByName) {
    struct Case {
        const char* name;
        std::function<void()> spoil;
        const char* textStart;
    };
    const Case cases[] = {
        {"NaN loading", [] { M::concentration[1] = kNaN; }, "species 1: the concentration nan"},
        {"infinite loading", [] { M::concentration[1] = kInf; },
         "species 1: the concentration inf"},
        {"loading beyond float", [] { M::concentration[1] = 3e38f, M::concentration[2] = -3e38f; },
         "species 1: the concentration"},
        {"NaN s", [] { M::speciesS[1] = kNaN; }, "species 1: s = nan S"},
        {"s beyond any particle", [] { M::speciesS[1] = 1e30f; }, "species 1: s = 1e+30 S"},
        {"negative D", [] { M::speciesDOrM[1] = -5.0f; }, "species 1: D = -5"},
        {"infinite D", [] { M::speciesDOrM[1] = kInf; }, "species 1: D = inf"},
        {"zero M",
         [] {
             ModelChoice::equilibriumMs = true;
             M::speciesDOrM[1] = 0.0f;
         },
         "species 1: M = 0"},
        {"bottom 1e30 cm", [] { M::bottom = 1e30f; }, "bottom (1e+30 cm) lies beyond any rotor"},
        {"1e30 rpm", [] { S::header[2].rotorSpeed = 1e30f; },
         "scan 00002.RA1 was recorded at 1e+30 rpm"},
        {"NaN rpm", [] { S::header[2].rotorSpeed = kNaN; }, "scan 00002.RA1 was recorded at nan"},
        {"NaN time", [] { S::header[3].time = kNaN; }, "scan 00003.RA1 has the time nan s"},
        {"negative time", [] { S::header[3].time = -10.0; }, "scan 00003.RA1 has the time -10 s"},
        {"-300 C", [] { S::header[4].temperature = -300.0f; },
         "scan 00004.RA1 was recorded at -300 deg C"},
    };
    for (const Case& c : cases) {
        ResetAllState();
        VelocitySet set;
        set.species = {{4.5, 6e-7, 1.0}};
        set.points = 301;
        set.scans = 5;
        FillVelocityStore(set);
        M::speciesS[1] = 4.0f;
        M::speciesDOrM[1] = 5.0f;
        M::concentration[1] = 1.0f;
        M::speciesS[2] = 8.0f;
        M::speciesDOrM[2] = 4.0f;
        for (int k = 1; k <= S::scanCount; ++k)
            std::fill(S::fit[k] + 1, S::fit[k] + 1 + S::pointCount[k], 0.25f);
        c.spoil();
        if (M::concentration[2] != 0.0f)
            M::speciesOn[2] = 1;
        PackFitParameters();
        plat::test::Script script;
        script.expectBox().caption("ERROR").textHas(c.textStart);
        RunDiscreteSed(nullptr);
        EXPECT_TRUE(script.done()) << c.name << "\n" << script.logText();
        EXPECT_FALSE(S::resultAvailable) << c.name;
        for (int k = 1; k <= S::scanCount; ++k)
            for (int i = 1; i <= S::pointCount[k]; ++i)
                ASSERT_EQ(S::fit[k][i], 0.25f) << c.name;
    }
    ResetAllState();
}

} // namespace
