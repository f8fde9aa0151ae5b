// A user's road to c(s) over negative s: scans of one floating species written as files and
// loaded, "Continuous c(s) Distribution" chosen over -20 to 0 S in its dialog, Run; at the
// default buffer and with a floating buffer's density typed under "Set v*rho", where c(s) with
// floating vbar is fitted too. The peak's mass in its label, the readout and the results summary;
// the shape members refuse such a range.
#include "app/molar_mass_readout.h"
#include "app/params_box.h"
#include "display/screen_button_set.h"
#include "distributions/integrate_distribution.h"
#include "foundations/hydrodynamics.h"
#include "scandata/fit_limits.h"
#include "state/conti_state.h"
#include "state/scan_store.h"
#include "support/conti_data_store.h"
#include "support/main_window_fixture.h"
#include "support/model_road.h"

#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr double kS = -10.0, kLoading = 1.0;

// Twelve noise-free scans of the floater at 20,000 rpm, every 900 s from 900 s. Its D is that of
// 10 S at f/f0 1.2 in the default buffer; the typed density 1.739726 turns the buoyancy
// 1 - vbar rho from 0.27 to -0.27, so f/f0 1.2 gives that D in either buffer.
std::vector<GeneratedScan> FloaterScans() {
    ContiStoreCase c;
    c.scans = 12;
    c.firstTimeS = c.intervalS = 900.0;
    c.rpm = 20000.0f;
    ContiDataStore store(c);
    ScanStore::density = 1.0f, ScanStore::vbarRho = 0.73f;
    const double m = CalculateMff02(float(-kS), 1.2f);
    store.Fill({{kS, 1.2, kLoading, DFromSandM(float(m), float(-kS), 20.0f)}});
    std::vector<GeneratedScan> scans;
    for (int k = 1; k <= c.scans; ++k) {
        scans.push_back(
            store.ScanFile(k, "[T OK]floater " + std::to_string(k), store.signal[k].data()));
        scans.back().rpm = 20000;
    }
    return scans;
}

// The floating buffer's density typed under "Set v*rho".
void TypeDensity(MainWindowFixture& f) {
    f.script.expectInput().prompt("partial spec. volume = ").answer("0.73");
    f.script.expectInput().prompt("partial spec. volume at 20C = ").answer("0.73");
    f.script.expectInput().prompt("buffer density = ").answer("1.739726");
    SendCommand(f, 218);
}

// c(s) (or the member of the command) from -20 to 0 S at 101 points and f/f0 1.2 in the
// parameters dialog, vbar floated from `vbar` when given.
void ChooseCsBelowZero(MainWindowFixture& f, int command, const char* vbar = nullptr) {
    SendCommand(f, command);
    plat::test::Step& page = f.script.expectDialog(kDistributionParamsDialogId)
                                 .set(kRangeMinId, "-20")
                                 .set(kRangeMaxId, "0")
                                 .set(kResolutionId, "101")
                                 .set(kFf0Id, "1.2")
                                 .set(kMeniscusId, "6.0")
                                 .set(kBottomId, "7.2");
    if (vbar)
        page.set(kVbarId, vbar).check(kVbarFloatId, true);
    page.ok();
    SendCommand(f, 212);
    ScanStore::leftFitLimit = 6.05f;
    ScanStore::rightFitLimit = 7.15f;
}

// The distribution of `model` (c(s)) chosen so, then `then` (Run).
void RunCsBelowZero(MainWindowFixture& f, int model = 275, const char* vbar = nullptr,
                    int then = 213) {
    ChooseCsBelowZero(f, model, vbar);
    SendCommand(f, then);
}

} // namespace

// At the default buffer (vbar 0.73, density 1) every grid point below 0 took the fallback D of
// 1e-4 cm^2/s: the Run misplaced the floater's peak and fitted badly. Now such a point has the
// size of its mirror |s|, and the Run finds the floater as it does where the buffer floats it.
TEST(CsBelowZeroRoad, FloaterFoundAtTheDefaultBufferAsWithTheDensityTyped) {
    const std::vector<GeneratedScan> scans = FloaterScans();
    for (const bool densityTyped : {false, true}) {
        SCOPED_TRACE(densityTyped ? "density typed" : "default buffer");
        MainWindowFixture f;
        f.script.onUnexpected(plat::test::Unexpected::DefaultButton);
        ASSERT_EQ(LoadScanFiles(f, scans), 12) << f.script.logText();
        if (densityTyped) {
            TypeDensity(f);
            ASSERT_GT(ScanStore::vbarRho, 1.0f);
        } else {
            ASSERT_LT(ScanStore::vbarRho, 1.0f);
        }
        RunCsBelowZero(f);
        ASSERT_NE(ContiState::distribution, nullptr) << f.script.logText();
        float area = 0, sw = 0;
        IntegrateDistribution(-12.0f, -8.0f, &area, &sw, nullptr, nullptr);
        EXPECT_NEAR(area, kLoading, 0.02 * kLoading);
        EXPECT_NEAR(sw, kS, 0.01 * std::abs(kS));
        EXPECT_LT(CalcFitRmsd(), 0.005) << f.script.logText();
    }
}

// One mass for the floater's peak in its label, the readout and the results summary: none at the
// default buffer, where only the grid takes the mirror's size; that of -10 S where it floats.
TEST(CsBelowZeroRoad, OnePeakReadsOneMassInItsLabelReadoutAndSummary) {
    for (const bool densityTyped : {false, true}) {
        MainWindowFixture f;
        f.script.onUnexpected(plat::test::Unexpected::DefaultButton);
        ASSERT_EQ(LoadScanFiles(f, FloaterScans()), 12) << f.script.logText();
        if (densityTyped)
            TypeDensity(f);
        RunCsBelowZero(f);
        SendCommand(f, 608); // label the peaks
        SendCommand(f, 199); // results summary
        ASSERT_EQ(ScreenButtonSet::peakLabelCount, 1) << f.script.logText();
        const float s = ScreenButtonSet::peakS[1];
        const double mass = densityTyped ? CalculateM(s) : 0.0;
        EXPECT_EQ(ScreenButtonSet::peakMass[1], float(mass)) << densityTyped;
        EXPECT_EQ(MolarMassReadoutText(s), MolarMassText(mass, CalculateMff02(s, 1.0f)));
        std::stringstream text;
        text << std::ifstream(f.data.file("results.txt")).rdbuf();
        EXPECT_NE(text.str().find("monomer Mw: " + std::to_string(float(mass))), std::string::npos)
            << text.str();
    }
}

// The shape members whose rule gives no molar mass below 0 at the default buffer (nor, for a table
// of positive rows, in a floating one) refuse the range with the grid check's box.
TEST(CsBelowZeroRoad, ShapeMembersWithoutAMassBelowZeroRefuseTheRange) {
    // bimodal f/f0, conformational change, wormlike chain, rod, M(s) table; density typed last
    for (const auto& [command, densityTyped] : std::initializer_list<std::pair<int, bool>>{
             {548, false}, {514, false}, {603, false}, {521, false}, {587, false}, {587, true}}) {
        MainWindowFixture f;
        f.script.onUnexpected(plat::test::Unexpected::DefaultButton);
        ASSERT_EQ(LoadScanFiles(f, FloaterScans()), 12) << f.script.logText();
        if (densityTyped)
            TypeDensity(f);
        std::ofstream(f.data.file("mofs.dat")) << "1 15000\n4 80000\n8 260000\n25 1500000\n";
        if (command == 587)
            f.script.expectFileOpen().answer(std::vector<std::string>{f.data.file("mofs.dat")});
        ChooseCsBelowZero(f, command);
        f.script.expectBox().textHas("choose a range where the rule holds").answer(IDOK);
        SendCommand(f, 213);
        EXPECT_TRUE(f.script.done()) << command << "\n" << f.script.logText();
        EXPECT_EQ(ContiState::distribution, nullptr) << command;
    }
}

// c(s) with floating vbar in the typed buffer, f/f0 fixed at the truth: a fit started where the
// buffer floats the species stays there and finds the floater's vbar; a sedimenting start stays
// below 0.99/density as it always did.
TEST(CsBelowZeroRoad, FloatingVbarFitKeepsTheSideOfItsStart) {
    const std::vector<GeneratedScan> scans = FloaterScans();
    const struct {
        const char* start;
        double lo, hi; // the vbar found
    } rows[] = {{"0.70", 0.725, 0.735}, {"0.77", 0.725, 0.735}, {"0.50", 0.1, 0.99 / 1.739726}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.start);
        MainWindowFixture f;
        f.script.onUnexpected(plat::test::Unexpected::DefaultButton);
        ASSERT_EQ(LoadScanFiles(f, scans), 12) << f.script.logText();
        TypeDensity(f);
        RunCsBelowZero(f, 602, row.start, 215);
        ASSERT_NE(ContiState::distribution, nullptr) << f.script.logText();
        EXPECT_GE(ScanStore::vbar, row.lo);
        EXPECT_LE(ScanStore::vbar, row.hi);
        float area = 0, sw = 0;
        IntegrateDistribution(-12.0f, -8.0f, &area, &sw, nullptr, nullptr);
        EXPECT_NEAR(area, kLoading, 0.02 * kLoading);
        EXPECT_NEAR(sw, kS, 0.01 * std::abs(kS));
    }
}
