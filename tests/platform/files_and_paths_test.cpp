// Paths written the Windows way, file times, wildcard searches and copies.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "plat/files.hpp"
#include "plat/paths.hpp"

namespace fs = std::filesystem;

namespace {

class TempDir {
public:
    TempDir() {
        char tmpl[] = "/tmp/plat_files_XXXXXX";
        path_ = mkdtemp(tmpl);
    }
    ~TempDir() { fs::remove_all(path_); }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    const std::string& str() const { return path_; }
    void touch(const std::string& name) const { std::ofstream(path_ + "/" + name) << "x"; }

private:
    std::string path_;
};

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
        {"*.RA*", "00001.ra1", true},  {"*.RA*", "00001.RI1", false}, {"list*.*", "List_corr.RA1", true},
        {"list.*", "list", true},      {"list.*", "listing", false},   {"*.*", "noext", true},
        {"*.*1", "00001.RA1", true},   {"*.*1", "00001.RA2", false},   {"?0001.ip?", "00001.IP2", true},
        {"*.xp", "run.xpx", false},    {"*", "", true},                {"a*b*c", "aXbYbZc", true},
    };
    for (const Case& c : cases) EXPECT_EQ(plat::MatchWildcard(c.pattern, c.name), c.match) << c.pattern << " " << c.name;
}

TEST(FindFiles, ListsMatchingRegularFilesSorted) {
    TempDir d;
    for (const char* n : {"00002.RA1", "00001.ra1", "00003.RI1", "list", "list.RA1"}) d.touch(n);
    fs::create_directory(d / "sub.RA1");
    EXPECT_EQ(plat::FindFiles(d.str(), "*.RA*"), (std::vector<std::string>{"00001.ra1", "00002.RA1", "list.RA1"}));
    EXPECT_EQ(plat::FindFiles(d.str(), "list.*"), (std::vector<std::string>{"list", "list.RA1"}));
    EXPECT_TRUE(plat::FindFiles(d / "missing", "*").empty());
}

TEST(FileTimes, AccessAndWriteTimesSurviveARewrite) {
    TempDir d;
    std::string f = d / "00001.RA1";
    d.touch("00001.RA1");
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
    EXPECT_FALSE(plat::GetFileTimes(d / "missing", after));
}

TEST(FileTimes, ZeroLeavesThatTimeAlone) {
    TempDir d;
    std::string f = d / "x";
    d.touch("x");
    plat::FileTimes t{0, 130000000000000000ull, 131000000000000000ull};
    ASSERT_TRUE(plat::SetFileTimes(f, t));
    ASSERT_TRUE(plat::SetFileTimes(f, plat::FileTimes{0, 0, 132000000000000000ull}));
    plat::FileTimes got;
    ASSERT_TRUE(plat::GetFileTimes(f, got));
    EXPECT_EQ(got.access, t.access);
    EXPECT_EQ(got.write, 132000000000000000ull);
}

TEST(CopyFile, OverwritesOnlyWhenAllowed) {
    TempDir d;
    std::ofstream(d / "a") << "new";
    std::ofstream(d / "b") << "old";
    EXPECT_FALSE(plat::CopyFile(d / "a", d / "b", true));
    EXPECT_TRUE(plat::CopyFile(d / "a", d / "b", false));
    std::ifstream in(d / "b");
    std::string s;
    in >> s;
    EXPECT_EQ(s, "new");
    EXPECT_FALSE(plat::CopyFile(d / "missing", d / "c", false));
}

TEST(MakeDir, AnExistingFolderCountsAsMade) {
    TempDir d;
    EXPECT_TRUE(plat::MakeDir(d / "temp"));
    EXPECT_TRUE(plat::MakeDir(d / "temp"));
    d.touch("file");
    EXPECT_FALSE(plat::MakeDir(d / "file"));
    EXPECT_FALSE(plat::MakeDir(d / "no/such/parent"));
}

} // namespace
