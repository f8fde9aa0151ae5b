// Printing the main window on the desktop backend (offscreen): through the toolkit's print
// dialog to a PDF file, one page whose picture is the window's painting scaled to the page.
#include "app/load_all_data.h"
#include "app/txla_window.h"
#include "display/paint_switches.h"
#include "display/scan_rms_file.h"
#include "plat/backend.hpp"
#include "plat/png.hpp"
#include "plat/qt_backend.hpp"
#include "platform/src/qt/qt_probe.hpp"
#include "support/program_folder.h"
#include "support/reset_all_state.h"
#include "support/scan_set_generator.h"
#include "support/temp_folder.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace {

namespace probe = plat::qtprobe;

class PrintOnDesktop : public ::testing::Test {
  protected:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "test_app_qt";
        static char* argv[] = {name, nullptr};
        ASSERT_TRUE(plat::InstallQtBackend(argc, argv));
        ResetAllState();
        folder.WriteAcceptedPreferences();
        gScanRmsPath = data.file("ScanRms.dat");
        window = std::make_unique<TXLAWindow>(nullptr, "Sedimentation Analysis");
        window->Create();
        gShowDisclaimer = false;
        probe::ResizeClient(*window, 900, 600);
        ScanSetOptions options;
        options.count = 8;
        options.points = 300;
        const std::string selection =
            SelectionBuffer(data.path(), WriteScanSet(data.path(), options));
        LoadAllData(window.get(), selection.c_str());
        MSG m;
        while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE) && m.message != WM_QUIT)
            DispatchMessage(&m);
        probe::ProcessEvents();
    }
    void TearDown() override {
        window.reset();
        plat::SetBackend(plat::MakeHeadlessBackend());
        ResetAllState();
    }

    ProgramFolder folder;
    TempFolder data;
    std::unique_ptr<TXLAWindow> window;
};

} // namespace

TEST_F(PrintOnDesktop, PrintToPdfGivesOnePageWithTheWindowScaledToIt) {
    const std::string pdf = data.file("window.pdf");
    probe::AnswerPrintToFile(pdf, true);
    window->CmPrint();
    EXPECT_FALSE(probe::AnswersPending());

    int pages = 0;
    plat::Surface page;
    ASSERT_TRUE(probe::ReadPrintedPdf(pdf, pages, page));
    EXPECT_EQ(pages, 1);
    EXPECT_TRUE(plat::WritePng(page, "/tmp/tarnix_qt_printed_page.png"));

    // The window fills the page's width or height with its aspect kept; the rest stays white.
    const plat::Surface& screen = window->GetSurface();
    const int width = screen.Width(), height = screen.Height();
    ASSERT_GT(width, 0);
    const double factor = std::min(double(page.Width()) / width, double(page.Height()) / height);
    ASSERT_GT(factor, 1.0) << "a page at 150 dots per inch is larger than the window";
    const int usedWidth = int(width * factor), usedHeight = int(height * factor);
    // Each page pixel shows the window pixel it was stretched from (nearest, as the page copy
    // maps destination to source).
    long compared = 0, equal = 0;
    for (int py = 0; py < usedHeight; ++py)
        for (int px = 0; px < usedWidth; ++px) {
            ++compared;
            equal += page.GetPixel(px, py) == screen.GetPixel(int(long(px) * width / usedWidth),
                                                              int(long(py) * height / usedHeight));
        }
    EXPECT_EQ(equal, compared);
    for (int y = usedHeight + 1; y < page.Height(); y += 7)
        for (int x = 0; x < page.Width(); x += 7)
            ASSERT_EQ(page.GetPixel(x, y), RGB(255, 255, 255)) << x << "," << y;
    for (int x = usedWidth + 1; x < page.Width(); x += 7)
        ASSERT_EQ(page.GetPixel(x, page.Height() / 2), RGB(255, 255, 255)) << x;
}

TEST_F(PrintOnDesktop, CancelledPrintDialogWritesNothing) {
    const std::string pdf = data.file("never.pdf");
    probe::AnswerPrintToFile(pdf, false);
    window->CmPrint();
    EXPECT_FALSE(probe::AnswersPending());
    EXPECT_FALSE(std::filesystem::exists(pdf));
}
