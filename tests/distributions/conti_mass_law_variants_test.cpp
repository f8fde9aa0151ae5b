// The distributions whose grid point ties s and D to the abscissa by a law of their own: c(Mb) with
// one invariant D, c(M) with the scaling law s = ks M^a, and c(s) at a fixed f/f0 with vbar
// fitted. The grid follows its law, impossible laws are refused, vbar comes back from a wrong
// start, and c(Mb) reads equilibrium data. (Peaks of known species through the menu: the roads
// of tests/app/mass_law_models_road_test.cpp.)
#include "distributions/conti_fit.h"
#include "distributions/conti_grid.h"
#include "distributions/conti_run.h"
#include "distributions/integrate_distribution.h"
#include "foundations/error_box_log.h"
#include "foundations/hydrodynamics.h"
#include "foundations/shape_models.h"
#include "plat/testing.hpp"
#include "plat/window.hpp"
#include "scandata/scan_store_alloc.h"
#include "simulation/conti_kernel.h"
#include "state/conti_state.h"
#include "state/fit_control.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/result_table.h"
#include "support/conti_data_store.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <limits>

namespace {

using C = ContiState;
using M = ModelChoice;

class ContiMassLaw : public ::testing::Test {
  protected:
    void SetUp() override {
        window.Create();
        script.pumpUntilIdle();
        M::nonInteractingSpecies = false;
        M::contiMode = true;
        C::confidenceLevel = 0.68f;
    }
    void TearDown() override {
        FreeDistributionArrays();
        FreeResultTable();
    }

    plat::test::Script script;
    TFrameWindow window{nullptr, "test"};
    ContiDataStore store;
};

constexpr double kBuoyancy = 1.0 - 0.73 * 0.99823; // the data store's buffer and vbar

} // namespace

// The buoyant molar mass carries no vbar: the same data give the same c(Mb) whatever vbar is set,
// while the s of each point follows Mb D / (R T).
TEST_F(ContiMassLaw, BuoyantGridIgnoresVbar) {
    M::cmInvariantD = true;
    C::invariantD = 5e-7f;
    std::vector<double> s[2];
    const float vbars[2] = {0.73f, 0.6f};
    for (int v = 0; v < 2; ++v) {
        ScanStore::vbar = vbars[v];
        ScanStore::vbarRho = vbars[v] * ScanStore::density;
        s[v] = CurrentContiGrid(CurrentContiVariant()).s;
    }
    ASSERT_EQ(CurrentContiVariant(), ContiVariant::CMInvariantD);
    EXPECT_EQ(s[0], s[1]);
    const ContiGrid g = CurrentContiGrid(ContiVariant::CMInvariantD);
    const double rt = 8.31451e7 * 293.15;
    for (int p = 1; p <= g.n; p += 17)
        EXPECT_NEAR(g.s[p], g.x[p] * 5e-7 / rt * 1e13, 1e-4 * g.s[p]) << p;
    // the M of a species whose vbar is known follows from its buoyant mass
    ScanStore::vbar = 0.73f;
    ScanStore::vbarRho = 0.73f * ScanStore::density;
    EXPECT_NEAR(SFromBuoyantMandD(20000.0, 6e-7, 20.0f),
                SFromMandD(static_cast<float>(20000.0 / kBuoyancy), 6e-7f, 20.0f), 1e-4);
}

// An impossible law is refused before anything is computed, naming its numbers.
TEST_F(ContiMassLaw, ImpossibleLawsAreRefusedWithTheirNumbers) {
    store.Fill({{5.0, 1.25, 0.5}});
    struct Case {
        const char* name;
        std::function<void()> spoil;
        const char* text;
    } cases[] = {
        {"invariant D zero", [] { M::cmInvariantD = true, C::invariantD = 0.0f; },
         "The diffusion coefficient 0 cm^2/s is impossible: it must be a positive finite number."},
        {"invariant D negative", [] { M::cmInvariantD = true, C::invariantD = -1e-7f; },
         "The diffusion coefficient -1e-07 cm^2/s is impossible: it must be a positive finite "
         "number."},
        {"scaling exponent zero", [] { M::fMvsM = true, ShapeModels::scalingExponent = 0.0f; },
         "The scaling law s = 0.003 M^0 is impossible: ks must be a positive finite number and the "
         "exponent a finite number other than 0."},
        {"scaling coefficient zero", [] { M::fMvsM = true, ShapeModels::scalingKs = 0.0f; },
         "The scaling law s = 0 M^0.667 is impossible: ks must be a positive finite number and the "
         "exponent a finite number other than 0."},
        {"scaling exponent not finite",
         [] {
             M::fMvsM = true;
             ShapeModels::scalingExponent = std::numeric_limits<float>::infinity();
         },
         "The scaling law s = 0.003 M^inf is impossible: ks must be a positive finite number and "
         "the exponent a finite number other than 0."},
    };
    for (const Case& c : cases) {
        M::cmInvariantD = M::fMvsM = false;
        C::rangeMin = 10000.0f;
        C::rangeMax = 300000.0f;
        C::resolution = 50.0f;
        c.spoil();
        const unsigned long kernel = gContiKernel.Generation();
        script.expectBox().caption("Error").text(c.text).answer(IDOK);
        EXPECT_FALSE(RunContiSed(nullptr, SilentObserver())) << c.name;
        EXPECT_TRUE(script.done()) << c.name;
        EXPECT_EQ(gContiKernel.Generation(), kernel) << c.name << ": nothing computed";
        C::ResetToDefaults();
        ShapeModels::ResetToDefaults();
    }
    TakeErrorBoxes();
}

// vbar floated in the c(s) of a fixed f/f0 (at the truth) comes back from a start 5% off, with
// the peaks at their s; the frictional ratio stays fixed even with its float box set.
TEST(ContiMassLawFit, FloatingVbarComesBackFromFivePercentOff) {
    ContiDataStore data(TwelveScanCase());
    FillTwoSpeciesOnSystematicNoise(data, 23);
    M::nonInteractingSpecies = false;
    M::contiMode = M::csFloatingVbar = true;
    M::fitTINoise = M::fitRINoise = true;
    C::rangeMin = 1.0f;
    C::rangeMax = 15.0f;
    C::resolution = 71.0f;
    C::ff0 = 1.25f;
    C::ff0Float = 1;
    C::vbarFloat = 1;
    ScanStore::vbar = 0.73f * 1.05f;
    ScanStore::vbarRho = ScanStore::vbar * ScanStore::density;
    FitControl::simplexTolerance = 1e-5;
    ASSERT_EQ(CurrentContiVariant(), ContiVariant::CsFloatingVbar);

    ASSERT_TRUE(ContiFit(nullptr, SilentObserver()));
    EXPECT_NEAR(ScanStore::vbar, 0.73, 0.005) << "started at " << 0.73 * 1.05;
    EXPECT_FLOAT_EQ(ScanStore::vbarRho, ScanStore::vbar * ScanStore::density);
    EXPECT_EQ(C::ff0, 1.25f);
    EXPECT_EQ(ModelParameters::fitValues[kSlotVbar], ScanStore::vbar);
    ExpectPeaksOfTheTwoSpecies();
    EXPECT_LT(FitControl::bestRmsd, 0.0055);
}

// f/f0 enters neither c(Mb) with invariant D nor the scaling law: its float box alone leaves
// nothing to fit, and the Fit says so instead of searching a direction that changes nothing.
TEST_F(ContiMassLaw, FrictionalRatioIsNotFittedWhereItDoesNotEnter) {
    store.Fill({{5.0, 1.25, 0.5}});
    for (bool* model : {&M::cmInvariantD, &M::fMvsM}) {
        M::cmInvariantD = M::fMvsM = false;
        *model = true;
        C::rangeMin = 10000.0f;
        C::rangeMax = 300000.0f;
        C::resolution = 50.0f;
        C::ff0Float = 1;
        ModelParameters::meniscusFloat = ModelParameters::bottomFloat = 0;
        script.expectBox()
            .caption("Error")
            .text("No kernel parameter (meniscus, bottom) is floated: use Run to compute the "
                  "distribution.")
            .answer(IDOK);
        EXPECT_FALSE(ContiFit(nullptr, SilentObserver()));
        EXPECT_TRUE(script.done());
    }
    TakeErrorBoxes();
}

// On equilibrium data the c(Mb) kernel is the exponential of the buoyant mass itself: a species of
// 66 kDa at vbar 0.73 comes back at its buoyant mass, whatever vbar is set for the analysis.
TEST(ContiMassLawEquilibrium, BuoyantMassOfTheSpeciesWhateverVbarIsSet) {
    ContiDataStore store(EquilibriumColumnCase());
    plat::test::Script script;
    TFrameWindow window{nullptr, "test"};
    window.Create();
    script.pumpUntilIdle();
    ScanStore::equilibriumData = true;
    M::nonInteractingSpecies = false;
    M::contiMode = M::cmInvariantD = true;
    C::rangeMin = 3000.0f;
    C::rangeMax = 60000.0f;
    C::resolution = 39.0f;
    C::confidenceLevel = 0.68f;
    const double buoyant = 66000.0 * kBuoyancy, loading = 0.5;
    ASSERT_TRUE(FillEquilibriumSpecies(store, buoyant, loading));
    ScanStore::vbar = 0.6f; // not the species': the buoyant mass needs none
    ScanStore::vbarRho = 0.6f * ScanStore::density;
    ASSERT_TRUE(RunContiSed(nullptr, SilentObserver())) << script.logText();
    float area = 0, mw = 0, total = 0, sd = 0;
    IntegrateDistribution(C::sValues[1], C::sValues[C::gridPoints], &area, &mw, &total, &sd);
    EXPECT_NEAR(area, loading, 0.02 * loading);
    EXPECT_NEAR(mw, buoyant, 0.03 * buoyant);
    FreeDistributionArrays();
    FreeResultTable();
}
