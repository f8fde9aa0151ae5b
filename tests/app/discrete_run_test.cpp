// Run of a discrete-species model end to end in the window: scan files of known truth loaded
// through the menu, Run at the generating parameters, the rms deviation at the noise level, the
// fit curves drawn over the scans; a key press that stops a Run keeps the previous fit.
#include "app/txla_window.h"
#include "plat/testing.hpp"
#include "scandata/fit_limits.h"
#include "scandata/scan_store_alloc.h"
#include "state/model_parameters.h"
#include "support/main_window_fixture.h"
#include "support/velocity_store.h"

#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using M = ModelParameters;
using S = ScanStore;

// The two species, 3.5 S / 6.3e-7 and 7 S / 4.2e-7 cm^2/s, with noise of 0.005.
VelocitySet TwoSpecies() {
    VelocitySet set;
    set.noise = 0.005;
    set.seed = 4711;
    set.firstRadius = 6.02;
    set.lastRadius = 7.17;
    set.points = 576;
    return set;
}

class DiscreteRun : public ::testing::Test {
  protected:
    // Writes the set as scan files, loads them with Load New Files and sets the model to the
    // generating parameters, as the Parameters dialog leaves them.
    void LoadSet(const VelocitySet& set) {
        FillVelocityStore(set);
        std::vector<std::string> paths;
        for (int k = 1; k <= S::scanCount; ++k) {
            const GeneratedScan scan = VelocityScanFile(k, set.rpm);
            char name[32];
            std::snprintf(name, sizeof name, "%05d.RA1", k);
            paths.push_back(f.data.file(name));
            std::FILE* out = std::fopen(paths.back().c_str(), "w");
            std::fputs(scan.Text().c_str(), out);
            std::fclose(out);
        }
        float species[3][3];
        for (int slot = 1; slot <= 2; ++slot) {
            species[slot][0] = M::speciesS[slot];
            species[slot][1] = M::speciesDOrM[slot];
            species[slot][2] = M::concentration[slot];
        }
        f.script.expectFileOpen().title("select files to fit").answer(paths);
        f.script.expectInput().caption("LOAD FILES").answer("1");
        plat::test::command(f.window.get(), 200);
        f.script.pumpUntilIdle();
        ASSERT_TRUE(f.script.done()) << f.script.logText();
        ASSERT_EQ(S::scanCount, set.scans);
        M::meniscus = float(set.meniscus);
        M::bottom = float(set.bottom);
        for (int slot = 1; slot <= 2; ++slot) {
            M::speciesOn[slot] = 1;
            M::speciesS[slot] = species[slot][0];
            M::speciesDOrM[slot] = species[slot][1];
            M::concentration[slot] = species[slot][2];
        }
        PackFitParameters();
        S::leftFitLimit = set.leftFitLimit;
        S::rightFitLimit = set.rightFitLimit;
        ApplyLeftFitLimit();
        ApplyRightFitLimit();
    }
    void Run() {
        plat::test::command(f.window.get(), 213);
        f.script.pumpUntilIdle();
    }
    std::vector<float> Fits() const {
        std::vector<float> all;
        for (int k = 1; k <= S::scanCount; ++k)
            all.insert(all.end(), S::fit[k] + 1, S::fit[k] + 1 + S::pointCount[k]);
        return all;
    }

    MainWindowFixture f{900, 650};
};

TEST_F(DiscreteRun, GeneratingParametersGiveTheNoiseLevelAndDrawTheFits) {
    const VelocitySet set = TwoSpecies();
    LoadSet(set);
    Run();
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    ASSERT_TRUE(S::resultAvailable);
    const double rmsd = CalcFitRmsd();
    EXPECT_NEAR(rmsd / set.noise, 1.0, 0.05) << "rmsd " << rmsd << ", seed " << set.seed;

    // The fit curves are drawn over the scans: the picture with them differs from the one
    // without along every scan.
    const std::string withFits = f.data.file("run_with_fits.png");
    const std::string without = f.data.file("run_without_fits.png");
    ASSERT_TRUE(plat::test::windowPng(*f.window, withFits));
    if (const char* keep = std::getenv("TARNIX_KEEP_PNG"))
        plat::test::windowPng(*f.window, std::string(keep) + "/run_with_fits.png");
    S::resultAvailable = false;
    f.window->Invalidate(true);
    f.Paint();
    ASSERT_TRUE(plat::test::windowPng(*f.window, without));
    EXPECT_NE(ReadTextFile(withFits), ReadTextFile(without));
}

TEST_F(DiscreteRun, KeyPressStopsTheRunAndKeepsThePreviousFit) {
    LoadSet(TwoSpecies());
    Run();
    ASSERT_TRUE(S::resultAvailable);
    const std::vector<float> previous = Fits();

    M::speciesS[2] = 9.0f;
    PackFitParameters();
    plat::test::command(f.window.get(), 213);
    plat::test::key(f.window.get(), 'X', 'x');
    f.script.pumpUntilIdle();
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_EQ(Fits(), previous);
    EXPECT_TRUE(S::resultAvailable);
    EXPECT_FALSE(f.window->runBusy);
}

} // namespace
