// Seeded mutations of the planner's preferences file: the reader either refuses the file and
// changes nothing, or takes values every setting can hold (no conversion out of range, which the
// undefined-behaviour checker reports, and no float line read as infinity).
#include "equilibrium/time_to_eq_parameters.h"
#include "support/fuzz_inputs.h"
#include "support/temp_folder.h"

#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sstream>
#include <string>

namespace {

using P = TimeToEqParameters;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(TimeToEqParametersFuzz, PreferencesFile) {
    const unsigned seed = FuzzSeed(20261208u);
    std::mt19937 rng(seed);
    FuzzFolder dir;
    const std::string path = dir.file("timetoeq.ini");
    P::ResetToDefaults();
    ASSERT_TRUE(SaveTimeToEqParameterPreferences(path));
    const std::string saved = ReadAll(path);
    const int inputs = FuzzInputCount(20000);
    for (int i = 0; i < inputs; ++i) {
        P::ResetToDefaults();
        const std::string before = (SaveTimeToEqParameterPreferences(path), ReadAll(path));
        WriteTextFile(path, MutateText(saved, rng));
        if (!LoadTimeToEqParameterPreferences(path)) {
            ASSERT_TRUE(SaveTimeToEqParameterPreferences(path));
            ASSERT_EQ(ReadAll(path), before)
                << "refused, yet changed: seed " << seed << " input " << i;
            continue;
        }
        for (const float v : {P::finalSpeed, P::initialSpeed, P::acceleration, P::stepTime,
                              P::bottom, P::meniscus, P::s1, P::M1, P::D1, P::D2, P::bestValue,
                              P::speedRoundingStep, P::viscosity, P::density})
            ASSERT_TRUE(std::isfinite(v)) << "seed " << seed << " input " << i;
    }
    P::ResetToDefaults();
}

// Values beyond what a setting holds refuse the whole file.
TEST(TimeToEqParametersFuzz, ValuesBeyondTheirSettingRefuseTheFile) {
    FuzzFolder dir;
    const std::string path = dir.file("timetoeq.ini");
    P::ResetToDefaults();
    ASSERT_TRUE(SaveTimeToEqParameterPreferences(path));
    const std::string saved = ReadAll(path);
    const struct {
        int line;
        const char* value;
    } cases[] = {{0, "1e300"}, {10, "1e300"}, {10, "-3e9"}, {18, "2147483648"}, {34, "1e50"}};
    for (const auto& c : cases) {
        std::istringstream lines(saved);
        std::string text, line;
        for (int k = 0; std::getline(lines, line); ++k)
            text += (k == c.line ? std::string(c.value) : line) + "\n";
        WriteTextFile(path, text);
        P::ResetToDefaults();
        EXPECT_FALSE(LoadTimeToEqParameterPreferences(path)) << c.line << " " << c.value;
        EXPECT_EQ(P::finalSpeed, 15000.0f);
        EXPECT_EQ(P::speciesCount, 1);
    }
    P::ResetToDefaults();
}

} // namespace
