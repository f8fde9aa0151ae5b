// Numbers read from the text of a file line or a box: one decimal number and nothing else, in the
// C locale whatever the program's locale is; seeded mutations never give a value the text does
// not hold.
#include "foundations/decimal_number.h"
#include "support/fuzz_inputs.h"

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <random>
#include <string>

namespace {

TEST(DecimalNumber, TakesOneDecimalNumberAndNothingElse) {
    const struct {
        const char* text;
        bool number;
        double value;
    } cases[] = {
        {"1.05", true, 1.05},      {"  -0.5\t", true, -0.5}, {"+2e3\r\n", true, 2000.0},
        {".25", true, 0.25},       {"7.", true, 7.0},        {"1e-400", true, 0.0},
        {"0.001000", true, 0.001}, {"-0", true, 0.0},        {"1,05", false, 0.0},
        {"1.05abc", false, 0.0},   {"1 05", false, 0.0},     {"0x10", false, 0.0},
        {"inf", false, 0.0},       {"-nan", false, 0.0},     {"1e999", false, 0.0},
        {"", false, 0.0},          {"  ", false, 0.0},       {"-", false, 0.0},
        {".", false, 0.0},         {"1e", false, 0.0},       {"e5", false, 0.0},
        {"- 5", false, 0.0},       {"++5", false, 0.0},      {"5%", false, 0.0},
    };
    for (const auto& c : cases) {
        const std::optional<double> value = DecimalNumber(c.text);
        ASSERT_EQ(value.has_value(), c.number) << '"' << c.text << '"';
        if (c.number) {
            EXPECT_DOUBLE_EQ(*value, c.value) << '"' << c.text << '"';
        }
    }
}

// A mutated number is taken only where the C library reads the whole text as the same finite
// number.
TEST(DecimalNumberFuzz, TakesOnlyWhatTheWholeTextHolds) {
    const unsigned seed = FuzzSeed(20261216u);
    std::mt19937 rng(seed);
    const int inputs = FuzzInputCount(20000);
    for (int i = 0; i < inputs; ++i) {
        const std::string text = MutateText(i % 2 ? " 0.998230 " : "-1.5e-3", rng);
        const std::optional<double> value = DecimalNumber(text);
        if (!value)
            continue;
        ASSERT_TRUE(std::isfinite(*value)) << "seed " << seed << " input " << i;
        char* end = nullptr;
        const double c = std::strtod(text.c_str(), &end);
        while (*end == ' ' || *end == '\t' || *end == '\r' || *end == '\n' || *end == '\v' ||
               *end == '\f')
            ++end;
        ASSERT_EQ(*end, '\0') << "seed " << seed << " input " << i << " \"" << text << '"';
        ASSERT_EQ(*value, c) << "seed " << seed << " input " << i << " \"" << text << '"';
    }
}

} // namespace
