// A user's road to c(s) on the side of 0 its buffer does not give: scans of one floating species
// written as files and loaded, "Continuous c(s) Distribution" chosen over -20 to 0 S in its
// dialog, Run, at the default buffer; a sedimenting species over 0 to 20 S with a floating
// buffer's density typed under "Set v*rho". c(s) with floating vbar is fitted in such buffers too.
// The peak's mass in its label, the readout and the results summary; the shape members refuse
// such a range.
#include "app/molar_mass_readout.h"
#include "app/params_box.h"
#include "display/screen_button_set.h"
#include "distributions/integrate_distribution.h"
#include "fitting/parameter_report.h"
#include "foundations/hydrodynamics.h"
#include "scandata/fit_limits.h"
#include "state/conti_state.h"
#include "state/scan_store.h"
#include "support/conti_data_store.h"
#include "support/main_window_fixture.h"
#include "support/model_road.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <initializer_list>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

constexpr double kS = -10.0, kLoading = 1.0;

// Twelve noise-free scans at 20,000 rpm, every 900 s from 900 s, of a species of s S with the D of
// |s| at f/f0 1.2 and the vbar in the buffer of that density (by default the floater: the typed
// density 1.739726 turns the buoyancy 1 - vbar rho from 0.27 to -0.27, so f/f0 1.2 gives that D in
// either buffer).
std::vector<GeneratedScan> SpeciesScans(double s = kS, float vbar = 0.73f, float density = 1.0f) {
    ContiStoreCase c;
    c.scans = 12;
    c.firstTimeS = c.intervalS = 900.0;
    c.rpm = 20000.0f;
    ContiDataStore store(c);
    ScanStore::vbar = vbar, ScanStore::density = density, ScanStore::vbarRho = vbar * density;
    const double m = CalculateMff02(float(std::abs(s)), 1.2f);
    store.Fill({{s, 1.2, kLoading, DFromSandM(float(m), float(std::abs(s)), 20.0f)}});
    ScanStore::vbar = 0.73f, ScanStore::density = 1.0f, ScanStore::vbarRho = 0.73f;
    std::vector<GeneratedScan> scans;
    for (int k = 1; k <= c.scans; ++k) {
        scans.push_back(
            store.ScanFile(k, "[T OK]floater " + std::to_string(k), store.signal[k].data()));
        scans.back().rpm = 20000;
    }
    return scans;
}

// The floating buffer's density typed under "Set v*rho".
void TypeDensity(MainWindowFixture& f, const char* density = "1.739726") {
    f.script.expectInput().prompt("partial spec. volume = ").answer("0.73");
    f.script.expectInput().prompt("partial spec. volume at 20C = ").answer("0.73");
    f.script.expectInput().prompt("buffer density = ").answer(density);
    SendCommand(f, 218);
}

// The range of the sample's side of 0: -20 to 0 S for the floater, 0 to 20 S for a sedimenter.
struct Side {
    const char *lo = "-20", *hi = "0";
};
constexpr Side kAboveZero{"0", "20"};

// c(s) (or the member of the command) over the side at 101 points and f/f0 1.2 in the parameters
// dialog, vbar floated from `vbar` when given, f/f0 floated when asked.
void ChooseCsOnSide(MainWindowFixture& f, int command, const char* vbar = nullptr, Side side = {},
                    bool ff0Floats = false) {
    SendCommand(f, command);
    plat::test::Step& page = f.script.expectDialog(kDistributionParamsDialogId)
                                 .set(kRangeMinId, side.lo)
                                 .set(kRangeMaxId, side.hi)
                                 .set(kResolutionId, "101")
                                 .set(kFf0Id, "1.2")
                                 .set(kMeniscusId, "6.0")
                                 .set(kBottomId, "7.2");
    if (vbar)
        page.set(kVbarId, vbar).check(kVbarFloatId, true);
    page.check(kFf0FloatId, ff0Floats).ok();
    SendCommand(f, 212);
    ScanStore::leftFitLimit = 6.05f;
    ScanStore::rightFitLimit = 7.15f;
}

// The distribution of `model` (c(s)) chosen so, then `then` (Run).
void RunCsOnSide(MainWindowFixture& f, int model = 275, const char* vbar = nullptr, int then = 213,
                 Side side = {}, bool ff0Floats = false) {
    ChooseCsOnSide(f, model, vbar, side, ff0Floats);
    SendCommand(f, then);
}

} // namespace

// At the default buffer (vbar 0.73, density 1) every grid point below 0 took the fallback D of
// 1e-4 cm^2/s, and in a floating buffer every point above 0: the Run misplaced the peak and fitted
// badly. Now such a point has the size of its mirror -s, and c(s), its Fit with f/f0 floated and
// the floating-vbar member find the species as where the buffer gives its side.
TEST(CsBelowZeroRoad, SpeciesFoundInEitherBuffer) {
    const struct {
        double s;
        const char* density; // typed, or the default buffer
        int model, then;
        bool ff0Floats;
    } rows[] = {{kS, nullptr, 275, 213, false},
                {kS, "1.739726", 275, 213, false},
                {-kS, "1.739726", 275, 213, false},
                {-kS, "2.2", 275, 215, true},
                {-kS, "1.739726", 602, 213, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.s << " S in " << (row.density ? row.density : "1")
                                        << ", model " << row.model << ", " << row.then);
        MainWindowFixture f;
        f.script.onUnexpected(plat::test::Unexpected::DefaultButton);
        ASSERT_EQ(LoadScanFiles(f, SpeciesScans(row.s)), 12) << f.script.logText();
        if (row.density) {
            TypeDensity(f, row.density);
            ASSERT_GT(ScanStore::vbarRho, 1.0f);
        }
        RunCsOnSide(f, row.model, nullptr, row.then, row.s > 0 ? kAboveZero : Side{},
                    row.ff0Floats);
        ASSERT_NE(ContiState::distribution, nullptr) << f.script.logText();
        float area = 0, sw = 0;
        IntegrateDistribution(float(row.s) - 2.0f, float(row.s) + 2.0f, &area, &sw, nullptr,
                              nullptr);
        EXPECT_NEAR(area, kLoading, 0.02 * kLoading);
        EXPECT_NEAR(sw, row.s, 0.01 * std::abs(kS));
        EXPECT_LT(CalcFitRmsd(), 0.005) << f.script.logText();
    }
}

// One mass for the floater's peak in its label, the readout and the results summary: none at the
// default buffer, where only the grid takes the mirror's size; that of -10 S where it floats.
TEST(CsBelowZeroRoad, OnePeakReadsOneMassInItsLabelReadoutAndSummary) {
    for (const bool densityTyped : {false, true}) {
        MainWindowFixture f;
        f.script.onUnexpected(plat::test::Unexpected::DefaultButton);
        ASSERT_EQ(LoadScanFiles(f, SpeciesScans()), 12) << f.script.logText();
        if (densityTyped)
            TypeDensity(f);
        RunCsOnSide(f);
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
// of positive rows, in a floating one; nor above 0 in a floating one) refuse the range with the
// grid check's box.
TEST(CsBelowZeroRoad, ShapeMembersWithoutAMassBelowZeroRefuseTheRange) {
    // bimodal f/f0, conformational change, wormlike chain, rod, M(s) table; density typed last;
    // the bimodal model on a sedimenter in the floating buffer (s above 0)
    for (const auto& [command, densityTyped, s] :
         std::initializer_list<std::tuple<int, bool, double>>{{548, false, kS},
                                                              {514, false, kS},
                                                              {603, false, kS},
                                                              {521, false, kS},
                                                              {587, false, kS},
                                                              {587, true, kS},
                                                              {548, true, -kS}}) {
        MainWindowFixture f;
        f.script.onUnexpected(plat::test::Unexpected::DefaultButton);
        ASSERT_EQ(LoadScanFiles(f, SpeciesScans(s)), 12) << f.script.logText();
        if (densityTyped)
            TypeDensity(f);
        std::ofstream(f.data.file("mofs.dat")) << "1 15000\n4 80000\n8 260000\n25 1500000\n";
        if (command == 587)
            f.script.expectFileOpen().answer(std::vector<std::string>{f.data.file("mofs.dat")});
        ChooseCsOnSide(f, command, nullptr, s > 0 ? kAboveZero : Side{});
        f.script.expectBox().textHas("choose a range where the rule holds").answer(IDOK);
        SendCommand(f, 213);
        EXPECT_TRUE(f.script.done()) << command << "\n" << f.script.logText();
        EXPECT_EQ(ContiState::distribution, nullptr) << command;
    }
}

// c(s) with floating vbar in a typed buffer, f/f0 fixed at the truth. Over -20 to 0 S a fit started
// where the buffer floats the species stays there (also from just above vbar rho 1) and finds the
// floater's vbar; a sedimenting start stays below 0.99/density as it always did. Over 0 to 20 S
// the data sediment: from the default vbar (or any start that floats them) the fit finds the vbar
// of the truth on the sedimenting side. The model keeps f/f0 fixed, its box checked or not, and
// its report says so.
TEST(CsBelowZeroRoad, FloatingVbarFitKeepsTheSideOfItsStart) {
    const struct {
        double s;
        float vbar, density; // of the data
        const char *typed, *start;
        double lo, hi; // the vbar found
    } rows[] = {{kS, 0.73f, 1.0f, "1.739726", "0.70", 0.725, 0.735},
                {kS, 0.73f, 1.0f, "1.739726", "0.77", 0.725, 0.735},
                {kS, 0.73f, 1.0f, "1.739726", "0.58", 0.725, 0.735},
                {kS, 0.73f, 1.0f, "1.739726", "0.50", 0.1, 0.99 / 1.739726},
                {5.0, 0.62f, 1.4f, "1.4", "0.73", 0.615, 0.625},
                {5.0, 0.512f, 1.739726f, "1.739726", "0.73", 0.507, 0.517},
                {5.0, 0.512f, 1.739726f, "1.739726", "0.60", 0.507, 0.517},
                {-kS, 0.73f, 1.0f, "1", "1.1", 0.725, 0.735}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message()
                     << row.s << " S, density " << row.typed << ", from " << row.start);
        MainWindowFixture f;
        f.script.onUnexpected(plat::test::Unexpected::DefaultButton);
        ASSERT_EQ(LoadScanFiles(f, SpeciesScans(row.s, row.vbar, row.density)), 12)
            << f.script.logText();
        TypeDensity(f, row.typed);
        RunCsOnSide(f, 602, row.start, 215, row.s > 0 ? kAboveZero : Side{}, true);
        ASSERT_NE(ContiState::distribution, nullptr) << f.script.logText();
        const std::vector<std::string> report = ParameterReportLines();
        EXPECT_NE(std::find(report.begin(), report.end(), "f/f0 = 1.2"), report.end());
        EXPECT_GE(ScanStore::vbar, row.lo);
        EXPECT_LE(ScanStore::vbar, row.hi);
        float area = 0, sw = 0;
        IntegrateDistribution(float(row.s) - 2.0f, float(row.s) + 2.0f, &area, &sw, nullptr,
                              nullptr);
        EXPECT_NEAR(area, kLoading, 0.02 * kLoading);
        EXPECT_NEAR(sw, row.s, 0.01 * std::abs(row.s));
    }
}
