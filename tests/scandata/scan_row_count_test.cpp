// The count of a scan's row lines, which bounds the rows a load reads: lines holding anything but
// white space, over a range that may end inside a line.
#include "scandata/scan_text.h"
#include "support/fuzz_inputs.h"
#include "support/scan_set_generator.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

// Character by character: a line counts once it holds a character that is not white space.
int RowLinesOneByOne(std::string_view text, std::size_t begin, std::size_t end) {
    int rows = 0;
    bool content = false;
    for (std::size_t i = begin; i < end; ++i) {
        if (text[i] == '\n') {
            rows += content ? 1 : 0;
            content = false;
        } else if (text[i] != ' ' && text[i] != '\t' && text[i] != '\r' && text[i] != '\v' &&
                   text[i] != '\f') {
            content = true;
        }
    }
    return rows + (content ? 1 : 0);
}

TEST(ScanRowCount, LinesWithContentOnly) {
    struct Case {
        const char* name;
        std::string text;
        int rows;
    };
    const Case cases[] = {
        {"empty", "", 0},
        {"rows with line feeds", "6.9 0.1\n7.0 0.2\n", 2},
        {"last row without line feed", "6.9 0.1\n7.0 0.2", 2},
        {"CR LF ends", "6.9 0.1\r\n7.0 0.2\r\n", 2},
        {"blank and white-space lines", "\n  \t\n6.9 0.1\n \r\n\f\v\n7.0 0.2\n   ", 2},
        {"content after leading blanks", "   6.9\n\t\t7.0", 2},
        {"only line feeds", "\n\n\n", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CountRowLines(c.text, 0, c.text.size()), c.rows) << c.name;
    // A range that ends inside a line counts that line's part.
    const std::string text = "6.9 0.1\n   7.0 0.2\n";
    EXPECT_EQ(CountRowLines(text, 0, 10), 1);
    EXPECT_EQ(CountRowLines(text, 0, 12), 2);
    EXPECT_EQ(CountRowLines(text, 8, 8), 0);
}

TEST(ScanRowCount, AgreesWithTheCharacterCountOnMutatedScans) {
    const unsigned seed = FuzzSeed(20261207u);
    std::mt19937 rng(seed);
    const std::vector<std::string> seeds = {
        ExampleAbsorbance().Text(), ExampleInterference().Text(), ExampleFluorescence().Text()};
    const int inputs = FuzzInputCount(5000);
    for (int i = 0; i < inputs; ++i) {
        const std::string text = MutateText(seeds[std::size_t(i) % seeds.size()], rng);
        std::uniform_int_distribution<std::size_t> at(0, text.size());
        std::size_t begin = at(rng), end = at(rng);
        if (begin > end)
            std::swap(begin, end);
        ASSERT_EQ(CountRowLines(text, begin, end), RowLinesOneByOne(text, begin, end))
            << "seed " << seed << " input " << i << " range " << begin << ".." << end;
    }
}

} // namespace
