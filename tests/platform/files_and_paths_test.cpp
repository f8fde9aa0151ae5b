// Paths written the Windows way, file times, wildcard searches and copies.
#include "plat/files.hpp"
#include "plat/paths.hpp"
#include "support/temp_folder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

TEST(SplitPath, TakesWindowsAndNativePathsApart) {
    struct Case {
        std::string path, drive, dir, name, ext;
    };
    const Case cases[] = {
        {"c:\\tarnix\\tarnix.exe", "c:", "\\tarnix\\", "tarnix", ".exe"},
        {"/opt/tarnix/tarnix", "", "/opt/tarnix/", "tarnix", ""},
        {"\\\\server\\share\\t.exe", "", "\\\\server\\share\\", "t", ".exe"},
        {"sounds\\hi.wav", "", "sounds\\", "hi", ".wav"},
        {"/data/run.1/00001", "", "/data/run.1/", "00001", ""},
        {"archive.tar.gz", "", "", "archive.tar", ".gz"},
        {"", "", "", "", ""},
    };
    for (const Case& c : cases) {
        std::string drive, dir, name, ext;
        plat::SplitPath(c.path, &drive, &dir, &name, &ext);
        EXPECT_EQ(drive, c.drive) << c.path;
        EXPECT_EQ(dir, c.dir) << c.path;
        EXPECT_EQ(name, c.name) << c.path;
        EXPECT_EQ(ext, c.ext) << c.path;
        EXPECT_EQ(plat::MakePath(drive, dir, name, ext), c.path);
    }
    EXPECT_EQ(plat::MakePath("", "/data/sounds", "hi3", "wav"), "/data/sounds/hi3.wav");
}

TEST(NativePath, MapsSeparatorsAndTheTempFolder) {
    unsetenv("TARNIX_TEMP");
    EXPECT_EQ(plat::NativePath("c:\\temp\\Tarnixdebug_t0.txt"), "/tmp/Tarnixdebug_t0.txt");
    EXPECT_EQ(plat::NativePath("C:\\TEMP"), "/tmp");
    EXPECT_EQ(plat::NativePath("c:\\temporary\\x"), "/temporary/x");
    EXPECT_EQ(plat::NativePath("/opt/t/sounds\\error.wav"), "/opt/t/sounds/error.wav");
    setenv("TARNIX_TEMP", "/var/tmp/tx/", 1);
    EXPECT_EQ(plat::NativePath("c:\\temp\\debug_t1.txt"), "/var/tmp/tx/debug_t1.txt");
    unsetenv("TARNIX_TEMP");
}

TEST(ProgramFolder, HonoursTheOverrideAndEndsWithASeparator) {
    setenv("TARNIX_HOME", "/srv/tarnix", 1);
    EXPECT_EQ(plat::ProgramFolder(), "/srv/tarnix/");
    unsetenv("TARNIX_HOME");
    std::string folder = plat::ProgramFolder();
    EXPECT_EQ(folder.back(), '/');
    EXPECT_TRUE(fs::exists(folder + "test_platform"));
}

TEST(Wildcards, FollowWindowsRulesIgnoringCase) {
    struct Case {
        const char* pattern;
        const char* name;
        bool match;
    };
    const Case cases[] = {
        {"*.RA*", "00001.ra1", true},
        {"*.RA*", "00001.RI1", false},
        {"list*.*", "List_corr.RA1", true},
        {"list.*", "list", true},
        {"list.*", "listing", false},
        {"*.*", "noext", true},
        {"*.*1", "00001.RA1", true},
        {"*.*1", "00001.RA2", false},
        {"?0001.ip?", "00001.IP2", true},
        {"*.xp", "run.xpx", false},
        {"*", "", true},
        {"a*b*c", "aXbYbZc", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(plat::MatchWildcard(c.pattern, c.name), c.match) << c.pattern << " " << c.name;
}

TEST(FindFiles, ListsMatchingRegularFilesSorted) {
    TempFolder d;
    for (const char* n : {"00002.RA1", "00001.ra1", "00003.RI1", "list", "list.RA1"})
        d.write(n, "x");
    fs::create_directory(d.file("sub.RA1"));
    EXPECT_EQ(plat::FindFiles(d.path(), "*.RA*"),
              (std::vector<std::string>{"00001.ra1", "00002.RA1", "list.RA1"}));
    EXPECT_EQ(plat::FindFiles(d.path(), "list.*"), (std::vector<std::string>{"list", "list.RA1"}));
    EXPECT_TRUE(plat::FindFiles(d.file("missing"), "*").empty());
}

TEST(FileTimes, AccessAndWriteTimesSurviveARewrite) {
    TempFolder d;
    std::string f = d.write("00001.RA1", "x");
    plat::FileTimes set;
    set.access = 133000000000000000ull + 1234567; // 2022, with sub-second ticks
    set.write = 132000000000000000ull + 7654321;
    ASSERT_TRUE(plat::SetFileTimes(f, set));
    plat::FileTimes before;
    ASSERT_TRUE(plat::GetFileTimes(f, before));
    EXPECT_EQ(before.access, set.access);
    EXPECT_EQ(before.write, set.write);
    std::ofstream(f, std::ios::trunc) << "rewritten";
    plat::FileTimes after;
    ASSERT_TRUE(plat::GetFileTimes(f, after));
    EXPECT_NE(after.write, before.write);
    ASSERT_TRUE(plat::SetFileTimes(f, before));
    ASSERT_TRUE(plat::GetFileTimes(f, after));
    EXPECT_EQ(after.access, before.access);
    EXPECT_EQ(after.write, before.write);
    EXPECT_FALSE(plat::GetFileTimes(d.file("missing"), after));
}

TEST(FileTimes, ZeroLeavesThatTimeAlone) {
    TempFolder d;
    std::string f = d.write("x", "x");
    plat::FileTimes t{0, 130000000000000000ull, 131000000000000000ull};
    ASSERT_TRUE(plat::SetFileTimes(f, t));
    ASSERT_TRUE(plat::SetFileTimes(f, plat::FileTimes{0, 0, 132000000000000000ull}));
    plat::FileTimes got;
    ASSERT_TRUE(plat::GetFileTimes(f, got));
    EXPECT_EQ(got.access, t.access);
    EXPECT_EQ(got.write, 132000000000000000ull);
}

TEST(CopyFile, OverwritesOnlyWhenAllowed) {
    TempFolder d;
    d.write("a", "new");
    d.write("b", "old");
    EXPECT_FALSE(plat::CopyFile(d.file("a"), d.file("b"), true));
    EXPECT_TRUE(plat::CopyFile(d.file("a"), d.file("b"), false));
    EXPECT_EQ(ReadTextFile(d.file("b")), "new");
    EXPECT_FALSE(plat::CopyFile(d.file("missing"), d.file("c"), false));
}

TEST(MakeDir, AnExistingFolderCountsAsMade) {
    TempFolder d;
    EXPECT_TRUE(plat::MakeDir(d.file("temp")));
    EXPECT_TRUE(plat::MakeDir(d.file("temp")));
    d.write("file", "x");
    EXPECT_FALSE(plat::MakeDir(d.file("file")));
    EXPECT_FALSE(plat::MakeDir(d.file("no/such/parent")));
}

} // namespace
