// Printing the main window: one page holding the window's picture scaled to the page, a print
// with nothing chosen changes nothing, and the set-up waits for a printer.
#include "app/command_table.h"
#include "plat/png.hpp"
#include "plat/testing.hpp"
#include "scandata/scan_store_alloc.h"
#include "support/main_window_fixture.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

// The share of window pixels whose image on the page (at the pixel's centre) matches neither
// the pixel nor a neighbour: a scaled copy may pick the neighbour at the edge of a pixel.
double PageMismatch(const plat::Surface& screen, const plat::Surface& page, double factor) {
    long long differ = 0;
    for (int y = 0; y < screen.Height(); ++y)
        for (int x = 0; x < screen.Width(); ++x) {
            const COLORREF shown = page.GetPixel(int((x + 0.5) * factor), int((y + 0.5) * factor));
            bool found = false;
            for (int dy = -1; dy <= 1 && !found; ++dy)
                for (int dx = -1; dx <= 1 && !found; ++dx) {
                    const int sx = std::clamp(x + dx, 0, screen.Width() - 1);
                    const int sy = std::clamp(y + dy, 0, screen.Height() - 1);
                    found = screen.GetPixel(sx, sy) == shown;
                }
            if (!found)
                ++differ;
        }
    return double(differ) / (double(screen.Width()) * screen.Height());
}

} // namespace

TEST(Print, OnePageHoldsTheWindowScaledToThePage) {
    MainWindowFixture f(700, 500);
    f.LoadScans(5, 80);
    f.Paint();
    const plat::Surface screen = f.window->GetSurface();
    const std::string file = f.data.file("printout.png");
    f.script.expectFileSave().title("Tarnix Printout").answer(std::vector<std::string>{file});
    SendMessage(f.window.get(), WM_COMMAND, 234, 0);
    EXPECT_TRUE(f.script.done()) << f.script.logText();

    plat::Surface page;
    ASSERT_TRUE(plat::ReadPng(file, page));
    // The page is 1100 x 850 pixels: the width limits the scale, the rest stays white.
    const double factor = 1100.0 / 700.0;
    const double mismatch = PageMismatch(screen, page, factor);
    EXPECT_LT(mismatch, 0.001) << "share of pixels that differ (tolerance 0.1%)";
    for (int x = 0; x < page.Width(); x += 50)
        EXPECT_EQ(page.GetPixel(x, page.Height() - 1), RGB(255, 255, 255)) << x;
    if (const char* keep = std::getenv("TARNIX_KEEP_PNG"))
        plat::WritePng(page, std::string(keep) + "/printout.png");
}

TEST(Print, NothingChosenChangesNothing) {
    MainWindowFixture f(700, 500);
    f.LoadScans(3, 60);
    f.Paint();
    const plat::Surface before = f.window->GetSurface();
    const float first = ScanStore::signal[1][1];
    // The set-up before any print has no printer to set up.
    SendMessage(f.window.get(), WM_COMMAND, 233, 0);
    EXPECT_TRUE(f.script.log().empty());
    f.script.expectFileSave().title("Tarnix Printout").cancel();
    SendMessage(f.window.get(), WM_COMMAND, 234, 0);
    f.Paint();
    EXPECT_TRUE(f.script.done());
    EXPECT_EQ(f.script.log().size(), 1u) << f.script.logText();
    EXPECT_EQ(ScanStore::signal[1][1], first);
    EXPECT_EQ(plat::EncodePng(f.window->GetSurface()), plat::EncodePng(before));
}

TEST(Print, APageThatCannotBeWrittenIsReported) {
    MainWindowFixture f(700, 500);
    f.script.expectFileSave().answer(std::vector<std::string>{"/nonexistent-folder/page.png"});
    f.script.expectBox().caption("Tarnix Printout").textHas("could not be printed").answer(IDOK);
    SendMessage(f.window.get(), WM_COMMAND, 234, 0);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
}
