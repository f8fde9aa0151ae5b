// Sliders and the button column: ranges and positions, the arrows at the ends, typed values
// (refused outside the range), snapping to steps, and the column's layout and hit order.
// Clicks are per-mille of the client area; x is stretched by the page's 1.4 as the buttons do.
#include "plat/testing.hpp"
#include "plotting/plot_globals.h"
#include "plotting/screen_button_group.h"
#include "plotting/screen_slider.h"

#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>

namespace {

// A horizontal slider over logical x 140..840 at y 480..500; its arrows lie at 120..139 and
// 841..860, its label from 861 on.
template <class Slider> void Place(Slider& s) {
    s.SetHorizontal();
    s.SetRect(500, 140, 480, 840);
}

float ClickX(int logicalX) {
    return std::ceil(float(logicalX) / gScreenScale);
}
constexpr float kRow = 490;

} // namespace

TEST(ValueSlider, RangeKnobAndArrows) {
    CValueSlider s;
    s.SetRange(5, 1, false);
    EXPECT_EQ(s.minimum, 1.0f);
    EXPECT_EQ(s.maximum, 5.0f);
    EXPECT_TRUE(s.linear);
    Place(s);
    EXPECT_EQ(s.knobHalfSize, 23); // a thirtieth of the track
    s.SetNameUnit("c", "mg/ml", 1.0f);
    // A click on the track puts the knob under it; the track does not turn into a button face.
    const float p = s.Click(ClickX(350), kRow);
    EXPECT_NEAR(p, 0.3f, 0.003f);
    EXPECT_NEAR(s.value, 1.0f + 4.0f * p, 1e-5);
    EXPECT_FALSE(s.on);
    char label[64];
    std::snprintf(label, sizeof label, "c = %.3e mg/ml", double(s.value));
    EXPECT_STREQ(s.labelButton->offText, label);
    // The arrows step by a hundredth; past the end the knob stays and the value is the maximum.
    EXPECT_NEAR(s.Click(ClickX(850), kRow), p + 0.01f, 1e-5);
    EXPECT_NEAR(s.Click(ClickX(130), kRow), p, 1e-5);
    s.SetPosition(1.0f);
    EXPECT_EQ(s.Click(ClickX(850), kRow), 1.0f);
    EXPECT_EQ(s.knobPos, 840);
    EXPECT_EQ(s.value, 5.0f);
    EXPECT_EQ(s.Click(ClickX(100), 300), -1.0f);
    EXPECT_TRUE(s.Rebuild());
}

TEST(ValueSlider, TypedValuesOutsideTheRangeChangeNothing) {
    struct Case {
        const char* name;
        bool logarithmic;
        const char* typed;
        bool taken;
        float value; // internal units
    } cases[] = {
        {"linear inside", false, "2.5", true, 2.5f}, {"linear above", false, "9", false, 0},
        {"linear below", false, "0.5", false, 0},    {"log inside", true, "100", true, 2.0f},
        {"log zero", true, "0", false, 0},           {"log negative", true, "-10", false, 0},
    };
    for (const Case& c : cases) {
        plat::test::Script script;
        CValueSlider s;
        c.logarithmic ? s.SetRange(0, 3, true) : s.SetRange(1, 5, false);
        Place(s);
        s.SetPosition(0.5f);
        const float before = s.value;
        script.expectInput().promptHas("enter value between").answer(c.typed);
        const float p = s.EnterValue(ClickX(900), kRow);
        EXPECT_TRUE(script.done()) << c.name;
        if (c.taken) {
            EXPECT_NEAR(s.value, c.value, 1e-5) << c.name;
            EXPECT_NEAR(p, s.PositionOf(c.value), 1e-6) << c.name;
        } else {
            EXPECT_EQ(p, -1.0f) << c.name;
            EXPECT_EQ(s.value, before) << c.name;
            EXPECT_EQ(s.position, 0.5f) << c.name;
        }
    }
}

TEST(StepSlider, SnapsToTheNearestStep) {
    const float values[] = {0, 1, 2, 4}; // [1..3]
    CStepSlider s;
    s.SetRange(0, 4, false);
    Place(s);
    ASSERT_TRUE(s.SetSteps(3, values, false));
    EXPECT_FALSE(s.SetSteps(0, values, false));
    EXPECT_FALSE(s.SetSteps(3, nullptr, false));
    EXPECT_EQ(s.SetPosition(0.375f), 1); // 1.5 lies as near 1 as 2: the lower step
    EXPECT_EQ(s.position, 0.25f);
    EXPECT_EQ(s.SetPosition(0.9f), 3);
    EXPECT_EQ(s.value, 4.0f);
    EXPECT_EQ(s.SetPosition(1.5f), 3); // outside 0..1: unchanged
    EXPECT_EQ(s.StepUp(), -1.0f);
    EXPECT_EQ(s.StepDown(), 0.5f);
    EXPECT_EQ(s.stepIndex, 2);
    // With a zero first step every position below 1/4 of four steps is that step, at 0.
    const float four[] = {0, 1, 2, 3, 4};
    CStepSlider z;
    z.SetRange(0, 4, false);
    Place(z);
    z.SetSteps(4, four, false);
    z.SetZeroFirst();
    for (float p : {0.0f, 0.1f, 0.24f}) {
        EXPECT_EQ(z.SetPosition(p), 1) << p;
        EXPECT_EQ(z.position, 0.0f) << p;
    }
}

TEST(StepSlider, LogarithmicLabelShowsThePhysicalValue) {
    const float values[] = {0, 10, 100, 1000};
    CStepSlider s;
    s.SetRange(1, 3, true);
    s.SetNameUnit("K", "uM", 2.0f);
    Place(s);
    s.SetSteps(3, values, true);
    EXPECT_FLOAT_EQ(s.steps[2], 2.0f);
    s.SetPosition(0.5f);
    EXPECT_STREQ(s.labelButton->offText, "K = 200.000 uM");
}

TEST(ButtonGroup, ColumnLayoutRangeChecksAndHitOrder) {
    CScreenButtonGroup g;
    int index = 7;
    EXPECT_FALSE(g.HitTest(100, 350, index));
    EXPECT_EQ(index, 7); // an empty group leaves the index alone
    EXPECT_FALSE(g.RebuildAll());
    EXPECT_FALSE(g.RebuildGroupPicture());
    g.Create(4, 400, 100, 300, 200);
    ASSERT_EQ(g.count, 4);
    const int tops[] = {400, 375, 350, 325}, bottoms[] = {376, 351, 326, 301};
    for (int i = 1; i <= 4; ++i) {
        EXPECT_EQ(g.buttons[i]->top, tops[i - 1]) << i;
        EXPECT_EQ(g.buttons[i]->bottom, bottoms[i - 1]) << i;
        EXPECT_FALSE(g.IsOn(i));
    }
    g.SetTexts(0, "x", 1, "x", 1);
    g.SetTexts(5, "x", 1, "x", 1);
    g.Toggle(5);
    for (int i = 1; i <= 4; ++i)
        EXPECT_STREQ(g.buttons[i]->offText, "ScreenButton") << i;
    EXPECT_FALSE(g.IsOn(0));
    EXPECT_EQ(g.GetPicture(9), nullptr);
    EXPECT_TRUE(g.HitTest(ClickX(150), 360, index));
    EXPECT_EQ(index, 2);
    EXPECT_TRUE(g.IsOn(2)); // a hit toggles the button it finds
    EXPECT_FALSE(g.HitTest(ClickX(150), 450, index));
    EXPECT_EQ(index, 0);
    g.SetDisabled(2, true);
    EXPECT_TRUE(g.IsDisabled(2));
    EXPECT_FALSE(g.HitTest(ClickX(150), 360, index));
    EXPECT_TRUE(g.RebuildAll());
    EXPECT_TRUE(g.RebuildGroupPicture());
    EXPECT_NE(g.GetGroupPicture(), nullptr);
}
