// The colour scale: worked values of both variants.
#include "plotting/win_plot.h"

#include <gtest/gtest.h>
#include <limits>

TEST(ColourScale, ValuesOfThePlainScale) {
    CWINPlot p;
    struct Case {
        float v;
        COLORREF expected;
    } cases[] = {
        {0, 0xFFFFFF},
        {-3, 0xFFFFFF},
        {0.1f, RGB(127, 127, 255)},
        {0.2f, 0xFF0000},
        {0.3f, RGB(0, 127, 255)},
        {0.4f, 0xFFFF00},
        {0.65f, 0x00FFFF},
        {0.9f, 0x0000FF},
        {1, 0x0000BF},
        {7, 0x0000BF},
        {std::numeric_limits<float>::quiet_NaN(), 0xFFFFFF},
    };
    for (const Case& c : cases)
        EXPECT_EQ(p.ValueToColor(c.v), c.expected) << c.v;
}

TEST(ColourScale, GreyVariantEnds) {
    CWINPlot p;
    p.SetGreyColourScale(true);
    EXPECT_EQ(p.ValueToColor(0), 0x646464u);
    EXPECT_EQ(p.ValueToColor(0.05f), RGB(150, 0, 211));
    EXPECT_EQ(p.ValueToColor(1), 0x000000u);
    EXPECT_EQ(p.ValueToColor(0.5f), CWINPlot().ValueToColor(0.5f));
}
