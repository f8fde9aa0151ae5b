// The fit report on the screen and its commands, driven through the menu: after Fit and Run the
// parameters and rmsd show in the strip above the plots and leave the plots as they were;
// "Show Last Fit Info Again" brings the text back, "Copy Fit Parameters" copies it, and "Set fit
// limits for meniscus & bottom" takes four bounds or none.
#include "display/paint_switches.h"
#include "fitting/parameter_report.h"
#include "plat/msgbox.hpp"
#include "scandata/fit_limits.h"
#include "scandata/scan_store_alloc.h"
#include "state/fit_control.h"
#include "state/model_parameters.h"
#include "support/main_window_fixture.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using F = FitControl;
using M = ModelParameters;

class FitReport : public ::testing::Test {
  protected:
    void Command(int id) {
        plat::test::command(f.window.get(), id);
        f.script.pumpUntilIdle();
    }
    // Eight scans of a 5 S boundary, s of the single species floated from 4 S.
    void LoadAndPrepare() {
        ScanSetOptions options;
        options.count = 8;
        options.dr = 0.004;
        f.script.onUnexpected(plat::test::Unexpected::DefaultButton);
        f.Load(options);
        M::meniscus = 5.9f;
        M::bottom = 7.2f;
        M::speciesS[1] = 4.0f;
        M::speciesSFloat[1] = 1;
        PackFitParameters();
    }
    // Pixel rows above the data plot and from it down, as the surface holds them now.
    int DataTopRow() const {
        return int(float(ScanStore::distPlotRect[0]) * f.window->clientHeight / 1000.0f);
    }
    std::vector<std::uint32_t> Rows(int from, int to) const {
        const plat::Surface& s = f.window->GetSurface();
        std::vector<std::uint32_t> out;
        for (int y = from; y < to; ++y)
            for (int x = 0; x < s.Width(); ++x)
                out.push_back(s.GetPixel(x, y));
        return out;
    }
    int DarkPixelsAbovePlots() const {
        int n = 0;
        for (std::uint32_t p : Rows(0, DataTopRow()))
            n += p == 0x000000u;
        return n;
    }
    void Repaint() {
        f.window->Invalidate(true);
        f.Paint();
    }
    void KeepPng(const char* name) {
        if (const char* keep = std::getenv("TARNIX_KEEP_PNG"))
            plat::test::windowPng(*f.window, std::string(keep) + "/" + name);
    }

    MainWindowFixture f{900, 650};
};

// After a Fit the text is in the strip above the data plot and nothing below it changed; the
// next paint clears it, Ctrl+O writes the same picture again, and a Run shows it too.
TEST_F(FitReport, FitAndRunShowTheReportAboveThePlotsAndCtrlOShowsItAgain) {
    LoadAndPrepare();
    Command(215);
    ASSERT_GT(F::bestRmsd, 0.0f) << f.script.logText();
    f.Paint();
    KeepPng("fit_report.png");
    const std::vector<std::uint32_t> withReport = Rows(0, int(f.window->clientHeight));
    const int textPixels = DarkPixelsAbovePlots();
    // The report's rmsd is that of the curves shown.
    EXPECT_EQ(F::displayedRmsd, CalcFitRmsd());

    Repaint();
    const int plainPixels = DarkPixelsAbovePlots(); // the axis' top label reaches into the strip
    EXPECT_GT(textPixels, plainPixels + 200);
    const int top = DataTopRow();
    const std::vector<std::uint32_t> plotsAlone = Rows(top, int(f.window->clientHeight));
    EXPECT_EQ(std::vector<std::uint32_t>(withReport.begin() + top * f.window->GetSurface().Width(),
                                         withReport.end()),
              plotsAlone)
        << "the report overlaps the plots";

    Command(517);
    f.Paint();
    EXPECT_EQ(Rows(0, int(f.window->clientHeight)), withReport);

    Repaint();
    M::speciesS[1] = 5.5f;
    PackFitParameters();
    Command(213);
    f.Paint();
    EXPECT_GT(DarkPixelsAbovePlots(), plainPixels + 200);
    EXPECT_NE(Rows(0, top),
              std::vector<std::uint32_t>(withReport.begin(),
                                         withReport.begin() + top * f.window->GetSurface().Width()))
        << "the Run's values and rmsd replace the fit's";
}

// Before any model was evaluated there is nothing to show, now or at the paint after a load.
TEST_F(FitReport, CtrlOWithoutAResultShowsNothing) {
    Command(517);
    EXPECT_FALSE(gShowFitParamsPending);
    LoadAndPrepare();
    f.Paint();
    const std::vector<std::uint32_t> before = Rows(0, int(f.window->clientHeight));
    ASSERT_FALSE(ScanStore::resultAvailable);
    Command(517);
    f.Paint();
    EXPECT_EQ(Rows(0, int(f.window->clientHeight)), before);
}

TEST_F(FitReport, CopyFitParametersPutsTheReportOnTheClipboard) {
    LoadAndPrepare();
    Command(213);
    f.Paint();
    Command(204);
    std::string expected;
    for (const std::string& line : ParameterReportLines())
        expected += line + "\r\n";
    EXPECT_NE(expected.find("species 1: s = 4 S (f)"), std::string::npos) << expected;
    ASSERT_TRUE(plat::test::clipboard().text.has_value());
    EXPECT_EQ(*plat::test::clipboard().text, expected);
}

// Four answers set the four bounds and keep them from the automatic ones; a cancel, an inverted
// pair or help mode leave every bound as it was.
TEST_F(FitReport, FitLimitsForMeniscusAndBottom) {
    constexpr const char* kCaption = "FIT LIMITS FOR MENISCUS AND BOTTOM";
    struct Case {
        const char* what;
        std::vector<const char*> answers; // null: cancel
        const char* refusal;              // text of the box, or null
        bool changed;
    };
    const std::vector<Case> cases = {
        {"four bounds", {"5.95", "6.05", "7.15", "7.25"}, nullptr, true},
        {"cancel at the third", {"5.95", "6.05", nullptr}, nullptr, false},
        {"inverted meniscus", {"6.05", "5.95", "7.15", "7.25"}, "minimum meniscus", false},
        {"inverted bottom", {"5.95", "6.05", "7.25", "7.15"}, "minimum bottom", false},
        {"a bound left unset", {"0", "6.05", "7.15", "7.25"}, nullptr, true},
    };
    for (const Case& c : cases) {
        F::meniscusMin = 5.8f, F::meniscusMax = 6.6f, F::bottomMin = 7.1f, F::bottomMax = 7.3f;
        M::userMeniscusBottomLimits = false;
        f.script.onUnexpected(plat::test::Unexpected::Fail);
        for (const char* answer : c.answers) {
            if (answer)
                f.script.expectInput().caption(kCaption).answer(answer);
            else
                f.script.expectInput().caption(kCaption).cancel();
        }
        if (c.refusal)
            f.script.expectBox().caption(kCaption).textHas(c.refusal).answer(IDOK);
        Command(240);
        EXPECT_TRUE(f.script.done()) << c.what << "\n" << f.script.logText();
        EXPECT_EQ(M::userMeniscusBottomLimits, c.changed) << c.what;
        if (c.changed) {
            EXPECT_EQ(F::meniscusMin, std::atof(c.answers[0]) == 0.0 ? 0.0f : 5.95f) << c.what;
            EXPECT_EQ(F::meniscusMax, 6.05f) << c.what;
            EXPECT_EQ(F::bottomMin, 7.15f) << c.what;
            EXPECT_EQ(F::bottomMax, 7.25f) << c.what;
        } else {
            EXPECT_EQ(F::meniscusMin, 5.8f) << c.what;
            EXPECT_EQ(F::meniscusMax, 6.6f) << c.what;
            EXPECT_EQ(F::bottomMin, 7.1f) << c.what;
            EXPECT_EQ(F::bottomMax, 7.3f) << c.what;
        }
    }
    // A non-number or a negative bound is asked again.
    f.script.expectInput().caption(kCaption).answer("inf");
    f.script.expectInput().caption(kCaption).answer("-1");
    f.script.expectInput().caption(kCaption).answer("5.9");
    for (int i = 0; i < 3; ++i)
        f.script.expectInput().caption(kCaption).answer("7.2");
    Command(240);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_EQ(F::meniscusMin, 5.9f);
    // In help mode the command asks the help engine for its page instead.
    f.window->helpMode = true;
    const std::size_t helpBefore = plat::test::helpCalls().size();
    Command(240);
    EXPECT_FALSE(f.window->helpMode);
    ASSERT_EQ(plat::test::helpCalls().size(), helpBefore + 1);
    EXPECT_EQ(plat::test::helpCalls().back().data, 321u);
    EXPECT_EQ(F::meniscusMin, 5.9f);
}

} // namespace
