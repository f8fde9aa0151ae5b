// The on-plot buttons: made once with their number and four letters, placed right to left from
// the plot's top right corner, found under the pointer, and part of every recording of the plot.
#include "plat/png.hpp"
#include "plot_test_curves.h"
#include "plotting/plot_globals.h"
#include "plotting/win_plot.h"

#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

namespace {

int TextRecords(const CWINPlot& p, const std::string& label) {
    const std::string dump = Dump(p.metaFile);
    const std::string needle = "\"" + label + "\"";
    int n = 0;
    for (auto at = dump.find(needle); at != std::string::npos; at = dump.find(needle, at + 1))
        ++n;
    return n;
}

TEST(PlotButtons, MadeOncePlacedTopRightAndFoundUnderThePointer) {
    auto c = SampledCurve(50, [](float x) { return std::sin(x / 5); });
    CWINPlot p;
    p.SetPlotRect(100, 200, 600, 900);
    p.AddCurve(c.get());
    p.ShowButtons(3);
    ASSERT_EQ(p.buttonCount, 5);
    const char* labels[] = {"3", "F", "P", "N", "L"};
    for (int i = 1; i <= 5; ++i) {
        CScreenButton* b = p.Button(i);
        ASSERT_NE(b, nullptr);
        EXPECT_STREQ(b->offText, labels[i - 1]);
        EXPECT_EQ(b->right - b->left, p.buttonSize) << i;
        EXPECT_EQ(b->top, p.plotTop) << i;
        EXPECT_EQ(b->bottom, p.plotTop + p.buttonSize) << i;
        if (i < 5) {
            EXPECT_EQ(b->right, p.Button(i + 1)->left) << i << ": a row without gaps";
        }
    }
    EXPECT_EQ(p.Button(5)->right, p.plotRight);
    EXPECT_EQ(p.Button(0), nullptr);
    EXPECT_EQ(p.Button(6), nullptr);

    // A second call only changes the number.
    CScreenButton* first = p.Button(1);
    p.ShowButtons(12);
    EXPECT_EQ(p.buttonCount, 5);
    EXPECT_EQ(p.Button(1), first);
    EXPECT_STREQ(first->offText, "12");

    // Hits in per-mille of the client area: x is the logical column over 1.4.
    struct Probe {
        const char* where;
        float column, row;
        int button;
    };
    const CScreenButton& n = *p.Button(4);
    const float midRow = float(n.top + n.bottom) / 2;
    const Probe probes[] = {
        {"centre of N", float(n.left + n.right) / 2, midRow, 4},
        {"right edge of the row", float(p.plotRight), midRow, 5},
        {"left of the number", float(p.Button(1)->left - 2), midRow, 0},
        {"above the row", float(n.left + n.right) / 2, float(n.top - 3), 0},
        {"below the row", float(n.left + n.right) / 2, float(n.bottom + 3), 0},
    };
    for (const Probe& probe : probes)
        EXPECT_EQ(p.ButtonAt(probe.column / gScreenScale, probe.row), probe.button) << probe.where;
    EXPECT_FALSE(p.Button(4)->on) << "a push button does not latch";

    // A new plot rectangle (the window resized or the plot moved) takes the row along.
    p.SetPlotRect(50, 475, 550, 950);
    EXPECT_EQ(p.Button(5)->right, p.plotRight);
    EXPECT_EQ(p.Button(1)->top, 50);
    p.buttonSize = 30;
    p.PlaceButtons();
    EXPECT_EQ(p.Button(5)->right - p.Button(1)->left, 5 * 30);
}

TEST(PlotButtons, EveryRecordingOfThePlotDrawsThem) {
    auto c = SampledCurve(50, [](float x) { return std::sin(x / 5); });
    CWINPlot p;
    p.SetPlotRect(100, 200, 600, 900);
    p.AddCurve(c.get());
    ASSERT_TRUE(p.Draw());
    EXPECT_EQ(TextRecords(p, "N"), 0);
    p.ShowButtons(7);
    EXPECT_EQ(TextRecords(p, "7") >= 1 && TextRecords(p, "N") == 1, true) << Dump(p.metaFile);
    p.ZoomX(10, 20);
    EXPECT_EQ(TextRecords(p, "N"), 1) << "after a zoom";
    p.FullRange();
    p.Draw();
    EXPECT_EQ(TextRecords(p, "L"), 1) << "after the full range";

    const char* dir = std::getenv("TARNIX_TEST_OUTPUT");
    const std::string path = std::string(dir ? dir : "/tmp") + "/tarnix_plot_buttons.png";
    EXPECT_TRUE(plat::RenderPng(*p.metaFile, 1400, 1000, path));
}

} // namespace
