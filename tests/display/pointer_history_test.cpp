// The release speed from the pointer's path and the slide a released marker makes: friction
// steps, edges, the bounce that settles at the first edge hit, the Alt+M settings, and a slide
// driven through the window that a key ends.
#include "display/marker_lines.h"
#include "display/pointer_history.h"
#include "display/screen_button_set.h"
#include "foundations/nr_arrays.h"
#include "plat/clock.hpp"
#include "plat/messages.hpp"
#include "scandata/scan_store_alloc.h"
#include "state/fit_control.h"
#include "state/model_parameters.h"
#include "state/plot_interaction_state.h"
#include "support/main_window_fixture.h"
#include "support/reset_all_state.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

namespace pt = plat::test;

struct Slide {
    bool made = false;
    std::vector<int> columns; // from index 1
    std::vector<float> delays;
};

Slide Release(int low, int high, int start) {
    int* c = nullptr;
    float* d = nullptr;
    int n = 0;
    Slide s;
    s.made = MouseTrackRelease(&c, &d, &n, low, high, start);
    if (s.made) {
        s.columns.assign(c + 1, c + 1 + n);
        s.delays.assign(d + 1, d + 1 + n);
        free_ivector(c, 1, n);
        free_vector(d, 1, n);
    }
    return s;
}

// Samples of x(t) every 10 ms, the last at t = 70 ms.
void Track(double (*x)(double)) {
    MouseTrackReset();
    for (int i = 0; i < 8; ++i)
        MouseTrackAddAt(int(std::lround(x(0.01 * i))), 100, 1000 + 10 * i);
}

class PointerHistoryTest : public ::testing::Test {
  protected:
    PointerHistoryTest() {
        ResetAllState();
        gMouseSlidingOff = false;
    }
    ~PointerHistoryTest() override { ResetAllState(); }
};

} // namespace

TEST_F(PointerHistoryTest, SpeedIsTheSlopeAtTheNewestSample) {
    struct Case {
        const char* name;
        double (*x)(double);
        float speed;
    } cases[] = {
        {"steady right", [](double t) { return 100 + 1000 * t; }, 1000.0f},
        {"steady left", [](double t) { return 400 - 600 * t; }, -600.0f},
        {"speeding up", [](double t) { return 100 + 500 * t + 20000 * t * t; },
         500 + 40000 * 0.07f},
    };
    for (const Case& c : cases) {
        Track(c.x);
        // Whole pixels and float sums: a few pixels per second.
        EXPECT_NEAR(MouseTrackSpeed(), c.speed, 0.02f * std::fabs(c.speed) + 20.0f) << c.name;
    }
    // A pause of more than 0.3 s before the last sample: the pointer rested, no speed.
    Track(cases[0].x);
    MouseTrackAddAt(200, 100, 1070 + 301);
    EXPECT_EQ(MouseTrackSpeed(), 0.0f);
    // Samples taken at one instant tell no speed either.
    MouseTrackReset();
    for (int i = 0; i < 4; ++i)
        MouseTrackAddAt(100 + 5 * i, 100, 5000);
    EXPECT_EQ(MouseTrackSpeed(), 0.0f);
    EXPECT_FALSE(Release(0, 1000, 100).made);
}

TEST_F(PointerHistoryTest, SlidingOffKeepsNoHistoryAndMakesNoSlide) {
    gMouseSlidingOff = true;
    Track([](double t) { return 100 + 1000 * t; });
    EXPECT_EQ(PointerHistory::count, 0);
    EXPECT_EQ(MouseTrackSpeed(), 0.0f);
    EXPECT_FALSE(Release(0, 1000, 100).made);
}

TEST_F(PointerHistoryTest, FreeSlideLosesTenPixelsPerSecondEachStep) {
    gMouseBouncing = false;
    Track([](double t) { return 100 + 1000 * t; });
    const float v = MouseTrackSpeed();
    const Slide s = Release(0, 10000, 170);
    ASSERT_TRUE(s.made);
    EXPECT_EQ(s.columns[0], 170);
    EXPECT_EQ(s.delays[0], 0.0f);
    float speed = v;
    for (std::size_t i = 1; i < s.columns.size(); ++i) {
        const int dx = s.columns[i] - s.columns[i - 1];
        EXPECT_EQ(dx, int(std::ceil(speed * s.delays[i]))) << i;
        EXPECT_LE(s.delays[i], 0.005f + 1e-7f) << i;
        speed -= 2000.0f * s.delays[i];
    }
    EXPECT_LE(speed, 1.0f + 1e-3f);
    const int travelled = s.columns.back() - s.columns.front();
    EXPECT_NEAR(s.columns.size(), std::size_t(v / 10) + 1, 3u);
    // v^2 / 2a of friction, and about half a pixel more on each of the v / 10 steps.
    EXPECT_NEAR(travelled, v * v / 4000.0f + v / 20.0f, 8.0f);
}

TEST_F(PointerHistoryTest, EdgesStopTheSlideOrBounceItToRest) {
    for (bool bouncing : {false, true}) {
        gMouseBouncing = bouncing;
        Track([](double t) { return 400 - 3000 * t; }); // fast toward the low edge
        const Slide s = Release(150, 600, 190);
        ASSERT_TRUE(s.made) << bouncing;
        int reversals = 0;
        for (std::size_t i = 1; i < s.columns.size(); ++i) {
            EXPECT_GE(s.columns[i], 150) << bouncing << " " << i;
            EXPECT_LE(s.columns[i], 600) << bouncing << " " << i;
            if (i >= 2)
                reversals +=
                    (s.columns[i] - s.columns[i - 1]) * (s.columns[i - 1] - s.columns[i - 2]) < 0;
        }
        EXPECT_GE(reversals, 1) << bouncing;
        if (bouncing)
            EXPECT_LT(std::abs(s.columns.back() - 150), 3); // settles at the edge it hit
        else
            EXPECT_GT(s.columns.back(), 150); // rolls back off the edge and stops
    }
}

TEST(MouseSlidingCommand, CyclesThroughItsThreeSettings) {
    MainWindowFixture f;
    struct Step {
        const char* text;
        bool off, bouncing;
    } steps[] = {
        {"switching on mouse sliding", false, true},
        {"toggling mouse bouncing", false, false},
        {"switching off mouse sliding", true, true},
        {"switching on mouse sliding", false, true},
    };
    for (const Step& s : steps) {
        f.script.expectBox().caption("MOUSE SLIDING").text(s.text).answer(IDOK);
        pt::command(f.window.get(), 837);
        f.Paint();
        EXPECT_TRUE(f.script.done()) << s.text;
        EXPECT_EQ(gMouseSlidingOff, s.off) << s.text;
        EXPECT_EQ(gMouseBouncing, s.bouncing) << s.text;
    }
}

TEST(MarkerSlide, AReleasedMarkerSlidesOnAndAKeyEndsIt) {
    MainWindowFixture f{700, 500};
    TXLAWindow* w = f.window.get();
    f.LoadMarkerSet();
    f.Paint();
    gMouseSlidingOff = false;
    gMouseBouncing = false;
    constexpr int kRow = 150;
    auto drag = [&](int from) {
        pt::mouse(w, WM_LBUTTONDOWN, from, kRow, MK_LBUTTON);
        f.Paint();
        for (int i = 1; i <= 5; ++i) { // about 1000 pixels per second to the right
            Sleep(10);
            pt::mouse(w, WM_MOUSEMOVE, from + 10 * i, kRow, MK_LBUTTON);
            f.Paint();
        }
        pt::mouse(w, WM_LBUTTONUP, from + 50, kRow);
        return from + 50;
    };
    // Let go: the meniscus line slides on past the release and waits for confirmation.
    const int released = drag(DataPlotColumn(w, 6.0f));
    f.Paint();
    EXPECT_GT(MarkerDragState::releaseX, released); // by how much depends on the timing
    EXPECT_LT(MarkerDragState::releaseX, DataPlotColumn(w, FitControl::bottomMin));
    EXPECT_TRUE(MarkerDragState::awaitingConfirm);
    EXPECT_NE(ScreenButtonSet::confirmButton, nullptr);
    EXPECT_FLOAT_EQ(gMouseDataX, DataRadiusAtColumn(w, MarkerDragState::releaseX));
    pt::click(w, 20, 450); // a press elsewhere puts the move back
    f.Paint();
    ASSERT_FALSE(MarkerDragState::awaitingConfirm);
    // Esc waiting behind the release ends the slide at once and puts the marker back.
    const float before = ModelParameters::meniscus;
    const int again = drag(DataPlotColumn(w, 6.0f));
    pt::key(w, VK_ESCAPE, 0x1B);
    f.Paint();
    EXPECT_LE(MarkerDragState::releaseX, again);
    EXPECT_FALSE(MarkerDragState::awaitingConfirm);
    EXPECT_EQ(ScreenButtonSet::confirmButton, nullptr);
    EXPECT_EQ(ModelParameters::meniscus, before);
}
