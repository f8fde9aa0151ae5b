// The marker lines of the data plot under a zoom: a meniscus, bottom or fit limit outside the
// range shown is left out as the curves are, never drawn in the margins beside the frame, and
// comes back at its place once the range holds it again.
#include "app/params_box.h"
#include "display/marker_lines.h"
#include "display/plot_coordinates.h"
#include "plotting/win_plot.h"
#include "scandata/scan_store_alloc.h"
#include "state/model_parameters.h"
#include "state/plot_interaction_state.h"
#include "support/generated_scans.h"
#include "support/main_window_fixture.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>

namespace {

constexpr COLORREF kMeniscusRed = 0x0000FF;
constexpr COLORREF kFitLimitGreen = 0x00FF00;

struct Frame {
    int left, right, top, bottom; // pixels
};

Frame DataFrame(const TXLAWindow& w) {
    const CWINPlot& p = *ScanStore::dataPlot;
    return {LogicalToPixelX(p.plotLeft, w.clientWidth), LogicalToPixelX(p.plotRight, w.clientWidth),
            LogicalToPixelY(p.plotTop, w.clientHeight),
            LogicalToPixelY(p.plotBottom, w.clientHeight)};
}

// Pixels of the colour in columns x0..x1 (inclusive) over the data plot's rows.
int CountIn(TXLAWindow& w, int x0, int x1, COLORREF colour) {
    const Frame fr = DataFrame(w);
    int n = 0;
    for (int x = std::max(x0, 0); x <= x1 && x < int(w.clientWidth); ++x)
        for (int y = fr.top + 1; y < fr.bottom; ++y)
            n += w.GetSurface().GetPixel(x, y) == colour;
    return n;
}

TEST(DataPlotMarkers, AMarkerOutsideTheZoomIsLeftOutAndComesBackAtFullRange) {
    struct Case {
        const char* what;
        std::function<void(MainWindowFixture&)> zoom; // leaves the marker outside the range
        COLORREF colour;
        std::function<float()> value;
    };
    const Case cases[] = {
        // Run with time-invariant noise zooms the data plot to the fitted range: the meniscus,
        // typed 0.05 cm before the data, lies left of it.
        {"meniscus left of a Run's zoom", [](MainWindowFixture& f) { Send(f, 213); }, kMeniscusRed,
         [] { return ModelParameters::meniscus; }},
        // Display > Set Range ending 0.02 cm before the right fit limit.
        {"right fit limit beyond a set range",
         [](MainWindowFixture& f) {
             for (const char* v : {"6.0", "7.03", "-0.1", "0.6"})
                 f.script.expectInput().title("SET DISPLAY RANGE").answer(v);
             Send(f, 207);
         },
         kFitLimitGreen, [] { return ScanStore::rightFitLimit; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MainWindowFixture f(900, 650);
        TXLAWindow& w = *f.window;
        LoadReadmeTwoSpecies(f, 6, 11);
        Send(f, 275);
        f.script.expectDialog(kDistributionParamsDialogId)
            .set(kRangeMinId, "0")
            .set(kRangeMaxId, "15")
            .set(kResolutionId, "40")
            .set(kMeniscusId, "5.95")
            .check(kTiNoiseId)
            .ok();
        Send(f, 212);
        ASSERT_TRUE(f.script.done()) << f.script.logText();
        ASSERT_FLOAT_EQ(ModelParameters::meniscus, 5.95f);

        c.zoom(f);
        f.Paint();
        ASSERT_TRUE(f.script.done()) << f.script.logText();
        const float v = c.value();
        ASSERT_TRUE(v < ScanStore::dataPlot->xMin || v > ScanStore::dataPlot->xMax)
            << v << " in " << ScanStore::dataPlot->xMin << ".." << ScanStore::dataPlot->xMax;
        Frame fr = DataFrame(w);
        EXPECT_EQ(CountIn(w, 0, fr.left - 1, c.colour), 0) << "left of the frame";
        EXPECT_EQ(CountIn(w, fr.right + 1, int(w.clientWidth), c.colour), 0)
            << "right of the frame";
        // Nor is it grabbed where it would lie.
        const int outside = DataPlotColumn(&w, v);
        const int row = (fr.top + fr.bottom) / 2;
        plat::test::mouse(&w, WM_LBUTTONDOWN, outside, row, MK_LBUTTON);
        f.script.pumpUntilIdle();
        EXPECT_FALSE(MarkerDragState::buttonDown) << "grabbed at column " << outside;
        plat::test::mouse(&w, WM_LBUTTONUP, outside, row);
        f.script.pumpUntilIdle();

        // Full Range draws the plot and its markers at once, without a paint of the window.
        Send(f, 208);
        fr = DataFrame(w);
        const int column = DataPlotColumn(&w, v);
        ASSERT_GT(column, fr.left);
        ASSERT_LT(column, fr.right);
        EXPECT_GT(CountIn(w, column, column, c.colour), (fr.bottom - fr.top) / 2);
        EXPECT_EQ(CountIn(w, 0, fr.left - 1, c.colour), 0) << "left of the frame";
        EXPECT_EQ(CountIn(w, fr.right + 1, int(w.clientWidth), c.colour), 0)
            << "right of the frame";
    }
}

} // namespace
