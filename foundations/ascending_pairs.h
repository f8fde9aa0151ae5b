// Rows of two numbers from a user's two-column text file: blank lines are skipped, every other
// line holds two finite numbers (the C locale's notation), the first strictly ascending.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct AscendingPairs {
    std::vector<double> x, y;
    std::vector<int> line; // the file line of each row, 1-based
};

enum class PairFault { None, NotTwoNumbers, NotFinite, NotAscending, TooManyRows };

struct PairReadOutcome {
    PairFault fault = PairFault::None;
    int line = 0; // the line at fault
};

// Reads text into rows; at the first fault stops with the rows read so far.
PairReadOutcome ReadAscendingPairs(const std::string& text, AscendingPairs& rows,
                                   std::size_t maxRows = 1000000);
