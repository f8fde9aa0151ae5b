// The check of a stored model finds the first fit value beyond single precision, or the first
// residual that would be, at its scan and point, under every vector unit: with values just inside
// and just outside half the largest float and the largest float, in the first vector of a scan
// and in its tail.
#include "foundations/vector_unit.h"
#include "simulation/stored_model.h"
#include "state/scan_store.h"
#include "support/reset_all_state.h"
#include "support/velocity_store.h"

#include <gtest/gtest.h>
#include <limits>
#include <vector>

namespace {

using S = ScanStore;
constexpr float kMax = std::numeric_limits<float>::max();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

TEST(StoredModelCheck, FindsTheFirstValueBeyondSinglePrecisionUnderEveryUnit) {
    struct Case {
        const char* name;
        int scan, point;
        float fit, signal;
        ModelOverflow::Kind kind;
    } cases[] = {
        {"ordinary", 2, 3, 0.5f, 0.4f, ModelOverflow::None},
        {"fit above half the largest, data near it", 2, 3, 0.75f * kMax, 0.5f * kMax,
         ModelOverflow::None},
        {"fit and data the largest of either sign", 2, 9, kMax, -0.0f, ModelOverflow::None},
        {"residual beyond the largest", 2, 3, 0.75f * kMax, -0.75f * kMax, ModelOverflow::Residual},
        {"residual beyond it in the tail", 3, 19, -0.6f * kMax, 0.6f * kMax,
         ModelOverflow::Residual},
        {"infinite fit", 2, 9, kInf, 0.4f, ModelOverflow::Signal},
        {"NaN fit in the tail", 3, 18, kNaN, 0.4f, ModelOverflow::Signal},
        {"NaN data", 1, 1, 0.5f, kNaN, ModelOverflow::Residual},
    };
    std::vector<VectorUnit> units{DetectedVectorUnit()};
    for (VectorUnit u : {VectorUnit::Plain, VectorUnit::Avx2})
        if (u < DetectedVectorUnit())
            units.push_back(u);
    for (const Case& c : cases)
        for (VectorUnit unit : units) {
            ResetAllState();
            VelocitySet set;
            set.scans = 3;
            set.points = 19;
            FillVelocityStore(set);
            for (int k = 1; k <= S::scanCount; ++k)
                for (int p = 1; p <= S::pointCount[k]; ++p)
                    S::fit[k][p] = S::signal[k][p];
            S::fit[c.scan][c.point] = c.fit;
            S::signal[c.scan][c.point] = c.signal;
            CVectorUnitCap cap(unit);
            const ModelOverflow found = FindStoredModelOverflow();
            EXPECT_EQ(found.kind, c.kind) << c.name << ", unit " << int(unit);
            if (c.kind != ModelOverflow::None) {
                EXPECT_EQ(found.scan, c.scan) << c.name << ", unit " << int(unit);
                EXPECT_EQ(found.point, c.point) << c.name << ", unit " << int(unit);
            }
        }
}

} // namespace
