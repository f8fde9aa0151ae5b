// The Exit command ends the program through its message loop after freeing the loaded scans;
// under AddressSanitizer nothing of them may be left.
#include "app/txla_app.h"
#include "app/txla_window.h"
#include "plat/testing.hpp"
#include "scandata/scan_store_alloc.h"
#include "support/program_folder.h"
#include "support/store_builder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// A program folder with sound on and the hi and bye sounds present.
void WithSounds(const ProgramFolder& folder) {
    WriteTextFile(folder.file("tarnixparams.ini"),
                  "1\n0.0010\n0\n0\n0\n0\n1\n1\n1\n1\n0\n2\n1\n1\n2\n1.0\n0\n100\n100\n");
    std::filesystem::create_directory(folder.file("sounds"));
    for (const char* name : {"hi.wav", "bye.wav", "ok.wav"})
        WriteTextFile(folder.file("sounds/") + name, "RIFF");
}

// The sounds played, as "name sync" or "name async".
std::vector<std::string> Played() {
    std::vector<std::string> played;
    for (const plat::test::SoundCall& call : plat::test::sounds())
        played.push_back(std::filesystem::path(call.path).filename().string() +
                         (call.sync ? " sync" : " async"));
    return played;
}

float Plateau(float r) {
    return r < 6.5f ? 0.0f : 1.0f;
}

// The program as started, with Exit chosen as soon as its main window is there.
class ExitingApp : public TXLAApp {
  public:
    void InitMainWindow() override {
        TXLAApp::InitMainWindow();
        PostMessage(GetMainWindow(), WM_COMMAND, 230, 0);
    }
};

} // namespace

TEST(Exit, FreesTheScansAndEndsTheLoop) {
    ProgramFolder folder;
    folder.WriteAcceptedPreferences();
    WriteTextFile(folder.file("mirovan"), "");
    FillStore(
        {EvenScan(6.0f, 0.01f, 100, 600.0, Plateau), EvenScan(6.0f, 0.01f, 100, 1200.0, Plateau)});
    ASSERT_EQ(ScanStore::scanCount, 2);

    plat::test::Script s;
    ExitingApp app;
    EXPECT_EQ(app.Run(), 0);
    EXPECT_EQ(ScanStore::scanCount, 0);
    EXPECT_EQ(app.GetMainWindow(), nullptr);
    EXPECT_TRUE(s.log().empty()) << s.logText();
}

TEST(Exit, SaysHelloAtStartAndWaitsForGoodbyeAtExit) {
    ProgramFolder folder;
    WithSounds(folder);
    WriteTextFile(folder.file("mirovan"), "");
    plat::test::Script s;
    plat::test::clearRecords();
    ExitingApp app;
    EXPECT_EQ(app.Run(), 0);
    EXPECT_EQ(Played(), (std::vector<std::string>{"hi.wav async", "bye.wav sync"}));
}
