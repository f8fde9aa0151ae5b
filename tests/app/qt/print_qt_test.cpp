// Printing the main window on the desktop backend (offscreen): through the toolkit's print
// dialog to a PDF file, one page whose picture is the window's painting scaled to the page.
#include "plat/png.hpp"
#include "support/desktop_window.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace {

namespace probe = plat::qtprobe;

class PrintOnDesktop : public DesktopWindowTest {
  protected:
    void SetUp() override {
        DesktopWindowTest::SetUp();
        LoadGeneratedScans();
    }
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
