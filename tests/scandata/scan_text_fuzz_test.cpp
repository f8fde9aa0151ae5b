// Fixed-seed random mutations of the example scan files through the parser: it must never read
// outside its text, and whatever it accepts must be a consistent scan of finite numbers.
#include "scandata/scan_text.h"
#include "support/scan_set_generator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace {

std::string Mutate(std::string text, std::mt19937& rng)
{
    static const char* pieces[] = {"\n", "\r\n", "0", " - meniscus", "[T OK]", "1e400", "1e39",
                                   "-", ".", "nan", "inf", "0x1p4", "\0", "R", "P", "F", "   ",
                                   "\t", "99999999999", "e+", "Voltage: ", "Gain: 1e99"};
    int edits = 1 + static_cast<int>(rng() % 8);
    for (int e = 0; e < edits; ++e) {
        std::size_t at = text.empty() ? 0 : rng() % (text.size() + 1);
        switch (rng() % 6) {
        case 0: // flip a byte
            if (!text.empty() && at < text.size())
                text[at] = static_cast<char>(rng() & 0xff);
            break;
        case 1: // delete a run
            if (at < text.size())
                text.erase(at, 1 + rng() % 16);
            break;
        case 2: { // insert a piece that the reader looks for
            const char* p = pieces[rng() % (sizeof pieces / sizeof pieces[0])];
            text.insert(at, p[0] ? std::string(p) : std::string(1, '\0'));
            break;
        }
        case 3: // truncate
            text.resize(at);
            break;
        case 4: // duplicate a run
            if (at < text.size())
                text.insert(at, text.substr(at, 1 + rng() % 64));
            break;
        default: // random bytes
            for (int k = 0, n = 1 + static_cast<int>(rng() % 8); k < n; ++k)
                text.insert(text.begin() + static_cast<long>(std::min(at, text.size())),
                            static_cast<char>(rng() & 0xff));
            break;
        }
    }
    return text;
}

TEST(ScanTextFuzz, MutatedFilesParseSafelyAndConsistently)
{
    const unsigned seed = 20261206u;
    std::mt19937 rng(seed);
    const std::vector<std::string> seeds = {
        ExampleAbsorbance().Text(), ExampleAbsorbanceW().Text(), ExampleInterference().Text(),
        ExampleIntensity().Text(), ExampleFluorescence().Text()};
    int accepted = 0;
    for (int iteration = 0; iteration < 20000; ++iteration) {
        std::string text = Mutate(seeds[iteration % seeds.size()], rng);
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
        }
        ASSERT_TRUE(std::isfinite(header.time) && std::isfinite(header.omega2t));
        ASSERT_LT(std::char_traits<char>::length(header.description), 100u);
    }
    // Most mutations keep a readable file; a fuzzer that rejects everything tests nothing.
    EXPECT_GT(accepted, 5000) << "seed " << seed;
}

} // namespace
