// The items a walk asks for are read where ask says they were made, whether the kept threads made
// them ahead, the walk made them first, or the walk took over one a thread was slow to finish.
#include "distributions/made_ahead.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

TEST(MadeAhead, TheWalkReadsEveryItemItAsksForWhereAskSays) {
    const std::vector<int> wanted = {3, 4, 5, 9, 10, 11, 12, 30, 31, 47};
    for (int helpers : {0, 1, 3, 7})
        for (bool slowThreads : {false, true}) {
            std::vector<long> place[2] = {std::vector<long>(48, -1), std::vector<long>(48, -1)};
            std::atomic<int> made{0};
            // Each item takes a fifth of a millisecond, so that the kept threads come; the walk's
            // makes come without abandon, and a slow kept thread keeps at every third item until
            // it is told to abandon it (or a second has passed).
            auto make = [&](int i, int where, const std::function<bool()>& abandon) {
                ++made;
                const bool slow = slowThreads && abandon && i % 3 == 0;
                const auto until =
                    std::chrono::steady_clock::now() +
                    (slow ? std::chrono::microseconds(1000000) : std::chrono::microseconds(200));
                while (!(abandon && abandon()) && std::chrono::steady_clock::now() < until) {
                }
                if (abandon && abandon())
                    return;
                place[where][std::size_t(i)] = long(i) * i;
            };
            std::vector<int> asked;
            WalkWithItemsMadeAhead(3, 48, helpers, helpers, make, [&](const auto& ask) {
                for (int i : wanted) {
                    EXPECT_EQ(place[ask(i)][std::size_t(i)], long(i) * i)
                        << i << ", " << helpers << " helpers";
                    asked.push_back(i);
                }
            });
            EXPECT_EQ(asked, wanted);
            if (helpers == 0) {
                EXPECT_EQ(made.load(), std::ssize(wanted)) << "nothing made ahead";
            }
        }
}
