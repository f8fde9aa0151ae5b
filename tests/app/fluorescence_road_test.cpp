// A user's road with fluorescence data: load scans through the menu, Run, open the tools dialog
// with Alt+F, switch on the radial magnification gradient, and Run again: the model signal is
// now scaled by 1 + (r - meniscus)(factor - 1) everywhere. Likewise nonlinear detection: the
// next Run's model reaches the recorded data through the inverse of the detector's law.
#include "app/flo_tool_box.h"
#include "scandata/fit_limits.h"
#include "scandata/nonlinear_detection.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_store_alloc.h"
#include "state/fluorophore.h"
#include "state/model_parameters.h"
#include "support/main_window_fixture.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace {

using S = ScanStore;
using M = ModelParameters;

std::vector<std::vector<float>> Rows(float** rows) {
    std::vector<std::vector<float>> all(std::size_t(S::scanCount) + 1);
    for (int k = 1; k <= S::scanCount; ++k)
        all[k].assign(rows[k], rows[k] + S::pointCount[k] + 1);
    return all;
}

std::vector<std::vector<float>> Fits() {
    return Rows(S::fit);
}

// Four fluorescence scans loaded through the menu, each value v first passed through
// transform(v); the model set to one species of fixed loading.
ScanSetOptions LoadFluorescenceScans(MainWindowFixture& f, double (*transform)(double)) {
    ScanSetOptions o;
    o.count = 4;
    o.dr = 0.01;
    std::vector<std::string> paths;
    for (int i = 1; i <= o.count; ++i) {
        GeneratedScan s = SetScan(o, i);
        s.type = 'F';
        s.description = "[T OK]fluorescence run Voltage: 600 Gain: 2 Range: 1";
        s.third.assign(s.radius.size(), 0.5);
        for (double& v : s.value)
            v = transform(v * 100.0);
        char name[32];
        std::snprintf(name, sizeof name, "A%05d.FI1", i);
        paths.push_back(f.data.write(name, s.Text()));
    }
    f.script.expectFileOpen().title("select files to fit").answer(paths);
    f.script.expectInput().caption("LOAD FILES").answer("1");
    plat::test::command(f.window.get(), 200);
    f.script.pumpUntilIdle();
    M::meniscus = float(o.meniscus);
    M::bottom = float(o.bottom);
    M::speciesOn[1] = 1;
    M::speciesS[1] = 5.0f;
    M::speciesDOrM[1] = 6e-7f;
    M::concentration[1] = 100.0f;
    PackFitParameters();
    return o;
}

} // namespace

TEST(FluorescenceRoad, ToolsDialogGradientScalesTheNextRun) {
    MainWindowFixture f(900, 650);
    const ScanSetOptions o = LoadFluorescenceScans(f, [](double v) { return v; });
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    ASSERT_EQ(S::scanCount, o.count);
    ASSERT_TRUE(ScanDataKind::fluorescence);
    ASSERT_TRUE(f.window->GetMenuModel()->Contains(915)); // the "FloTools" item

    plat::test::command(f.window.get(), 213);
    f.script.pumpUntilIdle();
    ASSERT_TRUE(S::resultAvailable) << f.script.logText();
    const auto before = Fits();

    f.script.expectDialog(kFloToolDialogId).check(kFtGradientOn).set(kFtGradientFactor, "1.2").ok();
    const std::optional<int> altF = f.window->GetAcceleratorTable()->Match('F', KS_ALT);
    ASSERT_EQ(altF, 915);
    plat::test::command(f.window.get(), *altF);
    f.script.pumpUntilIdle();
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    ASSERT_TRUE(DetectionCorrections::gradientOn);
    EXPECT_TRUE(f.window->GetMenuModel()->IsChecked(907));

    plat::test::command(f.window.get(), 213);
    f.script.pumpUntilIdle();
    const auto after = Fits();
    int compared = 0;
    for (int k = 1; k <= S::scanCount; ++k)
        for (int i = 1; i <= S::pointCount[k]; ++i) {
            if (before[k][i] < 1.0f)
                continue;
            const double expected = 1.0 + (S::radius[k][i] - o.meniscus) * 0.2;
            EXPECT_NEAR(after[k][i] / before[k][i], expected, 1e-3) << k << " " << i;
            ++compared;
        }
    EXPECT_GT(compared, 100);
}

// The detector read y with (y - b)^p + b proportional to concentration: with the power entered
// in the tools dialog the next Run's fit is the model carried through the inverse law, and the
// recorded data stay as loaded.
TEST(FluorescenceRoad, ToolsDialogNonlinearDetectionReachesTheNextRun) {
    constexpr double kPower = 1.25;
    MainWindowFixture f(900, 650);
    LoadFluorescenceScans(f, [](double v) { return InverseNonlinearDetectionLaw(v, kPower, 0.0); });
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    ASSERT_EQ(S::scanCount, 4);
    const auto recorded = Rows(S::signal);
    // The model has a fixed loading, so its signal does not depend on the data.
    plat::test::command(f.window.get(), 213);
    f.script.pumpUntilIdle();
    ASSERT_TRUE(S::resultAvailable) << f.script.logText();
    const auto model = Fits();

    // The first confirmation switches the correction on, the second takes the power.
    f.script.expectDialog(kFloToolDialogId).check(kFtNonlinearOn).ok();
    f.script.expectDialog(kFloToolDialogId).set(kFtNonlinearPower, "1.25").ok();
    plat::test::command(f.window.get(), 915);
    plat::test::command(f.window.get(), 915);
    f.script.pumpUntilIdle();
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    ASSERT_TRUE(DetectionCorrections::nonlinearOn);
    ASSERT_EQ(DetectionCorrections::nonlinearPower, 1.25f);

    plat::test::command(f.window.get(), 213);
    f.script.pumpUntilIdle();
    int compared = 0;
    for (int k = 1; k <= S::scanCount; ++k)
        for (int i = 1; i <= S::pointCount[k]; ++i) {
            ASSERT_EQ(S::signal[k][i], recorded[k][i]) << k << " " << i;
            if (model[k][i] < 1.0f)
                continue;
            const double expected = InverseNonlinearDetectionLaw(model[k][i], kPower, 0.0);
            EXPECT_NEAR(S::fit[k][i] / expected, 1.0, 1e-5) << k << " " << i;
            ++compared;
        }
    EXPECT_GT(compared, 100);
}
