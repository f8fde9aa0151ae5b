// The M* screen as a user drives it: three speeds of one species at equilibrium, the
// transformation command, a smoothing button, a fitting limit dragged with the mouse, the copy
// commands, Escape; and the refusals that leave the loaded data as they were.
#include "app/mstar_actions.h"
#include "display/baseline_estimate_plot.h"
#include "display/marker_lines.h"
#include "display/mstar_screen.h"
#include "foundations/ccurve.h"
#include "foundations/error_box_log.h"
#include "foundations/physical_constants.h"
#include "plotting/plot_globals.h"
#include "plotting/screen_button.h"
#include "plotting/win_plot.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/equilibrium_kernel.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/mstar_state.h"
#include "state/window_services.h"
#include "support/equilibrium_scan_set.h"
#include "support/main_window_fixture.h"
#include "support/mstar_screen_fixture.h"
#include "support/store_builder.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sstream>
#include <string>

namespace {

using MS = MStarState;
using S = ScanStore;

class MStarRoad : public MStarScreenFixture {};

TEST_F(MStarRoad, TransformSmoothDragCopyAndLeave) {
    CWINPlot* dataPlot = S::dataPlot;
    Command(896);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    ASSERT_TRUE(MS::active);
    EXPECT_EQ(S::dataPlot, MS::signalPlot);
    ASSERT_EQ(MS::buttonCount, 4 * 3 + 9);
    for (int k = 1; k <= 3; ++k) {
        EXPECT_NEAR(MS::sets[std::size_t(k)].mwAverage, truth, 0.01 * truth) << k;
        EXPECT_NEAR(MS::sets[std::size_t(k)].mwLinearFit, truth, 0.01 * truth) << k;
    }
    char label[80];
    std::snprintf(label, sizeof label, "Mwavg(1) = %.1f (kDa)", double(MS::sets[1].mwAverage));
    EXPECT_STREQ(MS::buttons[9]->offText, label);
    f.Paint();

    // The smoothing of ln c: 2.57 % is stored as 25 tenths, the button shows 2.5.
    f.script.expectInput()
        .caption("lnc-r2 transformation")
        .prompt("SG smooth %distance:")
        .answer("2.57");
    f.script.expectInput()
        .caption("lnc-r2 transformation")
        .prompt("SG smooth order (box=1):")
        .answer("1");
    Click(2);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_EQ(MS::lnCSmoothHalfWidth, 25);
    EXPECT_STREQ(MS::buttons[2]->offText, "SG smooth = 2.5 %(1)");

    // The meniscus extrapolation range dragged over the signal plot.
    f.script.expectInput()
        .caption("M* transformation")
        .prompt("polynomial order (1 or 2):")
        .answer("1");
    f.script.expectBox()
        .caption("M* transformation")
        .text("change extrapolation basis?")
        .answer(IDYES);
    Click(1);
    EXPECT_TRUE(MS::meniscusRangeDragPending);
    EXPECT_STREQ(MS::buttons[8 + 9 + 1]->offText, "drag right mouse");
    const TRect client = f.window->GetClientRect();
    auto column = [&](float r) {
        return int((r * MS::signalPlot->xScale + MS::signalPlot->xOffset) * client.right / 1400.0);
    };
    // A band to the left leaves the selection pending; one to the right sets the range.
    plat::test::mouse(f.window.get(), WM_RBUTTONDOWN, column(6.95f), 100, MK_RBUTTON);
    plat::test::mouse(f.window.get(), WM_MOUSEMOVE, column(6.92f), 120, MK_RBUTTON);
    plat::test::mouse(f.window.get(), WM_RBUTTONUP, column(6.92f), 120);
    f.script.pumpUntilIdle();
    EXPECT_TRUE(MS::meniscusRangeDragPending);
    plat::test::mouse(f.window.get(), WM_RBUTTONDOWN, column(6.92f), 100, MK_RBUTTON);
    plat::test::mouse(f.window.get(), WM_MOUSEMOVE, column(6.95f), 120, MK_RBUTTON);
    plat::test::mouse(f.window.get(), WM_RBUTTONUP, column(6.95f), 120);
    f.script.pumpUntilIdle();
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_FALSE(MS::meniscusRangeDragPending);
    EXPECT_NEAR(MS::meniscusFitRange[1], 6.92f, 0.003f);
    EXPECT_NEAR(MS::meniscusFitRange[2], 6.95f, 0.003f);
    EXPECT_EQ(MS::meniscusExtrapolationOrder, 1);
    EXPECT_NEAR(MS::sets[2].mwAverage, truth, 0.01 * truth);

    // Copy the M* data of data set 2 (2.7 is rounded down).
    f.script.expectInput().caption("COPY M* DATA").prompt("which data set?").answer("2.7");
    f.script.expectBox()
        .caption("COPY M* DATA")
        .text("r vs M*(r) is in clipboard - paste before continuing")
        .answer(IDOK);
    f.script.expectBox()
        .caption("COPY M* DATA")
        .text("extrapolation of r vs M*(r) is in clipboard - paste before continuing")
        .answer(IDOK);
    Command(919);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    const std::string table = plat::test::clipboard().text.value_or("");
    std::istringstream lines(table);
    int rows = 0;
    double r = 0.0, mw = 0.0;
    while (lines >> r >> mw)
        ++rows;
    EXPECT_EQ(rows, 100);
    EXPECT_NEAR(mw, MS::sets[2].mwAverage, 0.01);

    // Escape leaves the screen and gives the data plot back.
    plat::test::key(f.window.get(), 27, 27);
    f.script.pumpUntilIdle();
    EXPECT_FALSE(MS::active);
    EXPECT_EQ(S::dataPlot, dataPlot);
    EXPECT_EQ(MS::buttonCount, 0);
}

// The left fitting limit dragged with the mouse over the signal plot: the screen recomputes with
// the new range at once, and the molar mass stays the truth.
TEST_F(MStarRoad, FitLimitMarkerDraggedRecomputesTheScreen) {
    Command(896);
    ASSERT_TRUE(MS::active);
    f.Paint();
    TXLAWindow* w = f.window.get();
    const int from = DataPlotColumn(w, S::leftFitLimit), to = DataPlotColumn(w, 6.95f);
    const float target = DataRadiusAtColumn(w, to);
    const int row = int(0.2 * w->clientHeight); // inside the signal plot's band
    plat::test::mouse(w, WM_LBUTTONDOWN, from, row, MK_LBUTTON);
    plat::test::mouse(w, WM_MOUSEMOVE, (from + to) / 2, row, MK_LBUTTON);
    plat::test::mouse(w, WM_MOUSEMOVE, to, row, MK_LBUTTON);
    plat::test::mouse(w, WM_LBUTTONUP, to, row);
    f.script.pumpUntilIdle();
    f.Paint();
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_NEAR(S::leftFitLimit, target, 0.002f);
    for (int k = 1; k <= 3; ++k) {
        const MStarSet& set = MS::sets[std::size_t(k)];
        EXPECT_GE(set.workRadius[std::size_t(set.firstIndex)], target - 0.0021f) << k;
        EXPECT_LT(set.workRadius[std::size_t(set.firstIndex)], target + 0.0021f) << k;
        EXPECT_NEAR(set.mwAverage, truth, 0.01 * truth) << k;
    }
    EXPECT_TRUE(MS::active);
}

TEST_F(MStarRoad, RefusalsLeaveTheDataAsTheyWere) {
    struct Case {
        const char* name;
        void (*set)();
        const char* text;
    };
    const Case cases[] = {
        {"no equilibrium data", [] { S::equilibriumData = false; },
         "equilibrium data set must be loaded for MSTAR"},
        // Unset limits padded thousands of points from radius 0 and showed M* = 0 everywhere.
        {"no meniscus", [] { ModelParameters::meniscus = 0.0f; }, "Set Fitting Limits First"},
        {"limits reversed", [] { S::leftFitLimit = 7.19f, S::rightFitLimit = 6.95f; },
         "Set Fitting Limits First"},
    };
    for (const Case& c : cases) {
        SetUp();
        c.set();
        const float first = S::signal[1][1];
        f.script.expectBox().caption("ERROR").text(c.text).answer(IDOK);
        Command(896);
        EXPECT_TRUE(f.script.done()) << c.name << f.script.logText();
        EXPECT_FALSE(MS::active) << c.name;
        EXPECT_EQ(S::signal[1][1], first) << c.name;
    }
}

TEST_F(MStarRoad, ADataSetTooShortForItsExtrapolationsSaysSo) {
    for (int k = 1; k <= 3; ++k) {
        S::pointCount[k] = 4;
        S::firstFitIndex[k] = 1;
        S::lastFitIndex[k] = 4;
    }
    S::leftFitLimit = 6.9025f;
    S::rightFitLimit = 6.9075f;
    // Each data set's meniscus and bottom ranges hold too few points for their order.
    for (int i = 0; i < 6; ++i)
        f.script.expectBox()
            .caption("Error")
            .text("Error: extrapolation order higher than number of data points")
            .answer(IDOK);
    Command(896);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_EQ(S::pointCount[1], 4);
    plat::test::key(f.window.get(), 27, 27);
    f.script.pumpUntilIdle();
    EXPECT_FALSE(MS::active);
}

TEST_F(MStarRoad, SmoothingWidthsStayInsideTheData) {
    // A negative half width put the shown and copied rows before the first point, one wider
    // than the data beyond the last.
    Command(896);
    ASSERT_TRUE(MS::active);
    f.script.expectInput()
        .caption("lnc-r2 transformation")
        .prompt("SG smooth %distance:")
        .answer("-5");
    Click(3);
    EXPECT_EQ(MS::mappSmoothHalfWidth, 0);
    f.script.expectInput()
        .caption("lnc-r2 transformation")
        .prompt("SG smooth %distance:")
        .answer("1000");
    f.script.expectInput()
        .caption("lnc-r2 transformation")
        .prompt("SG smooth order (box=1):")
        .answer("-3");
    Click(2);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_LE(MS::lnCSmoothHalfWidth, MS::sets[1].pointCount / 4);
    EXPECT_EQ(MS::lnCSmoothOrder, 0);
    // Extrapolation orders outside 0 .. 2 are brought back into it.
    for (auto [answer, order] : {std::pair{"-1", 0}, {"9", 2}}) {
        f.script.expectInput()
            .caption("M* transformation")
            .prompt("polynomial order (1 or 2):")
            .answer(answer);
        f.script.expectBox()
            .caption("M* transformation")
            .text("change extrapolation basis?")
            .answer(IDNO);
        Click(1);
        EXPECT_TRUE(f.script.done()) << answer << f.script.logText();
        EXPECT_EQ(MS::meniscusExtrapolationOrder, order) << answer;
        EXPECT_TRUE(std::isfinite(MS::sets[1].meniscusSignal)) << answer;
    }
    f.script.expectInput().caption("COPY MW DATA").prompt("which data set?").answer("1");
    f.script.expectBox()
        .caption("COPY MW DATA")
        .text("for c vs Mapp(c), subtract baseline?")
        .answer(IDNO);
    f.script.expectBox()
        .caption("COPY MW DATA")
        .text("c vs Mapp(c) is in clipboard - paste before continuing")
        .answer(IDOK);
    Command(920);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    // An answer beyond the loaded data sets copies nothing.
    f.script.expectInput().caption("COPY LNC DATA").prompt("which data set?").answer("7");
    Command(918);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
}

TEST_F(MStarRoad, HingePointOfEachDataSet) {
    Command(896);
    ASSERT_TRUE(MS::active);
    for (int k = 1; k <= 3; ++k) {
        f.script.expectBox()
            .caption("HINGE POINT INFO")
            .textHas("estimated loading signal from meniscus (6.900) to bottom (7.200) = 0.4")
            .answer(IDNO);
        f.script.expectInput()
            .caption("HINGE POINT INFO")
            .prompt("radial interval for smoothing Mapp(r_hinge)")
            .answer("0.02");
        f.script.expectBox().caption("HINGE POINT INFO").textHas("Mwapp(rhinge=").answer(IDOK);
    }
    Click(7);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    // The molar mass at the hinge is that of the single species.
    for (const plat::test::PromptRecord& r : f.script.log())
        if (r.text.rfind("Mwapp(rhinge=", 0) == 0) {
            const double mw = std::atof(r.text.substr(r.text.find(") = ") + 4).c_str());
            EXPECT_NEAR(mw, truth, 0.01 * truth) << r.text;
        }
    EXPECT_FALSE(MS::buttons[7]->on);
}

} // namespace

namespace {

// The second run of the transformation with the plain c(M) model chosen asks for c(M)
// smoothing. A fit of the data carries M* to meniscus and bottom; data short of the meniscus,
// or no fit yet (zero throughout: the answer Yes can come before any fit), say why and go on
// without it.
TEST_F(MStarRoad, CMSmoothingFromTheQuestionShowsTheFitOrSaysWhyNot) {
    struct Case {
        const char* name;
        bool reachesMeniscus;
        bool fitted;
        const char* caption; // of the refusal, or null
    };
    const Case cases[] = {
        {"fit of data that span the cell", true, true, nullptr},
        {"data start above the meniscus", false, true, "MISSING DATA"},
        {"no fit yet", true, false, "M* transformation"},
    };
    const int n = kEquilibriumPoints;
    for (const Case& c : cases) {
        SetUp();
        if (c.reachesMeniscus) {
            ModelParameters::meniscus = S::radius[1][1];
            ModelParameters::bottom = S::radius[1][n];
        }
        for (int k = 1; k <= 3; ++k)
            for (int i = 1; i <= n; ++i)
                S::fit[k][i] = c.fitted ? S::signal[k][i] : 0.0f;
        ModelChoice::contiMode = true;
        Command(896);
        ASSERT_TRUE(MS::active) << c.name;
        EXPECT_FALSE(MS::useCMSmoothing) << c.name << ": the first run never asks";
        f.script.expectBox().caption("M* transformation").text("use c(M) smoothing?").answer(IDYES);
        if (c.caption)
            f.script.expectBox().caption(c.caption).answer(IDOK);
        Command(896);
        EXPECT_TRUE(f.script.done()) << c.name << f.script.logText();
        ASSERT_TRUE(MS::active) << c.name;
        EXPECT_EQ(MS::useCMSmoothing, c.caption == nullptr) << c.name;
        ASSERT_EQ(MS::buttonCount, 4 * 3 + 9) << c.name;
        for (int k = 1; k <= 3; ++k) {
            const MStarSet& set = MS::sets[std::size_t(k)];
            EXPECT_NEAR(set.mwAverage, truth, 0.01 * truth) << c.name << " " << k;
            // The straight line of ln c and its button belong to the analysis without c(M).
            EXPECT_EQ(MS::buttons[std::size_t(8 + 3 + k)] == nullptr, c.caption == nullptr)
                << c.name;
            // The first interval's rectangle on 0.002-cm data costs a few percent next to the
            // meniscus.
            if (!c.caption) {
                for (int i = set.meniscusIndex + 5; i < set.bottomIndex; ++i)
                    ASSERT_NEAR(set.mstarFromCM[std::size_t(i)], truth, 0.01 * truth)
                        << c.name << " " << k << " at " << i;
            }
        }
        f.Paint();
        if (!c.caption && std::getenv("TARNIX_MSTAR_PNG"))
            plat::test::windowPng(*f.window, std::getenv("TARNIX_MSTAR_PNG"));
        LeaveMStarMulti(f.window.get());
        MS::ResetToDefaults();
    }
}

} // namespace

namespace {

// The analysis of scan 1 alone, entered directly (no command opens it): three speeds are
// loaded, and scan 1 keeps the K of its own speed (the last scan's speed put its molar mass off
// by (25000/15000)^2). A smoothing click recomputes it; Escape leaves it.
TEST_F(MStarRoad, OneDataSetAloneGivesItsMolarMass) {
    CWINPlot* dataPlot = S::dataPlot;
    // The c(M) smoothing of several data sets is no part of one data set's screen, which draws
    // its extrapolations and smoothed curves (not the empty curves of a c(M) fit never made).
    MS::useCMSmoothing = true;
    EnterMStarSingle(f.window.get());
    ASSERT_TRUE(MS::active);
    EXPECT_FALSE(MS::multiSet);
    ASSERT_EQ(MS::sets.size(), 2u);
    EXPECT_EQ(S::dataPlot, MS::signalPlot);
    const MStarSet& set = MS::sets[1];
    EXPECT_NEAR(set.mwAverage, truth, 0.01 * truth);
    EXPECT_NEAR(set.mwLinearFit, truth, 0.01 * truth);
    for (int i = set.firstIndex + 40; i < set.lastIndex - 40; ++i)
        ASSERT_NEAR(set.mappDlnc[std::size_t(i)], truth, 0.01 * truth) << i;
    char label[80];
    std::snprintf(label, sizeof label, "Mwavg = %.1f kDa", double(set.mwAverage));
    EXPECT_STREQ(MS::buttons[9]->offText, label);
    std::snprintf(label, sizeof label, "A0 = %.4f", double(set.meniscusSignal));
    EXPECT_STREQ(MS::buttons[12]->offText, label);
    // Its own colours for the smoothed ln c and its line, and M* from meniscus to bottom.
    EXPECT_EQ(MS::lnCPlot->GetCurveColor(1), RGB(200, 0, 0));
    EXPECT_EQ(MS::lnCPlot->GetCurveColor(2), RGB(50, 200, 50));
    EXPECT_TRUE(MS::useCMSmoothing) << "the switch stays for the screen of several sets";
    EXPECT_FLOAT_EQ(MS::mstarPlot->xMin, ModelParameters::meniscus);
    EXPECT_FLOAT_EQ(MS::mstarPlot->xMax, ModelParameters::bottom);
    // The meniscus range in working-copy indices, inside the range's radii.
    const int a = MS::meniscusFitIndexRange[1], b = MS::meniscusFitIndexRange[2];
    ASSERT_LT(a, b);
    EXPECT_GT(set.workRadius[std::size_t(a)], MS::meniscusFitRange[1]);
    EXPECT_LE(set.workRadius[std::size_t(b)], MS::meniscusFitRange[2]);
    f.Paint();
    if (const char* png = std::getenv("TARNIX_MSTAR_SINGLE_PNG"))
        plat::test::windowPng(*f.window, png);

    f.script.expectInput().prompt("SG smooth %distance:").answer("3");
    f.script.expectInput().prompt("SG smooth order (box=1):").answer("1");
    Click(2);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_EQ(MS::lnCSmoothHalfWidth, 30);
    EXPECT_NEAR(MS::sets[1].mwAverage, truth, 0.01 * truth);

    plat::test::key(f.window.get(), 27, 27);
    f.script.pumpUntilIdle();
    EXPECT_FALSE(MS::active);
    EXPECT_EQ(S::dataPlot, dataPlot);
    EXPECT_EQ(MS::buttonCount, 0);
}

} // namespace

namespace {

// One ideal species on a coarse scan (0.01 cm apart from 6.895 cm) with A0 fixed at its true
// value: the integral from the meniscus takes the share (r_j+1 - m)/(r_j+1 - r_j) of the rectangle
// over the first interval. With the meniscus halfway into it, M* is the closed form's M next to
// the meniscus too (the whole rectangle put M* 3.4 % low there). Off the middle, the first point's
// M* tells which share was taken. At r1 = 6.905, with omega^2 = (15000 pi / 30)^2 = 2467401.1,
// RT = 8.314472e7 x 293.15, K = 0.27 omega^2 / (2RT) = 1.3666237e-5, KM = 1.0123 and
// x = KM (r1^2 - m^2): M*_1 = (e^x - 1) / (K ((r1^2 - m^2) + 2 share (e^x - 1) r1 (r1 - m))):
//   m 6.897, share 0.8: x = 1.0123 x 0.110421 = 0.111781, e^x - 1 = 0.118268,
//     2 x 0.8 x 0.118268 x 6.905 x 0.008 = 0.010454, 0.118268 / 0.120875 / K = 71.595 kDa
//     (the share 0.2 from the other side gives 76.56 kDa)
//   m 6.903, share 0.2: x = 1.0123 x 0.027621 = 0.027961, e^x - 1 = 0.028355,
//     2 x 0.2 x 0.028355 x 6.905 x 0.002 = 0.000157, 0.028355 / 0.027777 / K = 74.696 kDa
//     (the share 0.8 from the other side gives 73.45 kDa)
TEST_F(MStarRoad, OneDataSetIntegralTakesTheShareOfTheIntervalAroundTheMeniscus) {
    const struct {
        double meniscus;
        double firstMStar; // kDa, by hand; 0: every point at the closed form's M
    } cases[] = {{6.9, 0.0}, {6.897, 71.595}, {6.903, 74.696}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.meniscus);
        const double m = c.meniscus;
        const double sigma = EquilibriumSigma(20000.0, 15000.0, 20.0);
        StoreScan scan = EvenScan(6.895f, 0.01f, 30, 3600.0, nullptr);
        for (std::size_t i = 0; i < scan.radius.size(); ++i)
            scan.signal[i] = float(EquilibriumConcentration(sigma, 0.5, scan.radius[i], m, 7.2));
        FillStore({scan});
        ModelParameters::meniscus = float(m);
        ModelParameters::bottom = 7.2f;
        S::vbarRho = 0.73f;
        S::gasConstantTemperature = PhysicalConstants::gasConstant * 293.15f;
        S::header[1].rotorSpeed = 15000.0f;
        S::header[1].temperature = 20.0f;
        S::firstFitIndex[1] = 2;
        S::lastFitIndex[1] = 30;
        S::leftFitLimit = float(m) + 0.001f;
        S::rightFitLimit = 7.185f;
        EnterMStarSingle(f.window.get());
        ASSERT_TRUE(MS::active);
        char entry[40];
        std::snprintf(entry, sizeof entry, "%.7f", EquilibriumConcentration(sigma, 0.5, m, m, 7.2));
        f.script.expectInput().prompt("new A0:").answer(entry);
        Click(12);
        ASSERT_TRUE(f.script.done()) << f.script.logText();
        const MStarSet& set = MS::sets[1];
        ASSERT_EQ(set.meniscusPad, 0);
        ASSERT_FLOAT_EQ(set.workRadius[std::size_t(set.firstIndex)], 6.905f);
        if (c.firstMStar > 0.0)
            EXPECT_NEAR(set.mstar[std::size_t(set.firstIndex)], c.firstMStar, 0.001 * c.firstMStar);
        for (int i = c.firstMStar > 0.0 ? set.lastIndex - 1 : set.firstIndex; i < set.lastIndex;
             ++i)
            EXPECT_NEAR(set.mstar[std::size_t(i)], truth, 0.003 * truth)
                << "at " << set.workRadius[std::size_t(i)];
        LeaveMStarSingle(f.window.get());
    }
}

} // namespace

namespace {

// The plots of one data set keep their own settings: the signal plot's range follows its curves
// (the scan out to 7.196 cm, not to the 14.4 cm the meniscus point of several data sets reaches),
// its symbols size 3 and those of M* size 2. The screen of several data sets keeps its fixed
// range from m - 0.01 to B + 0.01 and the plots' default symbols. Both once took the latter.
TEST_F(MStarRoad, OneDataSetPlotsTakeTheirOwnRangeAndSymbols) {
    const float m = ModelParameters::meniscus, B = ModelParameters::bottom;
    EnterMStarSingle(f.window.get());
    ASSERT_TRUE(MS::active);
    const CWINPlot& signal = *MS::signalPlot;
    EXPECT_FALSE(signal.xFixed);
    EXPECT_LT(signal.xMin, m);
    EXPECT_GT(signal.xMax, B);
    EXPECT_LT(signal.xMax, B + 0.05f);
    EXPECT_EQ(signal.markSize, 3);
    EXPECT_EQ(MS::mstarPlot->markSize, 2);
    EXPECT_EQ(gMarkSize, 3);
    // The symbols stand at the meniscus level and at Mw at the bottom (they were read from one
    // element past their arrays).
    const CCurve& level = *signal.curves[std::size_t(signal.nCurves - 1)];
    EXPECT_FLOAT_EQ(level.x->data[0], m);
    EXPECT_FLOAT_EQ(level.y->data[0], MS::sets[1].meniscusSignal);
    const CCurve& mw = *MS::mstarPlot->curves[std::size_t(MS::mstarPlot->nCurves - 1)];
    EXPECT_FLOAT_EQ(mw.x->data[0], B);
    EXPECT_FLOAT_EQ(mw.y->data[0], MS::sets[1].mwAverage);
    f.Paint();
    if (const char* png = std::getenv("TARNIX_MSTAR_SINGLE_PLOTS_PNG"))
        plat::test::windowPng(*f.window, png);
    LeaveMStarSingle(f.window.get());

    Command(896);
    ASSERT_TRUE(MS::active && MS::multiSet);
    EXPECT_FLOAT_EQ(MS::signalPlot->xMin, m - 0.01f);
    EXPECT_FLOAT_EQ(MS::signalPlot->xMax, B + 0.01f);
    EXPECT_EQ(MS::signalPlot->markSize, 10);
    EXPECT_EQ(MS::mstarPlot->markSize, 10);
    LeaveMStarMulti(f.window.get());
}

} // namespace

namespace {

// The baseline estimate over the one-data-set screen: shown twice it replaces itself, it sets a
// finite baseline near the data's offset, its x axis runs from 0 over every point's abscissa with
// the meniscus range shaded and the fitted line inside the plot, and a meniscus range of one
// point leaves the baseline with the message. Leaving the screen puts the data plot back.
TEST_F(MStarRoad, BaselineEstimatePlotOfOneDataSet) {
    CWINPlot* dataPlot = S::dataPlot;
    for (int i = 1; i <= kEquilibriumPoints; ++i)
        S::signal[1][i] += 0.1f;
    EnterMStarSingle(f.window.get());
    ASSERT_TRUE(MS::active);
    ModelParameters::baseline = 0.0f;
    ShowBaselineEstimatePlot(f.window.get());
    CWINPlot* first = MS::baselinePlot;
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(S::dataPlot, first);
    ShowBaselineEstimatePlot(f.window.get());
    EXPECT_TRUE(MS::baselinePlotShown);
    EXPECT_EQ(S::dataPlot, MS::baselinePlot);
    const float estimate = ModelParameters::baseline;
    // The line is only nearly straight over the meniscus range: the estimate (0.146 here) comes
    // out near the offset, finite and of its sign.
    EXPECT_GT(estimate, 0.05f);
    EXPECT_LT(estimate, 0.2f);
    f.Paint();
    if (const char* png = std::getenv("TARNIX_BASELINE_PNG"))
        plat::test::windowPng(*f.window, png);
    const CWINPlot& plot = *MS::baselinePlot;
    const CVector& p = *plot.curves[0]->x;
    ASSERT_EQ(int(p.length), MS::sets[1].pointCount);
    EXPECT_EQ(plot.xMin, 0.0f);
    EXPECT_EQ(plot.xMax, *std::max_element(p.data, p.data + p.length));
    ASSERT_EQ(plot.shadedCount, 1);
    const CVector& marks = *plot.shadedIntervals[1];
    EXPECT_EQ(marks.data[0], p.data[MS::meniscusFitIndexRange[1] - 1]);
    EXPECT_EQ(marks.data[1], p.data[MS::meniscusFitIndexRange[2] - 1]);
    const CVector& line = *plot.curves[1]->y;
    for (std::uint32_t i = 0; i < line.length; ++i)
        ASSERT_TRUE(line.data[i] >= plot.yMin && line.data[i] <= plot.yMax) << i;

    MS::meniscusFitIndexRange[2] = MS::meniscusFitIndexRange[1];
    ModelParameters::baseline = 0.05f;
    TakeErrorBoxes();
    f.script.expectBox()
        .text("Error: extrapolation order higher than number of data points")
        .answer(IDOK);
    ShowBaselineEstimatePlot(f.window.get());
    EXPECT_EQ(ModelParameters::baseline, 0.05f);

    plat::test::key(f.window.get(), 27, 27);
    f.script.pumpUntilIdle();
    EXPECT_FALSE(MS::active);
    EXPECT_FALSE(MS::baselinePlotShown);
    EXPECT_EQ(S::dataPlot, dataPlot);
}

} // namespace
