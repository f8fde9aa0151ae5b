// Command lines of Windows programs mapped to what starts here, recorded by the headless backend;
// worker threads; memory blocks.
#include "plat/clock.hpp"
#include "plat/msgbox.hpp"
#include "plat/paths.hpp"
#include "plat/process.hpp"
#include "plat/sound.hpp"
#include "plat/testing.hpp"
#include "plat/thread.hpp"
#include "support/temp_folder.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

using Args = std::vector<std::string>;

TEST(CommandLine, SplitsOnBlanksAndGroupsQuotes) {
    EXPECT_EQ(plat::SplitCommandLine("notepad.exe \"C:\\my data\\results.txt\""),
              (Args{"notepad.exe", "C:\\my data\\results.txt"}));
    EXPECT_EQ(plat::SplitCommandLine("  a  \"\"  b"), (Args{"a", "", "b"}));
}

TEST(CommandLine, MapsEditorBrowserShellAndCompanions) {
    TempFolder folder;
    const std::string& home = folder.path();
    std::filesystem::create_directories(home + "/bin");
    folder.write("bin/dravonndf", "#!/bin/sh\n");
    setenv("TARNIX_HOME", home.c_str(), 1);
    unsetenv("VISUAL");
    struct Case {
        std::string line;
        Args argv;
    };
    const Case cases[] = {
        {"notepad.exe /data/results.txt", {"xdg-open", "/data/results.txt"}},
        {"notepad.exe c:\\temp\\x.txt", {"xdg-open", "/tmp/x.txt"}},
        {"firefox.exe https://example.org/help", {"xdg-open", "https://example.org/help"}},
        {"explorer.exe https://example.org/help", {"xdg-open", "https://example.org/help"}},
        {"cmd.exe /K /runs/7/hydropro.bat", {"sh", "/runs/7/hydropro.sh"}},
        {"mirovan.exe /data/a.xp", {home + "/mirovan.exe", "/data/a.xp"}},
        {home + "\\bin\\dravonndf.exe 1 2", {home + "/bin/dravonndf", "1", "2"}},
        {"/usr/bin/true", {"/usr/bin/true"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(plat::MapCommandLine(c.line), c.argv) << c.line;
    setenv("VISUAL", "gvim -f", 1);
    EXPECT_EQ(plat::MapCommandLine("notepad.exe r.txt"), (Args{"gvim", "-f", "r.txt"}));
    unsetenv("VISUAL");
    unsetenv("TARNIX_HOME");
}

// Each argument reaches the program whole: quotes and blanks in a user's path split nothing.
TEST(StartProgram, PassesEachArgumentWhole) {
    plat::test::Script s;
    const std::string hostile = "/data/a\" -c \"!touch x";
    struct Case {
        std::string program;
        Args args;
        bool wait;
        Args argv;
    } cases[] = {
        {"/opt/mirovan", {hostile + ".xp"}, false, {"/opt/mirovan", hostile + ".xp"}},
        {"/opt/VIZRA/VIZRA",
         {"--cofs", "--watch", hostile},
         false,
         {"/opt/VIZRA/VIZRA", "--cofs", "--watch", hostile}},
        {"cmd.exe", {"/K", hostile + "/hydropro.bat"}, true, {"sh", hostile + "/hydropro.sh"}},
        {"/opt/two words/prog", {"a b", ""}, false, {"/opt/two words/prog", "a b", ""}},
    };
    for (const Case& c : cases)
        EXPECT_GT(plat::StartProgram(c.program, c.args, c.wait, c.wait ? hostile : ""), 31);
    ASSERT_EQ(plat::test::processes().size(), std::size(cases));
    for (std::size_t k = 0; k < std::size(cases); ++k) {
        EXPECT_EQ(plat::test::processes()[k].argv, cases[k].argv) << k;
        EXPECT_EQ(plat::test::processes()[k].wait, cases[k].wait) << k;
    }
    EXPECT_EQ(plat::test::processes()[2].workingDir, hostile);
}

TEST(WinExec, IsRecordedAndReportsTheScriptedResult) {
    plat::test::Script s;
    EXPECT_GT(WinExec("firefox.exe https://example.org", SW_SHOWMAXIMIZED), 31u);
    plat::test::setProcessResult(2);
    EXPECT_LE(WinExec("firefox.exe https://example.org", SW_SHOWMAXIMIZED), 31u);
    ASSERT_EQ(plat::test::processes().size(), 2u);
    EXPECT_EQ(plat::test::processes()[0].argv, (Args{"xdg-open", "https://example.org"}));
    EXPECT_FALSE(plat::test::processes()[0].wait);
}

TEST(SoundsAndHelp, AreRecordedWithTheirMode) {
    plat::test::Script s;
    sndPlaySound("c:\\t\\sounds\\bye.wav", SND_NODEFAULT);
    sndPlaySound("/t/sounds/ok2.wav", SND_ASYNC | SND_NODEFAULT);
    MessageBeep(MB_ICONASTERISK);
    WinHelp(nullptr, "tarnix.hlp", HELP_CONTEXT, 320);
    ASSERT_EQ(plat::test::sounds().size(), 2u);
    EXPECT_EQ(plat::test::sounds()[0].path, "/t/sounds/bye.wav");
    EXPECT_TRUE(plat::test::sounds()[0].sync);
    EXPECT_FALSE(plat::test::sounds()[1].sync);
    EXPECT_EQ(plat::test::beeps(), (std::vector<UINT>{MB_ICONASTERISK}));
    ASSERT_EQ(plat::test::helpCalls().size(), 1u);
    EXPECT_EQ(plat::test::helpCalls()[0].data, 320u);
}

TEST(RealProcess, WaitsAndReportsTheExitStatus) {
    // Not headless: the layer's own process start.
    struct Direct : plat::Backend {
        void pump(bool) override {}
        void createWindow(TWindow&) override {}
        void destroyWindow(TWindow&) override {}
        void present(TWindow&, const TRect&) override {}
        void setCaption(TWindow&, const std::string&) override {}
        void setCursor(TWindow&, int) override {}
        void setCapture(TWindow*) override {}
        void buildMenu(TWindow&, const plat::MenuModel&) override {}
        void startTimer(TWindow&, UINT, UINT) override {}
        void stopTimer(TWindow&, UINT) override {}
        int messageBox(TWindow*, const std::string&, const std::string&, UINT) override {
            return 1;
        }
        bool inputBox(TWindow*, const std::string&, const std::string&, std::string&,
                      int) override {
            return false;
        }
        int runDialog(TDialog&) override { return 2; }
        bool fileDialog(const OpenFileRecord&, bool, std::vector<std::string>&, DWORD&) override {
            return false;
        }
        bool editText(std::string&, std::size_t) override { return true; }
        void clipboardSet(const plat::ClipData&) override {}
        void beep(UINT) override {}
    };
    auto previous = plat::SetBackend(std::make_unique<Direct>());
    EXPECT_EQ(plat::CreateProcessAndWait("/bin/sh -c \"exit 3\""), 35);
    EXPECT_EQ(plat::CreateProcessAndWait("/bin/true"), 32);
    EXPECT_LE(plat::CreateProcessAndWait("/no/such/program.exe"), 31);
    plat::SetBackend(std::move(previous));
}

class SumThread : public TThread {
  public:
    SumThread(int k, int n) : k_(k), n_(n) {}
    int Run() override {
        SetPriority(Highest);
        for (int i = 0; i < 1000; ++i)
            if (i % n_ == k_ - 1)
                sum += i;
        return k_;
    }
    long sum = 0;

  private:
    int k_, n_;
};

TEST(Thread, RunsWaitsAndKeepsItsResult) {
    SumThread a(1, 2), b(2, 2);
    EXPECT_EQ(a.GetStatus(), TThread::Created);
    ASSERT_TRUE(a.Start());
    ASSERT_TRUE(b.Start());
    EXPECT_FALSE(a.Start());
    EXPECT_EQ(a.WaitForExit(), 1);
    EXPECT_EQ(b.WaitForExit(), 2);
    EXPECT_EQ(a.GetStatus(), TThread::Finished);
    EXPECT_EQ(a.GetPriority(), TThread::Highest);
    EXPECT_EQ(a.sum + b.sum, 999L * 1000 / 2);
}

TEST(GlobalBlock, IsZeroedWithOneExtraSlotOrEmptyWhenTooLarge) {
    auto block = plat::GlobalBlock(1000);
    ASSERT_EQ(block.size(), 1001u);
    for (double v : block)
        EXPECT_EQ(v, 0.0);
    EXPECT_TRUE(plat::GlobalBlock(std::size_t(-1) / 2).empty());
}

} // namespace
