// The c(s) grid's points on either side of s = 0: a sign the buffer cannot give (s < 0 while
// vbar rho < 1, s > 0 while vbar rho > 1) takes the molar mass and D of its mirror -s; every
// other point keeps the frictional-ratio values exactly. A peak's shown mass keeps the rule
// without the mirror.
#include "distributions/conti_grid.h"
#include "distributions/conti_mass_rule.h"
#include "foundations/hydrodynamics.h"
#include "state/scan_store.h"
#include "support/reset_all_state.h"

#include <gtest/gtest.h>
#include <vector>

// Negative points at the default buffer, and positive ones in a floating buffer, had M = 0 and the
// fallback D of 1e-4 cm^2/s.
TEST(ContiGridSign, NegativeSAtASedimentingBufferTakesItsMirrorsSize) {
    constexpr float kFf0 = 1.2f, kT = 20.0f;
    const struct {
        float density;
        double s, sizeOf; // the s whose frictional-ratio M and D the point must hold
    } cases[] = {
        {1.0f, -10.0, 10.0},  {1.0f, -3.7, 3.7},  {1.0f, 3.7, 3.7},  {1.0f, 10.0, 10.0},
        {1.6f, -10.0, -10.0}, {1.6f, -3.7, -3.7}, {1.6f, 3.7, -3.7}, {1.6f, 10.0, -10.0},
    };
    for (const auto& c : cases) {
        ResetAllState();
        ScanStore::density = c.density;
        ScanStore::vbarRho = ScanStore::vbar * c.density;
        const ContiGrid g = ContiGridAt(ContiVariant::Cs, {0.0, c.s}, kFf0, 0.0, kT);
        const double m = CalculateMff02(float(c.sizeOf), kFf0);
        EXPECT_EQ(g.s[1], c.s);
        EXPECT_EQ(g.M[1], m) << c.density << " g/ml, " << c.s << " S";
        EXPECT_EQ(g.D[1], DFromSandM(float(m), float(c.sizeOf), kT)) << c.density << ", " << c.s;
        EXPECT_EQ(ContiMolarMassOfS(ContiVariant::Cs, c.s, kFf0, 0.0, kT, true), m);
        EXPECT_EQ(ContiMolarMassOfS(ContiVariant::Cs, c.s, kFf0, 0.0, kT),
                  CalculateMff02(float(c.s), kFf0))
            << "a peak's shown mass takes no mirror";
    }
    ResetAllState();
}
