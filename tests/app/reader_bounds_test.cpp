// Readers take only values their records can hold and refuse what no sample can have: the
// distribution file checked finiteness in double and kept 1e39 as infinity in single precision,
// and the experiment file took a density of 1e38 or -1, a viscosity of 0 and a vbar of -5.
#include "app/experiment_file.h"
#include "distributions/distribution_files.h"
#include "plat/msgbox.hpp"
#include "plat/testing.hpp"
#include "scandata/scan_store_alloc.h"
#include "state/conti_state.h"
#include "support/reset_all_state.h"
#include "support/scan_set_generator.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using S = ScanStore;

TEST(ReaderBounds, ValuesBeyondTheRecordOrBeyondPhysicsAreRefused) {
    ResetAllState();
    TempFolder dir;
    // Distribution files: a value beyond single precision refuses the whole file.
    for (const char* text :
         {"1 0.5\n2 1e39\n3 0.5\n", "1 0.5\n1e39 1\n", "-1e39 1\n2 1\n", "1 0.5\n2 -3.5e38\n"}) {
        EXPECT_FALSE(LoadDistributionFromFile(dir.write("dist.dat", text).c_str())) << text;
        EXPECT_EQ(ContiState::distribution, nullptr) << text;
    }
    ASSERT_TRUE(LoadDistributionFromFile(dir.write("dist.dat", "1 0.5\n2 3e38\n").c_str()));
    EXPECT_EQ(ContiState::distribution[2], 3e38f);

    // Experiment files: each impossible solution value is refused with the reader's box; the
    // values before it stay.
    ScanSetOptions set;
    set.count = 3;
    set.points = 200;
    const std::vector<std::string> names = WriteScanSet(dir.path(), set);
    auto xp = [&](const std::string& density, const std::string& viscosity,
                  const std::string& vbar) {
        std::string text = "0 (ExperimentType: SEDVELOCITY)\ndemo\n\"" + dir.path() + "\" \"";
        for (const std::string& n : names)
            text += " " + n;
        return text + "\"\n" + density + "\n" + viscosity + "\n" + vbar + "\n6.0\n7.18\n";
    };
    struct Case {
        const char *density, *viscosity, *vbar, *refused;
        int line;
        float densityAfter, vbarAfter;
    };
    const Case cases[] = {
        {"1e38", "0.001002", "0.73", "buffer density (g/ml) 1e38", 4, 0.5f, 0.5f},
        {"-1", "0.001002", "0.73", "buffer density (g/ml) -1", 4, 0.5f, 0.5f},
        {"1.01", "0", "0.73", "buffer viscosity (Pa s) 0", 5, 1.01f, 0.5f},
        {"1.01", "0.001002", "-5", "partial-specific volume (ml/g) -5", 6, 1.01f, 0.5f},
        {"1.01", "0.001002", "1e38", "partial-specific volume (ml/g) 1e38", 6, 1.01f, 0.5f},
        {"1.01", "0.001002", "0.73", nullptr, 0, 1.01f, 0.73f},
    };
    for (const Case& c : cases) {
        S::density = S::vbar = 0.5f;
        const std::string path = dir.write("demo.xp", xp(c.density, c.viscosity, c.vbar));
        plat::test::Script script;
        if (c.refused)
            script.expectBox().caption("ERROR").text(std::string(c.refused) + " on line " +
                                                     std::to_string(c.line) + " of " + path +
                                                     " is impossible");
        else
            script.expectBox().caption("ERROR").text(
                "line 9 of " + path +
                " is missing: the file ends before it, and the values from it on are not read");
        ReadXpExperiment(nullptr, path.c_str());
        EXPECT_TRUE(script.done()) << c.density << " " << c.viscosity << " " << c.vbar << "\n"
                                   << script.logText();
        ASSERT_EQ(S::scanCount, 3);
        EXPECT_EQ(S::density, c.densityAfter) << c.density;
        EXPECT_EQ(S::vbar, c.vbarAfter) << c.vbar;
        EXPECT_GT(S::viscosity, 0.0f);
    }
    ResetAllState();
}

} // namespace
