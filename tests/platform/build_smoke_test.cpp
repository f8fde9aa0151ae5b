// The test harness itself: the build links and runs a test.
#include <gtest/gtest.h>

TEST(Build, LinksAndRuns) { EXPECT_EQ(1 + 1, 2); }
