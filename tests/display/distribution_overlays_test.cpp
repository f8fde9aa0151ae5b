// What is drawn over the distribution plot: the redraw of a range (x range, whole-number y range
// that keeps the highest peak, the band's requests cleared), the stretch under an integration
// band and the cases that draw nothing, and the clearing of the peak labels.
#include "display/distribution_plot.h"
#include "display/integrated_area.h"
#include "display/screen_button_set.h"
#include "plat/window_dc.hpp"
#include "plotting/screen_button.h"
#include "plotting/win_plot.h"
#include "state/conti_state.h"
#include "state/dls_data.h"
#include "state/model_choice.h"
#include "state/plot_interaction_state.h"
#include "support/main_window_fixture.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

// s = 0, 0.5, ..., 10 S with peaks of 2.4 at 4 S and 5.0 at 9 S, and 0.63 at 1 S.
class DistributionOverlays : public ::testing::Test {
  protected:
    DistributionOverlays() : s(22, 0.0f), c(22, 0.0f) {
        for (int i = 1; i <= 21; ++i)
            s[i] = 0.5f * float(i - 1);
        c[3] = 0.63f;
        c[8] = 1.0f;
        c[9] = 2.4f;
        c[10] = 1.0f;
        c[19] = 5.0f;
        ContiState::sValues = s.data();
        ContiState::distribution = c.data();
        ContiState::gridPoints = 21;
        ModelChoice::contiMode = ModelChoice::contiCs = true;
        ShowDistribution(f.window.get());
        f.Paint();
    }
    ~DistributionOverlays() override {
        ClearDistribution(false);
        ContiState::sValues = ContiState::distribution = nullptr;
    }
    std::vector<std::uint32_t> Pixels() {
        TClientDC dc(f.window.get());
        const TRect client = f.window->GetClientRect();
        std::vector<std::uint32_t> p;
        for (int y = 0; y < client.bottom; y += 2)
            for (int x = 0; x < client.right; x += 2)
                p.push_back(dc.GetPixel(x, y));
        return p;
    }
    MainWindowFixture f;
    std::vector<float> s, c;
};

} // namespace

TEST_F(DistributionOverlays, RedrawSetsTheRangesAndClearsTheBandRequests) {
    const CWINPlot& plot = *ContiState::distributionPlot;
    struct Case {
        const char* name;
        float s1, s2;
        float yTop; // the largest value in range, rounded up; the value itself below 1
    } cases[] = {
        {"2 to 8", 2.0f, 8.0f, 3.0f},  // 2.4 inside; the 5.0 at 9 S is outside
        {"swapped", 8.0f, 2.0f, 3.0f}, // the same range
        {"small values", 0.5f, 2.0f, 0.63f},
        {"whole number", 8.5f, 10.0f, 5.0f},
    };
    for (const Case& k : cases) {
        DistributionBand::zoomArmed = DistributionBand::selectArmed = true;
        RedrawDistribution(f.window.get(), k.s1, k.s2);
        EXPECT_FLOAT_EQ(plot.xMin, std::min(k.s1, k.s2)) << k.name;
        EXPECT_FLOAT_EQ(plot.xMax, std::max(k.s1, k.s2)) << k.name;
        EXPECT_FLOAT_EQ(plot.yMin, 0.0f) << k.name;
        EXPECT_FLOAT_EQ(plot.yMax, k.yTop) << k.name;
        EXPECT_FALSE(DistributionBand::zoomArmed || DistributionBand::selectArmed) << k.name;
    }
}

TEST_F(DistributionOverlays, StretchHasInterpolatedEnds) {
    std::vector<float> x(30), y(30);
    int n = 0;
    ASSERT_TRUE(DistributionStretch(4.25f, 3.6f, x.data(), y.data(), 28, &n));
    ASSERT_EQ(n, 3); // 3.6, the node at 4.0, 4.25
    EXPECT_FLOAT_EQ(x[1], 3.6f);
    EXPECT_NEAR(y[1], 1.0f + 0.1f / 0.5f * 1.4f, 1e-5);
    EXPECT_FLOAT_EQ(x[n], 4.25f);
    EXPECT_NEAR(y[n], 2.4f - 0.25f / 0.5f * 1.4f, 1e-5);
    EXPECT_FALSE(DistributionStretch(3.0f, 3.0f, x.data(), y.data(), 28, &n));
    EXPECT_FALSE(DistributionStretch(20.0f, 30.0f, x.data(), y.data(), 28, &n)) << "off the grid";
}

TEST_F(DistributionOverlays, IntegratedAreaDrawsOnlyWhereItShould) {
    TXLAWindow* w = f.window.get();
    const std::vector<std::uint32_t> before = Pixels();
    struct Case {
        const char* name;
        float s1, s2;
        bool dls, boundary;
    } nothing[] = {
        {"s1 = s2", 4.0f, 4.0f, false, false},
        {"DLS data", 2.0f, 6.0f, true, false},
        {"boundary analysis", 2.0f, 6.0f, false, true},
    };
    for (const Case& k : nothing) {
        gDlsData = k.dls;
        ModelChoice::gStarFamily = k.boundary;
        DrawIntegratedArea(w, k.s1, k.s2, 12, 255);
        EXPECT_EQ(Pixels(), before) << k.name;
    }
    gDlsData = ModelChoice::gStarFamily = false;
    DrawIntegratedArea(w, 2.0f, 6.0f, 12, 255);
    EXPECT_NE(Pixels(), before);
    // Drawn again in black with the halo the stretch is gone.
    DrawIntegratedArea(w, 2.0f, 6.0f, 13, 0);
    DrawIntegratedArea(w, 2.0f, 6.0f, -1, 0);
    const std::vector<std::uint32_t> after = Pixels();
    int red = 0;
    for (std::uint32_t p : after)
        red += p == RGB(255, 0, 0);
    EXPECT_EQ(red, 0);
    ClearDistribution(false);
    DrawIntegratedArea(w, 2.0f, 6.0f, 12, 255);
    EXPECT_EQ(Pixels(), after) << "without a plot";
}

TEST_F(DistributionOverlays, ClearingPeakLabelsZeroesTheirValuesOrOnlyTheSwitch) {
    using S = ScreenButtonSet;
    S::peakLabelsShown = true;
    S::peakS[3] = 4.0f; // a value without labels stays
    ClearPeakLabelButtons();
    EXPECT_FALSE(S::peakLabelsShown);
    EXPECT_EQ(S::peakS[3], 4.0f);
    S::peakLabelCount = 2;
    S::peakLabels[1] = new CScreenButton;
    S::peakLabels[2] = new CScreenButton;
    S::peakMass[2] = 150000.0f;
    S::peakLabelsShown = true;
    ClearPeakLabelButtons();
    EXPECT_EQ(S::peakLabelCount, 0);
    EXPECT_EQ(S::peakLabels[1], nullptr);
    EXPECT_EQ(S::peakLabels[2], nullptr);
    EXPECT_EQ(S::peakMass[2], 0.0f);
    EXPECT_EQ(S::peakS[3], 0.0f);
    EXPECT_FALSE(S::peakLabelsShown);
}
