// Sounds: counting numbered members without gaps, member names, the redraw of a repeated member,
// silence with sound off or before counting, and synchronous farewell.
#include "foundations/sounds.h"
#include "plat/testing.hpp"
#include "state/preference_switches.h"
#include "state/startup_paths.h"
#include "support/reset_all_state.h"
#include "support/temp_folder.h"

#include <cstring>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

TEST(NumberedFileName, AppendsTheNumberBeforeTheExtension) {
    EXPECT_STREQ(NumberedFileName("/opt/tarnix/sounds/hi.wav", 3), "/opt/tarnix/sounds/hi3.wav");
    EXPECT_STREQ(NumberedFileName("c:\\prog\\sounds\\hi.wav", 12), "c:\\prog\\sounds\\hi12.wav");
    EXPECT_STREQ(NumberedFileName("/a.b/noext", 2), "/a.b/noext2");
    EXPECT_STREQ(NumberedFileName("/x/hi.wav", 0), "/x/hi.wav");
    EXPECT_STREQ(NumberedFileName("/x/hi.wav", 1), "/x/hi.wav");
    EXPECT_EQ(NumberedFileName("", 3), nullptr);
    EXPECT_EQ(NumberedFileName(nullptr, 3), nullptr);
}

TEST(DrawSoundMember, DrawsAgainOnlyWhenTheLastMemberComesUp) {
    struct Case {
        int count, last;
        std::vector<int> draws;
        int expected, used;
    };
    const Case cases[] = {
        {3, 1, {4, 0}, 0, 2}, // 4 % 3 = 1 repeats the last: drawn again
        {3, 1, {5, 1}, 2, 1}, // no repeat: one draw
        {3, 1, {7, 7}, 1, 2}, // the second draw stands even when it repeats
        {1, 0, {9, 9}, 0, 2}, // a single member plays every time
        {0, -1, {}, 0, 0},    // no members: member 1 (the base file)
    };
    for (const Case& c : cases) {
        std::size_t used = 0;
        int index = DrawSoundMember(c.count, c.last, [&] { return c.draws.at(used++); });
        EXPECT_EQ(index, c.expected);
        EXPECT_EQ(static_cast<int>(used), c.used);
    }
}

namespace {

class Sounds : public ::testing::Test {
  protected:
    plat::test::Script script;
    TempFolder dir;
    void SetUp() override {
        ResetAllState();
        plat::test::clearRecords();
        const char* names[kSoundSetCount] = {"error.wav", "info.wav", "question.wav", "fitdone.wav",
                                             "hi.wav",    "bye.wav",  "ok.wav",       "beer.wav"};
        for (int i = 0; i < kSoundSetCount; ++i)
            std::snprintf(gTablePaths.sounds[i], kPathBufferSize, "%s", dir.file(names[i]).c_str());
        for (const char* f : {"ok.wav", "ok2.wav", "ok4.wav", "bye.wav", "hi.wav", "hi2.wav"})
            dir.write(f, "RIFF");
    }
    void TearDown() override {
        ResetAllState();
        std::memset(gTablePaths.sounds, 0, sizeof gTablePaths.sounds);
    }
    std::set<std::string> Played() const {
        std::set<std::string> paths;
        for (const auto& call : plat::test::sounds())
            paths.insert(call.path);
        return paths;
    }
};

} // namespace

TEST_F(Sounds, SilentWithSoundOffOrBeforeCounting) {
    soundOn = true;
    PlayOkSound(); // not counted yet
    CountSoundFiles();
    soundOn = false;
    PlayOkSound();
    PlayErrorSound();
    MaybePlayInfoSound();
    EXPECT_TRUE(plat::test::sounds().empty());
}

TEST_F(Sounds, PlaysOnlyMembersWithoutGap) {
    soundOn = true;
    CountSoundFiles();
    for (int i = 0; i < 40; ++i)
        PlayOkSound();
    std::set<std::string> expected{dir.file("ok.wav"), dir.file("ok2.wav")};
    for (const std::string& p : Played())
        EXPECT_TRUE(expected.count(p)) << p; // ok4.wav lies beyond the gap
    EXPECT_EQ(plat::test::sounds().size(), 40u);
}

TEST_F(Sounds, SingleMemberAndMissingSets) {
    soundOn = true;
    CountSoundFiles();
    PlayByeSound();
    PlayErrorSound(); // no member present: the base file is asked for, and stays silent
    PlayHiSound();
    const auto& calls = plat::test::sounds();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].path, dir.file("bye.wav"));
    EXPECT_TRUE(calls[0].sync);
    EXPECT_EQ(calls[1].path, dir.file("error.wav"));
    EXPECT_FALSE(calls[1].sync);
    EXPECT_TRUE(calls[2].path == dir.file("hi.wav") || calls[2].path == dir.file("hi2.wav"));
}
