// The residuals bitmap: levels and colours of the four modes, a picture of 30 scans in time order,
// the copy to the clipboard and the stretched copy under the distribution plot.
#include "display/residuals_bitmap.h"
#include "display/scan_plots.h"
#include "foundations/ccurve.h"
#include "foundations/cvector.h"
#include "foundations/nr_arrays.h"
#include "plat/png.hpp"
#include "plat/testing.hpp"
#include "plotting/win_plot.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_store_alloc.h"

#include <cmath>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

TEST(ResidualsBitmap, LevelsAreLimitedToASignedByte) {
    const float f = 0.05f;
    struct Case {
        float r;
        int level;
    } cases[] = {{f, 127},          {-f, -128}, {3 * f, 127}, {-7 * f, -128}, {0.5f * f, 64},
                 {-0.25f * f, -32}, {0, 0},     {1e-9f, 0},   {-1e-9f, -1}};
    for (const Case& c : cases)
        EXPECT_EQ(ResidualLevel(c.r, f), c.level) << c.r;
    EXPECT_EQ(ResidualLevel(0.3f, 0.0f), 0); // all-zero fluorescence residuals: no division by 0
}

TEST(ResidualsBitmap, ColoursOfTheFourModes) {
    struct Case {
        bool bw, shading;
        int level;
        COLORREF colour;
    } cases[] = {
        {false, false, 64, 0x0000FF},         {false, false, -5, 0xFF0000},
        {false, false, 0, 0xFFFFFF},          {false, true, 64, RGB(192, 64, 64)},
        {false, true, -32, RGB(96, 96, 160)}, {false, true, 0, 0x808080},
        {false, true, -128, RGB(0, 0, 255)},  {true, false, 3, 0xFFFFFF},
        {true, false, -3, 0x000000},          {true, false, 0, 0x808080},
        {true, true, 64, RGB(192, 192, 192)}, {true, true, -128, RGB(0, 0, 0)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ResidualLevelColour(c.level, c.bw, c.shading), c.colour)
            << c.bw << c.shading << " level " << c.level;
    }
}

namespace {

// 30 scans of 700 points on the grid 6.001 .. 6.700 cm; the scan numbered k has residuals of
// +F/2 when k is even and -F/4 when odd; time order is the reverse of the numbering.
struct ThirtyScans {
    static constexpr int kScans = 30, kPoints = 700;
    std::vector<int> order, counts;
    std::vector<float*> radius, residuals;
    float* grid = vector(1, kPoints);
    ResidualsBitmapSource source;
    ThirtyScans()
        : order(kScans + 1), counts(kScans + 1, kPoints), radius(kScans + 1),
          residuals(kScans + 1) {
        for (int j = 1; j <= kPoints; ++j)
            grid[j] = 6.0f + 0.001f * float(j);
        for (int k = 1; k <= kScans; ++k) {
            order[std::size_t(k)] = kScans + 1 - k;
            radius[std::size_t(k)] = vector(1, kPoints);
            residuals[std::size_t(k)] = vector(1, kPoints);
            for (int j = 1; j <= kPoints; ++j) {
                radius[std::size_t(k)][j] = grid[j];
                residuals[std::size_t(k)][j] = k % 2 == 0 ? 0.025f : -0.0125f;
            }
        }
        source = {kScans, order.data(), counts.data(), radius.data(), residuals.data(),
                  grid,   kPoints,      101,           600,           0.05f};
    }
    ~ThirtyScans() {
        for (int k = 1; k <= kScans; ++k) {
            free_vector(radius[std::size_t(k)], 1, kPoints);
            free_vector(residuals[std::size_t(k)], 1, kPoints);
        }
        free_vector(grid, 1, kPoints);
    }
};

} // namespace

TEST(ResidualsBitmap, ThirtyScansEarliestOnTop) {
    ThirtyScans s;
    TBitmap plain = RenderResidualsBitmap(s.source, false, false);
    ASSERT_EQ(plain.Width(), 500);
    ASSERT_EQ(plain.Height(), 30);
    // Row 0 is scan 30 (even: positive), row 1 scan 29 (odd: negative).
    EXPECT_EQ(plain.Pixels()->GetPixel(0, 0), 0x0000FFu);
    EXPECT_EQ(plain.Pixels()->GetPixel(499, 0), 0x0000FFu);
    EXPECT_EQ(plain.Pixels()->GetPixel(250, 1), 0xFF0000u);
    TBitmap shaded = RenderResidualsBitmap(s.source, false, true);
    EXPECT_EQ(shaded.Pixels()->GetPixel(10, 0), RGB(192, 64, 64));
    EXPECT_EQ(shaded.Pixels()->GetPixel(10, 29), RGB(96, 96, 160));
    plat::WritePng(*shaded.Pixels(), "/tmp/tarnix_residuals_bitmap.png");
}

TEST(ResidualsBitmap, EmptyFitRangeOrNoScansGiveNoPicture) {
    ThirtyScans s;
    ResidualsBitmapSource none = s.source;
    none.scanCount = 0;
    EXPECT_TRUE(RenderResidualsBitmap(none, false, false).IsNull());
    ResidualsBitmapSource empty = s.source;
    empty.gridLastFit = empty.gridFirstFit - 1;
    EXPECT_TRUE(RenderResidualsBitmap(empty, false, false).IsNull());
    ResidualsBitmapSource beyond = s.source;
    beyond.gridLastFit = 701;
    EXPECT_TRUE(RenderResidualsBitmap(beyond, false, false).IsNull());
}

TEST(ResidualsBitmap, CopiedToTheClipboardAsABitmap) {
    ThirtyScans s;
    TBitmap b = RenderResidualsBitmap(s.source, true, true);
    ASSERT_TRUE(CopyBitmapToClipboard(b, nullptr));
    const plat::ClipData& clip = plat::test::clipboard();
    ASSERT_TRUE(clip.bitmap.has_value());
    EXPECT_EQ(clip.bitmap->Width(), 500);
    EXPECT_EQ(clip.bitmap->Height(), 30);
    EXPECT_EQ(clip.bitmap->GetPixel(7, 0), RGB(192, 192, 192));
    EXPECT_EQ(clip.bitmap->GetPixel(7, 1), RGB(96, 96, 96));
}

TEST(ResidualsBitmap, StretchedUnderTheDistributionPlot) {
    ThirtyScans s;
    TBitmap b = RenderResidualsBitmap(s.source, false, false);
    plat::Surface window(1400, 1000);
    TSurfaceDC dc(window);
    StretchResidualsBitmap(dc, b, 1400, 1000, 550);
    // Columns 104 .. 104 + 1259 - 1, rows 550 .. 579 (one device row per scan).
    EXPECT_EQ(window.GetPixel(104, 550), 0x0000FFu);
    EXPECT_EQ(window.GetPixel(1362, 579), 0xFF0000u);
    EXPECT_EQ(window.GetPixel(103, 550), 0xFFFFFFu);
    EXPECT_EQ(window.GetPixel(1363, 550), 0xFFFFFFu);
    EXPECT_EQ(window.GetPixel(500, 549), 0xFFFFFFu);
    EXPECT_EQ(window.GetPixel(500, 580), 0xFFFFFFu);
}

namespace {

// The scan store filled with the 30 scans above: signal 1, fit 1 - residual, both fit limits
// unset, and a residual plot of the last two scans in time order.
struct StoreWithThirtyScans {
    ThirtyScans s;
    std::vector<float*> signal, fit;
    std::vector<int> firstFit, lastFit;
    std::unique_ptr<CCurve> c29, c30;
    std::vector<std::unique_ptr<CVector>> views;
    CWINPlot residualPlot;
    StoreWithThirtyScans()
        : signal(31), fit(31), firstFit(31, 1), lastFit(31, ThirtyScans::kPoints) {
        for (int k = 1; k <= 30; ++k) {
            signal[std::size_t(k)] = vector(1, ThirtyScans::kPoints);
            fit[std::size_t(k)] = vector(1, ThirtyScans::kPoints);
            for (int j = 1; j <= ThirtyScans::kPoints; ++j) {
                signal[std::size_t(k)][j] = 1.0f;
                fit[std::size_t(k)][j] = 1.0f - s.residuals[std::size_t(k)][j];
            }
        }
        ScanStore::scanCount = 30;
        ScanStore::scanOrder = s.order.data();
        ScanStore::pointCount = s.counts.data();
        ScanStore::radius = s.radius.data();
        ScanStore::residuals = s.residuals.data();
        ScanStore::signal = signal.data();
        ScanStore::fit = fit.data();
        ScanStore::firstFitIndex = firstFit.data();
        ScanStore::lastFitIndex = lastFit.data();
        ScanStore::gridRadius = s.grid;
        ScanStore::gridCount = ThirtyScans::kPoints;
        ScanStore::gridFirstFit = 101;
        ScanStore::gridLastFit = 600;
        residualPlot.SetPlotRect(600, 75, 950, 975);
        for (int k : {1, 2}) {
            views.push_back(std::make_unique<CVector>());
            views.back()->Attach(s.radius[std::size_t(k)], ThirtyScans::kPoints, 1);
            views.push_back(std::make_unique<CVector>());
            views.back()->Attach(s.residuals[std::size_t(k)], ThirtyScans::kPoints, 1);
        }
        c29 = std::make_unique<CCurve>(views[0].get(), views[1].get());
        c30 = std::make_unique<CCurve>(views[2].get(), views[3].get());
        residualPlot.AddCurve(c29.get());
        residualPlot.AddCurve(c30.get());
        ScanStore::residualPlot = &residualPlot;
    }
    ~StoreWithThirtyScans() {
        for (int k = 1; k <= 30; ++k) {
            free_vector(signal[std::size_t(k)], 1, ThirtyScans::kPoints);
            free_vector(fit[std::size_t(k)], 1, ThirtyScans::kPoints);
        }
        ScanStore::scanCount = 0;
        ScanStore::scanOrder = nullptr;
        ScanStore::pointCount = nullptr;
        ScanStore::radius = ScanStore::residuals = ScanStore::signal = ScanStore::fit = nullptr;
        ScanStore::firstFitIndex = ScanStore::lastFitIndex = nullptr;
        ScanStore::gridRadius = nullptr;
        ScanStore::gridCount = ScanStore::gridFirstFit = ScanStore::gridLastFit = 0;
        ScanStore::residualPlot = nullptr;
        ScanDataKind::fluorescence = false;
        gBitmapFullScale = 0;
        gBitmapShading = false;
        gBitmapBlackWhite = true;
    }
};

} // namespace

TEST(ResidualsBitmap, FullScaleFromSettingPlotOrRmsDeviation) {
    StoreWithThirtyScans store;
    gBitmapFullScale = 0;
    UpdateResiduals(true);
    EXPECT_NEAR(ResidualsBitmapSourceFromStore().fullScale, 0.025f + 0.05f * 0.0375f, 1e-6);
    gBitmapFullScale = 0.2f;
    EXPECT_EQ(ResidualsBitmapSourceFromStore().fullScale, 0.2f);
    // Fluorescence data take three times the rms deviation whatever the setting.
    ScanDataKind::fluorescence = true;
    const float rmsd = std::sqrt((0.025f * 0.025f + 0.0125f * 0.0125f) / 2);
    EXPECT_NEAR(ResidualsBitmapSourceFromStore().fullScale, 3 * rmsd, 1e-6);
}

TEST(ResidualsBitmap, CopyOfTheLoadedScans) {
    StoreWithThirtyScans store;
    gBitmapFullScale = 0.05f;
    gBitmapShading = true;
    gBitmapBlackWhite = false;
    plat::test::clearRecords();
    CopyResidualsBitmap(nullptr);
    const plat::ClipData& clip = plat::test::clipboard();
    ASSERT_TRUE(clip.bitmap.has_value());
    EXPECT_EQ(clip.bitmap->Width(), 500);
    EXPECT_EQ(clip.bitmap->Height(), 30);
    // The residuals are recomputed as signal - fit in float: 1 - (1 - 0.025) lies just below 0.025.
    const auto shade = [](float fit) {
        return ResidualLevelColour(ResidualLevel(1.0f - fit, 0.05f), false, true);
    };
    EXPECT_EQ(clip.bitmap->GetPixel(0, 0), shade(1.0f - 0.025f));
    EXPECT_EQ(clip.bitmap->GetPixel(0, 1), shade(1.0f + 0.0125f));
    EXPECT_EQ(shade(1.0f - 0.025f), RGB(191, 65, 65));
}
