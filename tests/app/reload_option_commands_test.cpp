// Loading options applied by reloading the set in place: a changed radial resolution averages
// the reloaded scans, and Exclude Worst Scan drops only a scan of the loaded set.
#include "display/scan_rms_file.h"
#include "scandata/scan_store_alloc.h"
#include "state/startup_paths.h"
#include "support/main_window_fixture.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using S = ScanStore;

class ReloadOptionCommands : public ::testing::Test {
  protected:
    void Command(int id) {
        plat::test::command(f.window.get(), id);
        f.script.pumpUntilIdle();
    }
    std::vector<std::string> LoadedNames() const {
        std::vector<std::string> out;
        for (int i = 1; i <= S::scanCount; ++i)
            out.push_back(S::scanFileName[S::scanOrder[i]]);
        return out;
    }
    MainWindowFixture f;
};

TEST_F(ReloadOptionCommands, ResolutionBelowTheMinimumIsTheMinimumAndChangesNothing) {
    f.script.expectInput().caption("SET RADIAL RESOLUTION").answer("0.0005");
    f.script.expectBox().text("setting to minimum 0.001 (all data)");
    Command(590);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_FLOAT_EQ(S::radialResolution, 0.001f);

    f.script.expectInput().caption("SET RADIAL RESOLUTION").cancel();
    Command(590);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_FLOAT_EQ(S::radialResolution, 0.001f);
}

// A resolution of 1e30 cm typed, or -2.1e9, 0 or 1e30 in the preferences file, was stored as it
// was: typed, it is kept to the range the loader can average; from the file, it is not taken.
TEST_F(ReloadOptionCommands, ResolutionKeepsToWhatTheLoaderCanUse) {
    const struct {
        const char* typed;
        float expected;
        const char* box;
    } typed[] = {{"1e30", 0.1f, "setting to maximum 0.1 (the coarsest the loader can average)"},
                 {"0.5", 0.1f, "setting to maximum 0.1 (the coarsest the loader can average)"},
                 {"0.05", 0.05f, nullptr}};
    for (const auto& c : typed) {
        S::radialResolution = 0.001f;
        f.script.expectInput().caption("SET RADIAL RESOLUTION").answer(c.typed);
        if (c.box)
            f.script.expectBox().text(c.box);
        f.script.expectBox().text("save as startup default?").answer(IDNO);
        Command(590);
        EXPECT_TRUE(f.script.done()) << c.typed << f.script.logText();
        EXPECT_FLOAT_EQ(S::radialResolution, c.expected) << c.typed;
    }
    for (const char* entry : {"-2.1e9", "0", "1e30"}) {
        S::radialResolution = 0.005f;
        WriteTextFile(gPreferencesPath,
                      std::string("1\n") + entry +
                          "\n1\n1\n0\n0\n0\n1\n1\n1\n0\n2\n1\n1\n2\n1.0\n0\n100\n100\n");
        // Outside what the command takes: named with its line, and the default is taken.
        f.script.expectBox().caption("ERROR").textHas(std::string("\nline 2 holds ") + entry +
                                                      ", not a number from 0.001 to 0.1");
        ASSERT_TRUE(f.window->ReadPreferences()) << entry;
        EXPECT_TRUE(f.script.done()) << entry << f.script.logText();
        EXPECT_FLOAT_EQ(S::radialResolution, 0.001f) << entry;
    }
}

TEST_F(ReloadOptionCommands, CoarserResolutionIsSavedAndAveragesTheReloadedScans) {
    f.LoadScans(3, 200);
    ASSERT_EQ(S::scanCount, 3);
    const int before = S::pointCount[1];
    f.window->SetCaption("kept caption");
    f.script.expectInput().prompt("defaut 0.001 (=all data):").answer("0.005");
    f.script.expectBox().text("save as startup default?").answer(IDYES);
    f.script.expectBox()
        .text("need to reload files for the change to take effect\nreload now?")
        .answer(IDYES);
    Command(590);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_FLOAT_EQ(S::radialResolution, 0.005f);
    EXPECT_EQ(S::scanCount, 3);
    EXPECT_LT(S::pointCount[1], before / 3) << "0.001 cm points averaged into 0.005 cm bins";
    EXPECT_EQ(f.window->GetCaption(), "kept caption");
    std::string prefs = ReadTextFile(gPreferencesPath);
    EXPECT_EQ(prefs.substr(prefs.find('\n') + 1, 7), "0.0050\n");
}

TEST_F(ReloadOptionCommands, WorstScanIsDroppedOnlyWhenItBelongsToTheLoadedSet) {
    f.LoadScans(4, 100);
    ASSERT_EQ(S::scanCount, 4);
    gWorstRmsScan = 0; // never computed: nothing to drop
    Command(591);
    EXPECT_EQ(S::scanCount, 4);

    gWorstRmsScan = 3;
    f.script.expectBox().caption("REMOVING SCAN").text("removing 00003.RA1");
    Command(591);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_EQ(LoadedNames(), (std::vector<std::string>{"00001.RA1", "00002.RA1", "00004.RA1"}));

    // An index left from a freed set is forgotten with it.
    gWorstRmsScan = 3;
    FreeAllData();
    EXPECT_EQ(gWorstRmsScan, 0);
    Command(591);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
}

} // namespace
