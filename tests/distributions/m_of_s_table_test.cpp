// The M(s) table: linear interpolation between rows, linear extrapolation from the end rows
// (never below 0), and the refusals that keep the table read before.
#include "distributions/m_of_s_table.h"
#include "support/reset_all_state.h"

#include <gtest/gtest.h>
#include <string>

TEST(MofSTable, InterpolatesBetweenRowsAndExtrapolatesFromTheEndRows) {
    ResetAllState();
    EXPECT_EQ(InterpolateMofS(5.0, 20.0), 0.0) << "no table";
    ASSERT_EQ(ParseMofSTable("2 20000\r\n\n4 60000 x\n8 100000\n"), "");
    ASSERT_TRUE(MofSTableLoaded());
    struct Case {
        double s, m;
    };
    const Case cases[] = {{2.0, 20000.0},  {3.0, 40000.0},   {4.0, 60000.0}, {6.0, 80000.0},
                          {8.0, 100000.0}, {10.0, 120000.0}, // beyond: the last pair's slope
                          {1.5, 10000.0},                    // before: the first pair's slope
                          {0.5, 0.0}};                       // never below 0
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(InterpolateMofS(c.s, 20.0), c.m) << "s " << c.s;
}

TEST(MofSTable, RefusedTablesSayWhyAndKeepTheTableReadBefore) {
    ResetAllState();
    ASSERT_EQ(ParseMofSTable("1 1000\n2 2000\n"), "");
    struct Case {
        const char* text;
        const char* reason;
    };
    const Case cases[] = {{"1 1000\n2 -5\n", "line 2 holds a molar mass that is not positive"},
                          {"1 1000\n2 inf\n", "line 2 holds a value that is not a finite number"},
                          {"1 1000\n1 3000\n", "line 2 does not continue the ascending s values"},
                          {"1 1000\n", "at least 2 rows"},
                          {"s M\n1 1000\n2 2000\n", "line 1 holds a value that is not a finite"}};
    for (const Case& c : cases) {
        const std::string why = ParseMofSTable(c.text);
        EXPECT_NE(why.find(c.reason), std::string::npos) << why;
        EXPECT_DOUBLE_EQ(InterpolateMofS(1.5, 20.0), 1500.0) << c.text;
    }
    EXPECT_NE(LoadMofSTable("/nonexistent/MofS.dat").find("cannot be read"), std::string::npos);
}
