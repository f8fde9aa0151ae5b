// The fit window follows the cell: a data set of another cell gets a meniscus, bottom and fit
// limits inside its own data, and a meniscus or bottom moved in the dialog takes the limits with
// it. Before, the window of the previous set was kept and a Run failed in the Lamm solver.
#include "app/params_box.h"
#include "fitting/parameter_report.h"
#include "scandata/fit_limits.h"
#include "state/fit_control.h"
#include "state/model_parameters.h"
#include "state/scan_store.h"
#include "support/main_window_fixture.h"
#include "support/typed_components.h"

#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using M = ModelParameters;
using S = ScanStore;

TEST(FitWindowRoad, NewCellAndMovedEndsGiveAWindowInsideTheData) {
    struct Case {
        const char* name;
        double nextMeniscus, nextBottom; // the second set's cell; 0: no second set
        const char* typedMeniscus;       // typed in the dialog after loading; null: none
        const char* typedBottom;
    };
    const std::vector<Case> cases = {
        {"short column loaded after a velocity set", 6.85, 7.25, nullptr, nullptr},
        {"cell further out loaded after a velocity set", 6.40, 7.35, nullptr, nullptr},
        {"meniscus typed beyond the left limit", 0, 0, "6.3", nullptr},
        {"bottom typed before the right limit", 0, 0, nullptr, "6.8"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MainWindowFixture f;
        f.script.onUnexpected(plat::test::Unexpected::Fail);
        ScanSetOptions velocity;
        velocity.count = 6;
        velocity.dr = 0.005;
        f.Load(velocity);
        Send(f, 198);
        // The user's cell and window on the velocity set.
        f.script.expectDialog(kDiscreteParamsDialogId)
            .set(kMeniscusId, "5.93")
            .set(kBottomId, "7.2")
            .ok();
        Send(f, 212);
        ASSERT_TRUE(f.script.done()) << f.script.logText();
        if (c.nextMeniscus > 0) {
            ScanSetOptions next;
            next.count = 6;
            next.dr = 0.005;
            next.meniscus = c.nextMeniscus;
            next.bottom = c.nextBottom;
            next.extension = "RA2";
            f.Load(next);
        }
        if (c.typedMeniscus || c.typedBottom) {
            auto& step = f.script.expectDialog(kDiscreteParamsDialogId);
            if (c.typedMeniscus)
                step.set(kMeniscusId, c.typedMeniscus);
            if (c.typedBottom)
                step.set(kBottomId, c.typedBottom);
            step.ok();
            Send(f, 212);
        }
        Send(f, 213);
        ASSERT_TRUE(f.script.done()) << f.script.logText();

        const float first = S::radius[1][1], last = S::radius[1][S::pointCount[1]];
        EXPECT_GE(M::meniscus, first - 0.1f);
        EXPECT_LT(M::meniscus, S::leftFitLimit);
        EXPECT_LT(S::leftFitLimit, S::rightFitLimit);
        EXPECT_GE(S::leftFitLimit, first);
        EXPECT_LE(S::rightFitLimit, last);
        EXPECT_GT(M::bottom, S::rightFitLimit);
        if (c.typedMeniscus)
            EXPECT_NEAR(S::leftFitLimit, std::stod(c.typedMeniscus) + 0.01, 1e-5);
        if (c.typedBottom)
            EXPECT_NEAR(S::rightFitLimit, std::stod(c.typedBottom) - 0.01, 1e-5);
        // The Run drew a model over the window, and the rmsd it reports is the one of that window.
        EXPECT_GT(FitControl::displayedRmsd, 0.0f);
        EXPECT_NEAR(FitControl::displayedRmsd, RmsInsideFitLimits(), 1e-6);
    }
}

// A meniscus kept from an earlier set, loaded or generated, that lies well after the start of new
// data beginning well before the earlier ones is another cell's: the new data get their own. The
// next scans of the same cell keep a meniscus typed after their start, with its left limit.
TEST(FitWindowRoad, AMeniscusWellAfterTheStartOfNewDataIsAnotherCells) {
    struct Case {
        const char* name;
        double firstMeniscus; // the first set's cell (data from meniscus + 0.05); 0: generated
        const char* typed;    // the meniscus typed on the first set (generated: at 6.2 cm)
        double nextMeniscus;  // the second set's cell
        bool kept;
    };
    const Case cases[] = {
        {"another cell beginning before the kept meniscus", 6.20, "6.26", 5.90, false},
        {"the same cell's next scans", 5.90, "6.10", 5.90, true},
        {"scans beginning before a generated set", 0.0, "6.2", 5.90, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MainWindowFixture f;
        f.script.onUnexpected(plat::test::Unexpected::Fail);
        ScanSetOptions first;
        first.count = 4;
        first.dr = 0.005;
        first.meniscus = c.firstMeniscus;
        if (c.firstMeniscus == 0.0) {
            f.script.expectBox().text("assuming t = 20 'C").answer(IDOK);
            Send(f, 217);
            f.GenerateWithTheModelAsItIs(4, "0");
        } else {
            f.Load(first);
            f.script.expectDialog(kDiscreteParamsDialogId).set(kMeniscusId, c.typed).ok();
            Send(f, 212);
        }
        ASSERT_FLOAT_EQ(M::meniscus, std::stof(c.typed));
        const float leftLimit = S::leftFitLimit;
        ScanSetOptions next = first;
        next.meniscus = c.nextMeniscus;
        next.extension = "RA2";
        f.Load(next);
        ASSERT_TRUE(f.script.done()) << f.script.logText();
        if (c.kept) {
            EXPECT_FLOAT_EQ(M::meniscus, std::stof(c.typed));
            EXPECT_FLOAT_EQ(S::leftFitLimit, leftLimit);
        } else {
            EXPECT_FLOAT_EQ(M::meniscus, S::radius[1][1]);
            EXPECT_LT(S::leftFitLimit, M::meniscus + 0.02f);
        }
    }
}

// A fitted meniscus takes the window with it: generated at 6.2 cm and started at 6.195 with the
// left limit as close as it may be (6.205), the fit moves the meniscus up, and the left limit
// follows it to meniscus + 0.01 before the final evaluation, whose rmsd is the one of that window.
TEST(FitWindowRoad, FittedMeniscusTakesTheLeftLimitWithIt) {
    MainWindowFixture f;
    // The species in the D form, which the generation keeps.
    f.script.expectBox().text("assuming t = 20 'C").answer(IDOK);
    Send(f, 217);
    f.GenerateWithTheModelAsItIs(12, "0.003");
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    std::vector<std::string> paths;
    for (int i = 1; i <= 12; ++i) {
        char name[20];
        std::snprintf(name, sizeof name, "%05d.ra0", i);
        paths.push_back(f.data.file(name));
    }
    f.script.onUnexpected(plat::test::Unexpected::Fail);
    f.script.expectFileOpen().answer(paths);
    f.script.expectInput().prompt("load every n'th file:").answer("1");
    Send(f, 200);
    f.script.expectDialog(kDiscreteParamsDialogId)
        .set(kMeniscusId, "6.195")
        .check(kMeniscusFloatId)
        .ok();
    Send(f, 212);
    // The left limit as close to the meniscus as it may be, as the marker keys leave it.
    S::leftFitLimit = 6.2f;
    ApplyLeftFitLimit();
    SetDefaultMeniscusBottomLimits();
    ASSERT_NEAR(S::leftFitLimit, 6.205, 1e-5);
    f.script.expectBox().caption("SET PREFERENCE").text("save as default setting?").answer(IDNO);
    Send(f, 826);
    Send(f, 215);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_GT(M::meniscus, 6.196f);
    EXPECT_NEAR(S::leftFitLimit, M::meniscus + 0.01, 1e-5);
    EXPECT_NEAR(FitControl::bestRmsd, RmsInsideFitLimits(), 1e-6);
}

} // namespace
