// Change Cell, Remove Integral Fringe Jumps and the notes file, driven through the menu.
#include "plat/testing.hpp"
#include "scandata/scan_store_alloc.h"
#include "support/main_window_fixture.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using S = ScanStore;

std::vector<float> Signal(int scan) {
    return std::vector<float>(S::signal[scan] + 1, S::signal[scan] + 1 + S::pointCount[scan]);
}

ScanSetOptions Cell(const char* extension, long rpm) {
    ScanSetOptions options;
    options.count = 3;
    options.points = 60;
    options.extension = extension;
    options.rpm = rpm;
    return options;
}

} // namespace

TEST(ChangeCell, LoadsTheSameSelectionFromTheOtherCell) {
    MainWindowFixture f;
    WriteScanSet(f.data.path(), Cell("RA2", 40000));
    f.Load(Cell("RA1", 50000));
    ASSERT_EQ(S::scanCount, 3);
    const std::vector<float> cell1 = Signal(1);
    f.script.expectInput().caption("LOAD DATA").prompt("cell number:").answer("2");
    f.script.onUnexpected(plat::test::Unexpected::DefaultButton);
    SendMessage(f.window.get(), WM_COMMAND, 828, 0);
    ASSERT_EQ(S::scanCount, 3);
    EXPECT_EQ(std::string(S::scanFileName[1]).back(), '2');
    EXPECT_NE(Signal(1), cell1);
    EXPECT_EQ(f.window->GetCaption().rfind("SEDIMENTATION ANALYSIS -> ", 0), 0u);
    EXPECT_NE(f.window->GetCaption().find("00001.RA2..."), std::string::npos);
}

// The reload frees the loaded scans before it reads: a cell without files must be refused first.
TEST(ChangeCell, ANextCellWithoutFilesSaysSoAndKeepsTheData) {
    MainWindowFixture f;
    f.Load(Cell("RA1", 50000));
    const std::vector<float> before = Signal(2);
    f.script.expectInput().prompt("cell number:").answer("3");
    f.script.expectBox().caption("LOAD DATA").textHas("cell 3 has no files").answer(IDOK);
    SendMessage(f.window.get(), WM_COMMAND, 828, 0);
    EXPECT_TRUE(f.script.done());
    ASSERT_EQ(S::scanCount, 3);
    EXPECT_EQ(Signal(2), before);
    EXPECT_EQ(std::string(S::scanFileName[1]).back(), '1');
}

TEST(ChangeCell, NothingLoadedAndTheLoadCancelledAsksNothingMore) {
    MainWindowFixture f;
    f.script.expectFileOpen().cancel();
    SendMessage(f.window.get(), WM_COMMAND, 828, 0);
    EXPECT_EQ(f.script.log().size(), 1u) << f.script.logText();
    EXPECT_EQ(S::scanCount, 0);
}

TEST(FringeJumps, AWholeFringeWithinAScanIsTakenOut) {
    struct Case {
        const char* name;
        const char* entered;
        bool belowMinimum;
    };
    const Case cases[] = {{"threshold 0.8", "0.8", false}, {"0.2 is raised to 0.5", "0.2", true}};
    for (const Case& c : cases) {
        MainWindowFixture f;
        ScanSetOptions options = Cell("IP1", 50000);
        options.type = 'P';
        f.Load(options);
        ASSERT_EQ(S::scanCount, 3) << c.name;
        ASSERT_NE(S::leftFitLimit, 0.0f) << c.name;
        const std::vector<float> clean = Signal(2);
        const int jump = (S::firstFitIndex[2] + S::lastFitIndex[2]) / 2;
        for (int i = jump; i <= S::pointCount[2]; ++i)
            S::signal[2][i] += 1.0f;
        f.script.expectInput()
            .caption("REMOVE INTEGRAL FRINGE JUMP WITHIN SCAN")
            .prompt("enter threshold value")
            .answer(c.entered);
        if (c.belowMinimum)
            f.script.expectBox().text("threshold cannot be smaller than 0.5").answer(IDOK);
        f.script.expectBox().text("judge from residuals?").answer(IDNO);
        f.script.expectBox().text("save data?").answer(IDNO);
        SendMessage(f.window.get(), WM_COMMAND, 287, 0);
        EXPECT_TRUE(f.script.done()) << c.name << "\n" << f.script.logText();
        const std::vector<float> after = Signal(2);
        for (std::size_t i = 0; i < after.size(); ++i)
            ASSERT_NEAR(after[i], clean[i], 1e-5f) << c.name << " point " << i + 1;
    }
}

TEST(FringeJumps, AbsorbanceDataAndNoDataAskNothing) {
    MainWindowFixture f;
    SendMessage(f.window.get(), WM_COMMAND, 287, 0);
    f.Load(Cell("RA1", 50000));
    SendMessage(f.window.get(), WM_COMMAND, 287, 0);
    EXPECT_TRUE(f.script.log().empty()) << f.script.logText();
}

TEST(EditNotes, OpensTheNotesFileOfTheLoadedSet) {
    MainWindowFixture f;
    plat::test::clearRecords();
    SendMessage(f.window.get(), WM_COMMAND, 216, 0);
    EXPECT_TRUE(plat::test::processes().empty());
    f.Load(Cell("RA1", 50000));
    SendMessage(f.window.get(), WM_COMMAND, 216, 0);
    ASSERT_EQ(plat::test::processes().size(), 1u);
    EXPECT_EQ(plat::test::processes()[0].argv.back(), f.data.path() + "/notes.RA1");
}
