// Scan colours: the ramp over a series and the fixed table with its darker variant.
#include "display/scan_colours.h"
#include "scandata/scan_store_alloc.h"
#include "support/reset_all_state.h"

#include <gtest/gtest.h>

namespace {

struct Case {
    const char* name;
    bool fromTime;
    int count;
    int position;
    COLORREF expected;
};

} // namespace

TEST(ScanColour, RampAndTableByPosition) {
    const Case cases[] = {
        {"ramp f=0.1 is half blue", true, 10, 1, 0x7F0000},
        {"ramp f=0.2 is pure blue", true, 10, 2, 0xFF0000},
        {"ramp f=0.4 is cyan", true, 10, 4, 0xFFFF00},
        {"ramp f=1.0 is dark red", true, 10, 10, 0x0000BF},
        {"table 1 red", false, 20, 1, 0x0000FF},
        {"table 4 olive", false, 20, 4, 0x00C8C8},
        {"table 8", false, 20, 8, 0x2828FF},
        {"table 13", false, 20, 13, 0x6969F0},
        {"darker 1 at 15", false, 20, 15, 0x0000B9},
        {"darker 7 at 21", false, 21, 21, 0x373737},
        {"position 0 is black", false, 20, 0, 0},
        {"beyond the count after the shift", false, 5, 20, 0},
        {"no scans", false, 0, 1, 0},
    };
    for (const Case& c : cases) {
        ResetAllState();
        ScanStore::scanColorFromTime = c.fromTime;
        ScanStore::scanCount = c.count;
        EXPECT_EQ(ScanColour(c.position), c.expected) << c.name;
    }
    ScanStore::scanCount = 0;
}

// Positions 15 to 20 repeat 1 to 6 with every lit channel 70 lower.
TEST(ScanColour, TableRepeatsDarkerAfterFourteen) {
    ResetAllState();
    ScanStore::scanColorFromTime = false;
    ScanStore::scanCount = 20;
    for (int k = 1; k <= 6; ++k) {
        const COLORREF light = ScanColour(k), dark = ScanColour(k + 14);
        for (int shift : {0, 8, 16}) {
            const int l = int((light >> shift) & 0xFF), d = int((dark >> shift) & 0xFF);
            EXPECT_EQ(d, l == 0 ? 0 : l - 70) << k;
        }
    }
    ScanStore::scanCount = 0;
}

// Channels the formula puts outside 0..255 are clamped: n = 14 gives (75, 280, 280).
TEST(ScanColour, OutOfRangeChannelsAreClamped) {
    ResetAllState();
    ScanStore::scanColorFromTime = false;
    ScanStore::scanCount = 14;
    EXPECT_EQ(ScanColour(14), RGB(75, 255, 255));
    ScanStore::scanCount = 0;
}

TEST(ColourFromFraction, ClampsToTheEnds) {
    EXPECT_EQ(ColourFromFraction(0, 7), 0u);
    EXPECT_EQ(ColourFromFraction(-3, 7), 0u);
    EXPECT_EQ(ColourFromFraction(9, 7), ColourFromFraction(7, 7));
    EXPECT_EQ(ColourFromFraction(9, 10), 0x0000FFu); // f = 0.9 is pure red
}
