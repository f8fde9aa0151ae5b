// Runs a test executable at a narrower vector unit than the processor's when
// TARNIX_TEST_VECTOR_UNIT names one (plain, avx2): every variant choice then takes that level's
// twin. A level the processor does not exceed has nothing to add, and the run skips its tests.
#include "foundations/vector_unit.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

namespace {

class VectorUnitLevel : public ::testing::Environment {
  public:
    void SetUp() override {
        const char* asked = std::getenv("TARNIX_TEST_VECTOR_UNIT");
        if (asked == nullptr || *asked == '\0')
            return;
        const std::string level = asked;
        const VectorUnit unit = level == "plain"  ? VectorUnit::Plain
                                : level == "avx2" ? VectorUnit::Avx2
                                                  : VectorUnit::Avx512;
        if (unit >= UsableVectorUnit())
            GTEST_SKIP() << "this processor offers nothing wider than " << level;
        CapVectorUnit(unit);
    }
};

const auto* const kLevel = ::testing::AddGlobalTestEnvironment(new VectorUnitLevel);

} // namespace
