// The inhomogeneous solvent's fitted vbar: when a fit floats it, and the box its trials are held
// in (above 0, on its side of the water flotation point, never a non-finite value).
#include "fitting/fit_driver.h"
#include "fitting/solvent_fit_parameters.h"
#include "simulation/inhomogeneous_solvent.h"
#include "state/fit_control.h"
#include "state/model_choice.h"
#include "state/scan_store.h"
#include "support/reset_all_state.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

using IS = InhomogeneousSolvent;
using S = ScanStore;
constexpr double kRhoW = 0.99823;

bool FreeListHoldsVbar() {
    const std::vector<int> slots = FreeFitSlots();
    return std::find(slots.begin(), slots.end(), 3000) != slots.end();
}

// Floated with the model on and its box checked: by the discrete fit's free list, or in a
// distribution model by the distribution's Fit.
TEST(SolventFitParameters, FloatedOnlyInADiscreteFitWithTheModelAndItsBox) {
    ResetAllState();
    struct Case {
        const char* name;
        bool modelOn, box, conti, equilibrium, floated, inDistribution;
    };
    const Case cases[] = {
        {"model and box", true, true, false, false, true, false},
        {"box without the model", false, true, false, false, false, false},
        {"model without the box", true, false, false, false, false, false},
        {"distribution model", true, true, true, false, false, true},
        {"distribution model without the box", true, false, true, false, false, false},
        {"distribution model without the model", false, true, true, false, false, false},
        {"equilibrium model", true, true, false, true, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ModelChoice::inhomogeneousSolvent = c.modelOn;
        FitControl::fitVbar = c.box;
        ModelChoice::contiMode = c.conti;
        ModelChoice::equilibriumModel = c.equilibrium;
        EXPECT_EQ(SolventVbarFloated(), c.floated);
        EXPECT_EQ(FreeListHoldsVbar(), c.floated);
        EXPECT_EQ(SolventVbarBoxCheckedInADistribution(), c.inDistribution);
    }
    ResetAllState();
}

// A trial is held in its box on the side of 1 / rho_w where vbar started; a non-finite trial is
// refused. vbarRho and the compressible solvent's buoyancy vbar follow vbar.
TEST(SolventFitParameters, TrialsStayPositiveFiniteAndOnTheirSideOfWaterFlotation) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        const char* name;
        float start;
        double trial;
        double lo, hi; // where the written vbar must lie
    };
    const Case cases[] = {
        {"inside", 0.73f, 0.75, 0.75, 0.75},
        {"dense-solvent flotation is legal", 0.73f, 0.95, 0.95, 0.95},
        {"zero", 0.73f, 0.0, 1e-4, 0.01},
        {"negative", 0.73f, -0.5, 1e-4, 0.01},
        {"at water flotation", 0.73f, 1.0 / kRhoW, 0.99 / kRhoW, 0.9999 / kRhoW},
        {"beyond water flotation", 0.73f, 1.3, 0.99 / kRhoW, 0.9999 / kRhoW},
        {"floating in water stays so", 1.1f, 0.5, 1.0001 / kRhoW, 1.01 / kRhoW},
        {"floating in water, inside", 1.1f, 1.2, 1.2, 1.2},
        {"not a number", 0.73f, nan, 0.73, 0.73},
        {"infinite", 0.73f, inf, 0.73, 0.73},
        {"minus infinite", 0.73f, -inf, 0.73, 0.73},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetAllState();
        S::density = 0.99823f;
        S::vbar = IS::macromoleculeVbar = c.start;
        S::vbarRho = S::vbar * S::density;
        EXPECT_LT(SolventVbarLower(), SolventVbarUpper());
        WriteSolventVbar(c.trial);
        EXPECT_TRUE(std::isfinite(S::vbar));
        EXPECT_GE(S::vbar, c.lo - 1e-6);
        EXPECT_LE(S::vbar, c.hi + 1e-6);
        EXPECT_GE(S::vbar, SolventVbarLower() - 1e-6);
        EXPECT_LE(S::vbar, SolventVbarUpper() + 1e-6);
        EXPECT_GE(std::fabs(1.0 - double(S::vbar) * kRhoW), 1e-4) << "water buoyancy kept";
        EXPECT_FLOAT_EQ(S::vbarRho, S::vbar * S::density);
        EXPECT_FLOAT_EQ(IS::macromoleculeVbar, S::vbar);
        EXPECT_DOUBLE_EQ(ReadSolventVbar(), double(S::vbar));
    }
    ResetAllState();
}

// Over a sedimenting cosolute the vbar including solvation floats (it alone meets the cosolute's
// density); vbar, which enters only the water buoyancy, stays. Any positive finite value is taken,
// flotation in water too.
TEST(SolventFitParameters, OverACosoluteTheSolvatedVbarFloatsAndVbarStays) {
    struct Case {
        const char* name;
        double trial, expected;
    };
    const Case cases[] = {
        {"inside", 0.75, 0.75},
        {"beyond water flotation", 1.3, 1.3},
        {"negative", -1.0, 1e-3},
        {"not a number", std::numeric_limits<double>::quiet_NaN(), 0.65},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetAllState();
        IS::sedimentingCosolute = IS::dynamicGradient = true;
        IS::compressibleSolvent = false;
        S::vbar = 0.73f;
        S::vbarRho = 0.73f * S::density;
        IS::macromoleculeVbar = IS::solvatedVbar = 0.65f;
        EXPECT_DOUBLE_EQ(ReadSolventVbar(), 0.65f);
        WriteSolventVbar(c.trial);
        EXPECT_FLOAT_EQ(IS::macromoleculeVbar, float(c.expected));
        EXPECT_FLOAT_EQ(IS::solvatedVbar, IS::macromoleculeVbar);
        EXPECT_FLOAT_EQ(S::vbar, 0.73f);
        EXPECT_FLOAT_EQ(S::vbarRho, 0.73f * S::density);
    }
    ResetAllState();
}

} // namespace
