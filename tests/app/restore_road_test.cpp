// A fitted analysis restored after another data set was loaded in between is the analysis that was
// fitted: its window, noise switches and species, the same rmsd at Run, and the window drawn is
// the one used. Before, the restored limits were drawn but the scans kept the ranges of the set
// loaded in between. Generate > Single cancelled at its dialog leaves that analysis untouched.
#include "app/params_box.h"
#include "fitting/parameter_report.h"
#include "foundations/random_numbers.h"
#include "scandata/fit_limits.h"
#include "state/fit_control.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/scan_store.h"
#include "support/main_window_fixture.h"
#include "support/typed_components.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <vector>

namespace {

using M = ModelParameters;
using S = ScanStore;
constexpr const char* kGenerate = "GENERATE DATA";
constexpr int kScans = 16;

// The questions of Generate > Single up to its parameters dialog.
void AskedBeforeTheDialog(MainWindowFixture& f, int formAnswer) {
    auto number = [&](const char* prompt, const char* answer) {
        f.script.expectInput().title(kGenerate).prompt(prompt).answer(answer);
    };
    f.script.expectBox().text("Fit with M and s instead D and s?").answer(formAnswer);
    number("density of points dr (cm)", "0.004");
    number("rotor speed (rpm)", "50000");
    f.script.expectBox().text("simulate with rotor acceleration phase?").answer(IDNO);
    number("time interval of scans (sec)", "300");
    number("number of simulated scans", std::to_string(kScans).c_str());
    number("std of noise (OD)", "0.004");
}

// Three species in a cell from 5.95 to 7.25 cm.
void Generate(MainWindowFixture& f) {
    AskedBeforeTheDialog(f, IDYES);
    auto& truth = f.script.expectDialog(kDiscreteParamsDialogId);
    TypeSpecies(truth, 1, "0.3", "2.1", "25", false, false);
    TypeSpecies(truth, 2, "0.4", "5", "80", false, false);
    TypeSpecies(truth, 3, "0.3", "9", "200", false, false);
    truth.set(kMeniscusId, "5.95").set(kBottomId, "7.25").ok();
    f.script.expectFileSave().answer(std::vector<std::string>{f.data.file("0000x.RA0")});
    Send(f, 214);
}

void LoadThrough(MainWindowFixture& f, const std::vector<std::string>& paths) {
    f.script.expectFileOpen().title("select files to fit").answer(paths);
    f.script.expectInput().caption("LOAD FILES").prompt("load every n'th file:").answer("1");
}

std::vector<std::string> GeneratedFiles(MainWindowFixture& f) {
    std::vector<std::string> paths;
    for (int i = 1; i <= kScans; ++i) {
        char name[20];
        std::snprintf(name, sizeof name, "%05d.ra0", i);
        paths.push_back(f.data.file(name));
    }
    return paths;
}

double ReportedRmsd() {
    for (const std::string& l : ParameterReportLines())
        if (l.rfind("rmsd = ", 0) == 0)
            return std::strtod(l.c_str() + 7, nullptr);
    return std::nan("");
}

// What the analysis holds, compared as a whole.
struct Analysis {
    std::vector<float> values;
    std::vector<int> flags;
    float left, right, meniscus, bottom;
    bool ti, ri, ms;
    static Analysis Take() {
        return {std::vector<float>(std::begin(M::fitValues), std::end(M::fitValues)),
                std::vector<int>(std::begin(M::fitFloat), std::end(M::fitFloat)),
                S::leftFitLimit,
                S::rightFitLimit,
                M::meniscus,
                M::bottom,
                ModelChoice::fitTINoise,
                ModelChoice::fitRINoise,
                ModelChoice::equilibriumMs};
    }
};

void ExpectSame(const Analysis& a, const Analysis& b, const char* when) {
    EXPECT_EQ(a.values, b.values) << when;
    EXPECT_EQ(a.flags, b.flags) << when;
    EXPECT_EQ(a.left, b.left) << when;
    EXPECT_EQ(a.right, b.right) << when;
    EXPECT_EQ(a.meniscus, b.meniscus) << when;
    EXPECT_EQ(a.bottom, b.bottom) << when;
    EXPECT_EQ(a.ti, b.ti) << when;
    EXPECT_EQ(a.ri, b.ri) << when;
    EXPECT_EQ(a.ms, b.ms) << when;
}

TEST(RestoreRoad, FitRestoredAfterAnotherSetReproducesAndGenerateCancelKeepsIt) {
    MainWindowFixture f(900, 650);
    SeedGaussRandom(31);
    Generate(f);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    const std::vector<std::string> setA = GeneratedFiles(f);
    LoadThrough(f, setA);
    Send(f, 200);
    Send(f, 198);
    // Start values near the truth, s1 floated, loadings linear, both noise terms fitted.
    auto& start = f.script.expectDialog(kDiscreteParamsDialogId);
    TypeSpecies(start, 1, "0.3", "2.0", "25", true, false);
    TypeSpecies(start, 2, "0.4", "5", "80", false, false);
    TypeSpecies(start, 3, "0.3", "9", "200", false, false);
    start.check(kLinearAmplitudesId).check(kTiNoiseId).check(kRiNoiseId).ok();
    Send(f, 212);
    // The user's window, set with the markers' keys as the left-button drag leaves it.
    S::leftFitLimit = 6.05f;
    S::rightFitLimit = 7.1f;
    ApplyLeftFitLimit();
    ApplyRightFitLimit();
    f.script.expectBox().caption("SET PREFERENCE").text("save as default setting?").answer(IDNO);
    Send(f, 826);
    Send(f, 215);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    const Analysis fitted = Analysis::Take();
    const float fittedRmsd = FitControl::bestRmsd;
    ASSERT_GT(fittedRmsd, 0.0f);
    ASSERT_TRUE(fitted.ti && fitted.ri);

    // Another set in between, of another cell, analysed with c(s).
    ScanSetOptions other;
    other.count = 6;
    other.dr = 0.005;
    other.meniscus = 6.3;
    other.bottom = 7.3;
    const std::string otherFolder = f.data.file("other");
    std::filesystem::create_directory(otherFolder);
    std::vector<std::string> otherPaths;
    for (const std::string& name : WriteScanSet(otherFolder, other))
        otherPaths.push_back(otherFolder + "/" + name);
    LoadThrough(f, otherPaths);
    Send(f, 200);
    Send(f, 275);
    ASSERT_TRUE(f.script.done()) << f.script.logText();

    // The fitted set again, its analysis restored.
    LoadThrough(f, setA);
    f.script.expectBox().text("restore previous data?").answer(IDYES);
    f.script.expectBox().text("load previous analysis?").answer(IDYES);
    Send(f, 200);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    ExpectSame(Analysis::Take(), fitted, "restored");
    for (int k = 1; k <= S::scanCount; ++k) {
        const int first = S::firstFitIndex[k];
        ASSERT_GT(first, 1) << k;
        EXPECT_GE(S::radius[k][first], S::leftFitLimit) << k;
        EXPECT_LT(S::radius[k][first - 1], S::leftFitLimit) << k;
    }
    EXPECT_NEAR(FitControl::displayedRmsd, fittedRmsd, 1e-6) << "at the load";
    Send(f, 213);
    EXPECT_NEAR(FitControl::displayedRmsd, fittedRmsd, 1e-6) << "at Run";
    EXPECT_NEAR(ReportedRmsd(), RmsInsideFitLimits(), 1e-5) << "at Run";
    f.script.expectBox().caption("SET PREFERENCE").text("save as default setting?").answer(IDNO);
    Send(f, 826);
    Send(f, 215);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_LE(FitControl::bestRmsd, fittedRmsd + 1e-6) << "refit";
    EXPECT_NEAR(M::speciesS[1], fitted.values[5], 2e-3 * fitted.values[5]) << "refit";
    EXPECT_NEAR(ReportedRmsd(), RmsInsideFitLimits(), 1e-5) << "after the refit";

    // Generate > Single cancelled at its parameters dialog, after asking for the D form.
    const Analysis before = Analysis::Take();
    const std::vector<float> dOrM(std::begin(M::speciesDOrM), std::end(M::speciesDOrM));
    AskedBeforeTheDialog(f, IDNO);
    f.script.expectDialog(kDiscreteParamsDialogId).cancel();
    Send(f, 214);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    ExpectSame(Analysis::Take(), before, "Generate cancelled");
    EXPECT_EQ(std::vector<float>(std::begin(M::speciesDOrM), std::end(M::speciesDOrM)), dOrM);
    EXPECT_TRUE(f.window->GetMenuModel()->IsChecked(217));
}

} // namespace
