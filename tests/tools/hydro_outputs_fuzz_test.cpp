// Seeded mutations of the outside hydrodynamic programs' output files through their readers:
// the boundary-element models and the result file of the structure run. A damaged model is
// passed over, what is taken is positive and finite, and no line read runs past its bound.
#include "support/fuzz_inputs.h"
#include "tools/best_models.h"
#include "tools/hydropro_files.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <string>

namespace {

TEST(HydroOutputsFuzz, ModelsAndResultLinesStayUsable) {
    const unsigned seed = FuzzSeed(20261213u);
    std::mt19937 rng(seed);
    std::string models;
    for (const char* n : {"4000", "2000", "1000", "500"})
        models += std::string("Model\nNumber of Surface Patches    ") + n +
                  "\nDTT(EXACT) = 6.1E-07\nDRR = 2.0E+07\n";
    const std::string result = "HYDROPRO\n*** warning: few minibeads\nRadius of gyration: 1.4E-07\n"
                               "Sedimentation coefficient:   1.912E-13  sec\n";
    const int inputs = FuzzInputCount(20000);
    for (int i = 0; i < inputs; ++i) {
        const std::string text = MutateText(i % 2 ? models : result, rng);
        const auto read = ReadBestModels(text);
        ASSERT_LE(read.size(), static_cast<std::size_t>(kMaxBestModels)) << seed << " " << i;
        for (const BestModel& m : read)
            ASSERT_TRUE(std::isfinite(m.triangles) && m.triangles > 0 && std::isfinite(m.d) &&
                        m.d > 0)
                << seed << " " << i;
        const BestExtrapolation e = ExtrapolateBestModels(read);
        if (e.ok) {
            ASSERT_TRUE(std::isfinite(e.d0) && std::isfinite(e.slope)) << seed << " " << i;
            ASSERT_GE(e.used, std::min<int>(3, static_cast<int>(read.size())));
        }
        const HydroProResult r = ReadHydroProResult(text);
        ASSERT_LE(r.resultLine.size(), 999u);
        ASSERT_EQ(r.resultLine.find('\n'), std::string::npos);
        for (const std::string& line : r.errorLines) {
            ASSERT_LE(line.size(), 999u);
            ASSERT_EQ(line.rfind("***", 0), 0u);
        }
        ASSERT_FALSE(HydroProResultText(r).empty());
    }
}

} // namespace
