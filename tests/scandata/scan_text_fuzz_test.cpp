// Fixed-seed random mutations of the example scan files through the parser: it must never read
// outside its text, and whatever it accepts must be a consistent scan of finite numbers at
// radii that never go back.
#include "scandata/scan_text.h"
#include "support/fuzz_inputs.h"
#include "support/scan_set_generator.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

TEST(ScanTextFuzz, MutatedFilesParseSafelyAndConsistently) {
    const unsigned seed = FuzzSeed(20261206u);
    std::mt19937 rng(seed);
    const std::vector<std::string> seeds = {ExampleAbsorbance().Text(), ExampleAbsorbanceW().Text(),
                                            ExampleInterference().Text(), ExampleIntensity().Text(),
                                            ExampleFluorescence().Text()};
    int accepted = 0;
    const int inputs = FuzzInputCount(20000);
    for (int iteration = 0; iteration < inputs; ++iteration) {
        std::string text = MutateText(seeds[iteration % seeds.size()], rng);
        // Exact-size heap copy, so a read past the end is caught by the address checker.
        std::vector<char> exact(text.begin(), text.end());
        std::string_view view(exact.data(), exact.size());
        ScanTextOptions options;
        options.averagingWidth = (iteration % 3 == 0) ? 0.005f : 0.0f;
        options.electrophoresis = iteration % 7 == 0;
        options.nColumnsMode = iteration % 11 == 0;
        options.nColumns = 3;
        ScanHeader header;
        ScanTextResult result;
        ScanTextError error = ParseScanText(view, options, header, result);
        if (error != ScanTextError::None)
            continue;
        ++accepted;
        ASSERT_GT(header.rowCount, 0) << "seed " << seed << " iteration " << iteration;
        ASSERT_EQ(result.radius.size(), static_cast<std::size_t>(header.rowCount));
        ASSERT_EQ(result.value.size(), result.radius.size());
        if (result.thirdKept) {
            ASSERT_EQ(result.third.size(), result.radius.size());
        }
        for (std::size_t i = 0; i < result.radius.size(); ++i) {
            ASSERT_TRUE(std::isfinite(result.radius[i]) && std::isfinite(result.value[i]))
                << "seed " << seed << " iteration " << iteration << " row " << i;
            // No point lies at a radius below the one before: rows that go back are refused.
            ASSERT_TRUE(i == 0 || result.radius[i] >= result.radius[i - 1])
                << "seed " << seed << " iteration " << iteration << " row " << i;
        }
        ASSERT_TRUE(std::isfinite(header.time) && std::isfinite(header.omega2t));
        ASSERT_LT(std::char_traits<char>::length(header.description), 100u);
    }
    // Most mutations keep a readable file; a fuzzer that rejects everything tests nothing.
    EXPECT_GT(accepted, inputs / 4) << "seed " << seed;
}

} // namespace
