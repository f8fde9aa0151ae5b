// The text of the clipboard tables: tabs between cells, a line feed after each row, six
// significant digits, and scans of different lengths keeping their own columns.
#include "foundations/clipboard_table.h"

#include <gtest/gtest.h>

TEST(ClipboardTable, ColumnTableRowsHoldXThenEachColumn) {
    const float x[] = {0, 6.1f, 6.2f};
    const float a[] = {0, 1.0f, 0.5f};
    const float b[] = {0, 123456789.0f, -0.000012345678f};
    const float* one[] = {nullptr, a};
    EXPECT_EQ(ColumnTableText(x, one, 1, 2, 1), "6.1\t1\n6.2\t0.5\n");
    const float* two[] = {nullptr, a, b};
    const int swapped[] = {0, 2, 1};
    EXPECT_EQ(ColumnTableText(x, two, 1, 2, 2, swapped),
              "6.1\t1.23457e+08\t1\n6.2\t-1.23457e-05\t0.5\n");
    EXPECT_EQ(ColumnTableText(x, two, 2, 1, 2), "") << "no rows";
}

TEST(ClipboardTable, PairTableLeavesBothCellsOfAnEndedScanEmpty) {
    // Two absorbance scans fitted over 3 and 5 points.
    const float r1[] = {0, 6.0f, 6.1f, 6.2f, 6.3f};
    const float y1[] = {0, 0.1f, 0.2f, 0.3f, 0.4f};
    const float r2[] = {0, 5.9f, 6.0f, 6.1f, 6.2f, 6.3f, 6.4f};
    const float y2[] = {0, 1, 2, 3, 4, 5, 6};
    const float* xs[] = {nullptr, r1, r2};
    const float* ys[] = {nullptr, y1, y2};
    const int firsts[] = {0, 2, 1};
    const int lasts[] = {0, 4, 5};
    EXPECT_EQ(PairTableText(xs, ys, firsts, lasts, 2), "6.1\t0.2\t5.9\t1\n"
                                                       "6.2\t0.3\t6\t2\n"
                                                       "6.3\t0.4\t6.1\t3\n"
                                                       "\t\t6.2\t4\n"
                                                       "\t\t6.3\t5\n");
    // In display order the longer scan comes first and the shorter one ends its rows early.
    const int order[] = {0, 2, 1};
    EXPECT_EQ(PairTableText(xs, ys, firsts, lasts, 2, order), "5.9\t1\t6.1\t0.2\n"
                                                              "6\t2\t6.2\t0.3\n"
                                                              "6.1\t3\t6.3\t0.4\n"
                                                              "6.2\t4\t\t\n"
                                                              "6.3\t5\t\t\n");
}
