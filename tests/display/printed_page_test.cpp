// The printed page: scan curves and markers in black on the page, in the plots' units, the
// question about the best-fit text, and the screen's plots in their colours afterwards.
#include "display/paint_switches.h"
#include "display/plot_coordinates.h"
#include "display/scan_colours.h"
#include "plat/gdi.hpp"
#include "plat/png.hpp"
#include "plat/surface.hpp"
#include "plotting/win_plot.h"
#include "scandata/scan_store_alloc.h"
#include "state/model_parameters.h"
#include "support/main_window_fixture.h"

#include <gtest/gtest.h>

TEST(PrintedPage, CurvesAndMarkersInBlackWhereThePlotPutsThem) {
    MainWindowFixture f{700, 500};
    TXLAWindow* w = f.window.get();
    ScanSetOptions o;
    o.count = 3;
    o.bottom = 7.5;
    f.Load(o);
    ModelParameters::meniscus = 6.0f;
    ScanStore::leftFitLimit = 6.3f;
    f.Paint();
    const plat::Surface screen = w->GetSurface();

    plat::Surface page(1400, 1000);
    {
        TSurfaceDC dc(page);
        f.script.expectBox()
            .caption("Printing")
            .text("print with last best-fit information?")
            .answer(IDNO);
        gPrinting = true;
        TRect all{0, 0, 1400, 1000};
        w->Paint(dc, true, all);
        gPrinting = false;
    }
    EXPECT_TRUE(f.script.done());
    plat::WritePng(page, "/tmp/tarnix_printed_page.png"); // for a look
    int black = 0, coloured = 0;
    for (int y = 0; y < 1000; ++y)
        for (int x = 0; x < 1400; ++x) {
            const COLORREF c = page.GetPixel(x, y);
            black += c == 0;
            for (int k = 1; k <= 3; ++k)
                coloured += c == ScanColour(k);
        }
    EXPECT_GT(black, 2000);
    EXPECT_EQ(coloured, 0);
    const CWINPlot& plot = *ScanStore::dataPlot;
    for (float r : {6.0f, 6.3f}) {
        const int x = DataToLogicalX(plot, r);
        int column = 0;
        for (int y = ScanStore::distPlotRect[0]; y < ScanStore::distPlotRect[1]; ++y)
            column += page.GetPixel(x, y) == 0;
        EXPECT_GE(column, ScanStore::distPlotRect[1] - ScanStore::distPlotRect[0] - 1) << r;
    }
    // The screen was not drawn on, and its plots are recorded in colour again.
    EXPECT_EQ(w->GetSurface(), screen);
    EXPECT_EQ(ScanStore::dataPlot->GetCurveColor(0), ScanColour(1));
    w->RequestRepaint();
    f.Paint();
    EXPECT_EQ(w->GetSurface(), screen);
}
