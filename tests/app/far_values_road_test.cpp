// Values at the edge of single precision typed in the parameters dialog: a loading of 3.4e38 gave
// a Run whose fit held infinite points, stored without a word, and a bottom of 1e30 cm drew its
// marker through an out-of-range conversion to int (undefined behaviour, caught by the sanitizer
// at the first paint). On the roads of the systematic noise and the linear amplitudes the species
// were checked at unit loading and stored at their scale without a check, and the fit, noise and
// amounts completed from them were stored whatever they held. Residuals were formed, and the rms
// of each scan summed, in single precision: data of finite floats gave infinite residuals, rms
// and report.
#include "app/load_all_data.h"
#include "app/load_filters.h"
#include "app/params_box.h"
#include "display/plot_coordinates.h"
#include "plotting/win_plot.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_store_alloc.h"
#include "state/component_scans.h"
#include "state/conti_state.h"
#include "state/model_parameters.h"
#include "support/equilibrium_scan_set.h"
#include "support/finite_files.h"
#include "support/main_window_fixture.h"
#include "support/model_road.h"
#include "support/temp_folder.h"
#include "support/two_peak_scans.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <vector>

namespace {

using M = ModelParameters;
using S = ScanStore;

void LoadVelocitySet(MainWindowFixture& f) {
    ScanSetOptions velocity;
    velocity.count = 6;
    velocity.dr = 0.005;
    f.Load(velocity);
    Send(f, 198);
}

bool FitFinite() {
    for (int k = 1; k <= S::scanCount; ++k)
        for (int p = 1; p <= S::pointCount[k]; ++p)
            if (!std::isfinite(S::fit[k][p]))
                return false;
    return true;
}

// The fit, the species' rows, the noise and the amounts.
bool ModelFinite() {
    bool finite = FitFinite() && std::isfinite(M::baseline);
    for (const auto& rows : ComponentScans::rows)
        for (const auto& row : rows)
            for (const float v : row)
                finite = finite && std::isfinite(v);
    for (int g = 1; S::tiNoise && g <= S::gridCount; ++g)
        finite = finite && std::isfinite(S::tiNoise[g]);
    for (int k = 1; S::riNoise && k <= S::scanCount; ++k)
        finite = finite && std::isfinite(S::riNoise[k]);
    for (int i = 1; i <= 4; ++i)
        finite =
            finite && std::isfinite(M::speciesLoading[i]) && std::isfinite(M::concentration[i]);
    return finite;
}

TEST(FarValuesRoad, ALoadingNearTheLargestFloatIsRefusedAndNothingInfiniteStored) {
    MainWindowFixture f;
    f.script.onUnexpected(plat::test::Unexpected::Fail);
    LoadVelocitySet(f);
    // The loading of species 1, of which species 2 and 3 take 0.9 each: every loading is a
    // float, their sum in the plateau is not.
    auto& dialog = f.script.expectDialog(kDiscreteParamsDialogId);
    dialog.set(SpeciesControlId(1, kLoadingItem), "3.4e38");
    for (int k = 1; k <= 3; ++k) {
        dialog.check(SpeciesControlId(k, kIncludedItem), true)
            .set(SpeciesControlId(k, kSItem), "6")
            .set(SpeciesControlId(k, kDOrMItem), "6");
        if (k > 1)
            dialog.set(SpeciesControlId(k, kLoadingItem), "0.9");
    }
    dialog.ok();
    Send(f, 212);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    f.script.expectBox().caption("ERROR").textHas("beyond the range of single precision numbers");
    Send(f, 213);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_TRUE(FitFinite());
}

TEST(FarValuesRoad, EveryRoadRefusesAModelBeyondSinglePrecisionAndAFitStoresNone) {
    struct Case {
        const char* name;
        int road; // the switch of the road, 0 for the plain one
        const char* loading;
        const char* baseline;
    };
    const Case cases[] = {
        {"time-invariant noise", kTiNoiseId, "3.4e38", "0"},
        {"radially invariant noise", kRiNoiseId, "3.4e38", "0"},
        {"linear amplitudes", kLinearAmplitudesId, "3.4e38", "0"},
        // each species row within single precision, the model with its baseline beyond it
        {"time-invariant noise, far baseline", kTiNoiseId, "1e37", "3.3e38"},
        // below zero: the amplitude that meets it keeps the loading above zero
        {"linear amplitudes, far baseline", kLinearAmplitudesId, "1e37", "-3.3e38"},
        {"plain, far baseline", 0, "1e37", "3.3e38"},
    };
    for (const Case& c : cases) {
        MainWindowFixture f;
        f.script.onUnexpected(plat::test::Unexpected::Fail);
        LoadVelocitySet(f);
        auto type = [&](const char* loading, const char* baseline) {
            auto& dialog = f.script.expectDialog(kDiscreteParamsDialogId);
            dialog.set(SpeciesControlId(1, kLoadingItem), loading)
                .set(SpeciesControlId(1, kSItem), "6")
                .check(SpeciesControlId(1, kSItem + 1))
                .set(SpeciesControlId(1, kDOrMItem), "30")
                .set(kBaselineId, baseline);
            if (c.road != 0)
                dialog.check(c.road);
            dialog.ok();
            Send(f, 212);
        };
        type("1", "0");
        Send(f, 213);
        const std::vector<float> model(S::fit[1], S::fit[1] + S::pointCount[1] + 1);
        type(c.loading, c.baseline);
        f.script.expectBox().caption("ERROR").textHas(
            "beyond the range of single precision numbers");
        Send(f, 213);
        EXPECT_TRUE(f.script.done()) << c.name << "\n" << f.script.logText();
        EXPECT_TRUE(ModelFinite()) << c.name;
        EXPECT_EQ(std::vector<float>(S::fit[1], S::fit[1] + S::pointCount[1] + 1), model) << c.name;
        // a fit from there says so once and stores no trial beyond single precision
        f.script.expectBox().caption("ERROR").textHas(
            "beyond the range of single precision numbers");
        Send(f, 215);
        EXPECT_TRUE(f.script.done()) << c.name << "\n" << f.script.logText();
        EXPECT_TRUE(ModelFinite()) << c.name;
        f.script.expectFileSave().title("save fitted data as").answer(f.data.file("f0000x.ra0"));
        f.script.expectFileSave().title("save residuals as").answer(f.data.file("r0000x.ra0"));
        f.script.expectFileSave().title("save some fit parameters as").answer(f.data.file("p.txt"));
        Send(f, 203);
        EXPECT_TRUE(f.script.done()) << c.name << "\n" << f.script.logText();
        for (const std::string& word : NonFiniteNumbersIn(f.data.path()))
            ADD_FAILURE() << c.name << ": " << word;
    }
}

// The velocity set with every value at data (0: as generated).
void LoadVelocitySetAt(MainWindowFixture& f, double data) {
    ScanSetOptions velocity;
    velocity.count = 6;
    velocity.dr = 0.005;
    const std::vector<std::string> names = WriteScanSet(f.data.path(), velocity);
    for (int i = 1; data != 0.0 && i <= velocity.count; ++i) {
        GeneratedScan scan = SetScan(velocity, i);
        scan.value.assign(scan.value.size(), data);
        const std::string path = f.data.write(names[std::size_t(i - 1)], scan.Text());
        SetFileSeconds(path, velocity.fileTimeBase + scan.timeS);
    }
    const std::string selection = SelectionBuffer(f.data.path(), names);
    LoadAllData(f.window.get(), selection.c_str());
    Send(f, 198);
}

TEST(FarValuesRoad, ResidualsRmsAndReportOfFarDataAreFiniteOrRefused) {
    struct Case {
        const char* name;
        double data; // every value of the scans, 0 for the generated ones
        const char* loading;
        bool refused; // the residuals lie beyond single precision
    };
    const Case cases[] = {
        {"data at 3e38, loading 0.5", 3e38, "0.5", false},
        {"ordinary data, loading -1e38", 0.0, "-1e38", false},
        {"data at 3e38, loading -1e38", 3e38, "-1e38", true},
    };
    for (const Case& c : cases) {
        MainWindowFixture f;
        f.script.onUnexpected(plat::test::Unexpected::Fail);
        LoadVelocitySetAt(f, c.data);
        ASSERT_EQ(S::scanCount, 6) << c.name << "\n" << f.script.logText();
        auto type = [&](const char* loading) {
            f.script.expectDialog(kDiscreteParamsDialogId)
                .set(SpeciesControlId(1, kLoadingItem), loading)
                .ok();
            Send(f, 212);
        };
        type("0.5");
        Send(f, 213);
        type(c.loading);
        if (c.refused)
            f.script.expectBox().caption("ERROR").textHas(
                "lies beyond the range of single precision numbers:\nthe model is too far from "
                "the data for its residuals to be formed.");
        Send(f, 213);
        f.Paint();
        EXPECT_TRUE(f.script.done()) << c.name << "\n" << f.script.logText();
        f.script.expectFileSave().title("save fitted data as").answer(f.data.file("f0000x.ra0"));
        f.script.expectFileSave().title("save residuals as").answer(f.data.file("r0000x.ra0"));
        f.script.expectFileSave().title("save some fit parameters as").answer(f.data.file("p.txt"));
        Send(f, 203);
        EXPECT_TRUE(f.script.done()) << c.name << "\n" << f.script.logText();
        EXPECT_NE(ReadTextFile(f.data.file("ScanRms.dat")), "") << c.name;
        EXPECT_NE(ReadTextFile(f.data.file("p.txt")).find("rmsd = "), std::string::npos) << c.name;
        for (const std::string& word : NonFiniteNumbersIn(f.data.path()))
            ADD_FAILURE() << c.name << ": " << word;
    }
}

// The c(s) and equilibrium roads stored a fit beyond single precision, or residuals that were, as
// the discrete road once did: they refuse it with the same box, and nothing written is infinite.
TEST(FarValuesRoad, DistributionAndEquilibriumRoadsRefuseAModelBeyondSinglePrecision) {
    const struct {
        const char* name;
        bool cs;         // else the equilibrium model: Run, then Fit
        const char* box; // the first words of its box
    } cases[] = {
        {"c(s) of data up to the largest float", true, "The model signal at "},
        {"equilibrium data at -3e38, loading 1e38", false, "The residual at "},
    };
    for (const auto& c : cases) {
        MainWindowFixture f;
        f.script.onUnexpected(plat::test::Unexpected::DefaultButton);
        if (c.cs) {
            std::vector<GeneratedScan> scans = TwoSpeciesScans();
            double top = 0.0;
            for (const GeneratedScan& scan : scans)
                for (const double v : scan.value)
                    top = std::max(top, std::fabs(v));
            for (GeneratedScan& scan : scans)
                for (double& v : scan.value)
                    v *= 3.4e38 / top;
            // steps far beyond any the loader lets through as data
            ScanReaderOptions::dropSpikes = false;
            ASSERT_EQ(LoadScanFiles(f, scans), 12) << f.script.logText();
            ASSERT_TRUE(ChooseCsWith(f, {}));
            ContiState::maxEntRegularization = ContiState::secondDerivativeRegularization = false;
        } else {
            const auto far = [](double, const std::vector<double>& r) {
                return std::vector<double>(r.size(), -3e38);
            };
            f.script.expectFileOpen().answer(WriteScanFiles(f, EquilibriumScans(far, 0.0, 1)));
            SendCommand(f, 515);
            SendCommand(f, 284);
        }
        auto type = [&](const char* loading) {
            f.script.expectDialog(kEquilibriumParamsDialogId)
                .check(SpeciesControlId(1, kIncludedItem))
                .set(SpeciesControlId(1, kLoadingItem), loading)
                .check(SpeciesControlId(1, kLoadingItem + 1), false)
                .set(SpeciesControlId(1, kDOrMItem), "0.1")
                .check(SpeciesControlId(1, kDOrMItem + 1))
                .set(kMeniscusId, "6.9")
                .set(kBottomId, "7.2")
                .set(kBaselineId, "0")
                .check(kBaselineId + 1, false)
                .check(kTiNoiseId, false)
                .check(kRiNoiseId, false);
            SendCommand(f, 212);
        };
        if (!c.cs) {
            type("1");
            SendCommand(f, 213);
            ASSERT_TRUE(ScanStore::resultAvailable) << f.script.logText();
            type("1e38");
        }
        LoadFilters::maxGradient = std::numeric_limits<float>::infinity();
        f.script.onUnexpected(plat::test::Unexpected::Fail);
        f.script.expectBox().caption("ERROR").textHas(c.box).textHas(
            "beyond the range of single precision numbers");
        SendCommand(f, 213);
        EXPECT_TRUE(f.script.done()) << c.name << "\n" << f.script.logText();
        EXPECT_TRUE(FitFinite()) << c.name;
        if (c.cs) { // nothing stored, nothing to save
            EXPECT_FALSE(ScanStore::resultAvailable) << c.name;
            continue;
        }
        // a fit from there says so once and stores no trial beyond single precision
        f.script.onUnexpected(plat::test::Unexpected::DefaultButton);
        FitWithLevenbergMarquardt(f);
        EXPECT_EQ(std::count_if(
                      f.script.log().begin(), f.script.log().end(),
                      [&](const plat::test::PromptRecord& r) { return r.text.starts_with(c.box); }),
                  2)
            << c.name << "\n"
            << f.script.logText();
        EXPECT_TRUE(FitFinite()) << c.name;
        f.script.expectFileSave().title("save fitted data as").answer(f.data.file("f0000x.ra0"));
        f.script.expectFileSave().title("save residuals as").answer(f.data.file("r0000x.ra0"));
        f.script.expectFileSave().title("save some fit parameters as").answer(f.data.file("p.txt"));
        SendCommand(f, 203);
        EXPECT_TRUE(f.script.done()) << c.name << "\n" << f.script.logText();
        EXPECT_NE(ReadTextFile(f.data.file("r0001.RA1")), "") << c.name;
        EXPECT_NE(ReadTextFile(f.data.file("p.txt")).find("rmsd = "), std::string::npos) << c.name;
        for (const std::string& word : NonFiniteNumbersIn(f.data.path()))
            ADD_FAILURE() << c.name << ": " << word;
    }
}

TEST(FarValuesRoad, AFarBottomIsDrawnInsideTheIntRange) {
    MainWindowFixture f;
    f.script.onUnexpected(plat::test::Unexpected::DefaultButton);
    LoadVelocitySet(f);
    f.Paint();
    f.script.expectDialog(kDiscreteParamsDialogId).set(kBottomId, "1e30").ok();
    Send(f, 212);
    f.Paint();
    Send(f, 213); // refused for the bottom; the paint after it draws the marker again
    f.Paint();
    ASSERT_NE(S::dataPlot, nullptr);
    const float far[] = {M::bottom, -1e30f, std::numeric_limits<float>::max(),
                         std::numeric_limits<float>::infinity(),
                         std::numeric_limits<float>::quiet_NaN()};
    for (const float v : far) {
        EXPECT_LE(std::abs(DataToLogicalX(*S::dataPlot, v)), 10000000) << v;
        EXPECT_LE(std::abs(DataToLogicalY(*S::dataPlot, v)), 10000000) << v;
        EXPECT_LE(std::abs(MarkerColumn(*S::dataPlot, v, 1e6f)), 10000000) << v;
    }
}

} // namespace
