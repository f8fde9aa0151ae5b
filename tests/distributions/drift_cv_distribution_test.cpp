// The electrophoresis c(v) with one D for every velocity, on drift boundaries of known truth: two
// species, each c0/2 erfc((m + v t - r) / (2 sqrt(D t))), give peaks at their velocities with
// their loadings; the Fit brings a meniscus started off the truth back; a D not above 0 is refused.
#include "distributions/conti_fit.h"
#include "distributions/conti_grid.h"
#include "distributions/conti_run.h"
#include "distributions/integrate_distribution.h"
#include "foundations/error_box_log.h"
#include "scandata/scan_data_kind.h"
#include "state/conti_state.h"
#include "state/fit_control.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/result_table.h"
#include "support/conti_data_store.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <random>

namespace {

using M = ModelChoice;
using C = ContiState;

constexpr double kD = 2e-7; // cm^2/s, both species

// Five scans of a 0.4 cm drift column from 1 cm, 240 to 960 s: the faster species stays clear of
// the bottom and the slower one of the meniscus.
ContiStoreCase DriftColumn() {
    ContiStoreCase c;
    c.scans = 5;
    c.points = 200;
    c.firstTimeS = 240.0;
    c.intervalS = 180.0;
    c.meniscus = 1.0f;
    c.bottom = 1.4f;
    return c;
}

struct Drift {
    double v, loading; // 1e-4 cm/s, signal
};

void FillDrifts(ContiDataStore& store, const std::vector<Drift>& species, double sigma) {
    std::mt19937 rng(11);
    std::normal_distribution<double> noise(0.0, sigma);
    const double m = store.c.meniscus;
    for (int k = 1; k <= store.c.scans; ++k) {
        const double t = store.headers[k].time;
        for (int i = 1; i <= store.c.points; ++i) {
            double a = noise(rng);
            for (const Drift& sp : species)
                a += 0.5 * sp.loading *
                     std::erfc((m + sp.v * 1e-4 * t - store.radii[i]) / (2.0 * std::sqrt(kD * t)));
            store.signal[k][i] = float(a);
        }
    }
}

void ChooseCv() {
    M::nonInteractingSpecies = false;
    M::contiMode = M::cvElectrophoresis = M::cmInvariantD = true;
    M::electrophoresis = M::geometryVariant = true;
    ScanDataKind::electrophoresis = true;
    ModelParameters::electrophoresisLength = 0.4f;
    C::invariantD = float(kD);
    C::rangeMin = 0.5f, C::rangeMax = 5.0f, C::resolution = 46.0f;
    C::confidenceLevel = 0.68f;
}

class DriftCv : public ::testing::Test {
  protected:
    // Boxes an earlier test of the process left are not this test's.
    void SetUp() override { TakeErrorBoxes(); }
    void TearDown() override {
        TakeErrorBoxes();
        FreeResultTable(); // the plot too, which the reset below would only forget
        ScanDataKind::electrophoresis = false;
        M::ResetToDefaults();
        C::ResetToDefaults();
    }
};

} // namespace

TEST_F(DriftCv, PeaksAtTheVelocitiesWithTheLoadingsAndTheMeniscusFitted) {
    struct Case {
        const char* name;
        bool fit;
    } cases[] = {{"Run", false}, {"Fit of the meniscus from 1.006 cm", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ContiDataStore store(DriftColumn());
        FillDrifts(store, {{1.5, 0.4}, {3.0, 0.6}}, 0.003);
        ChooseCv();
        ASSERT_EQ(CurrentContiVariant(), ContiVariant::CvElectrophoresis);
        if (c.fit) {
            ModelParameters::meniscus = 1.006f;
            ModelParameters::meniscusFloat = 1;
            FitControl::meniscusMin = 0.99f;
            FitControl::meniscusMax = 1.01f;
            FitControl::simplex = true;
            FitControl::simplexTolerance = 1e-5;
            ASSERT_TRUE(ContiFit(nullptr, SilentObserver())) << TakeErrorBoxes().size();
            EXPECT_NEAR(ModelParameters::meniscus, 1.0, 0.002);
        } else {
            ASSERT_TRUE(RunContiSed(nullptr, SilentObserver())) << TakeErrorBoxes().size();
        }
        EXPECT_TRUE(TakeErrorBoxes().empty());
        const struct {
            float lo, hi;
            double v, loading;
        } peaks[] = {{0.5f, 2.25f, 1.5, 0.4}, {2.25f, 5.0f, 3.0, 0.6}};
        for (const auto& p : peaks) {
            float area = 0, vw = 0;
            IntegrateDistribution(p.lo, p.hi, &area, &vw, nullptr, nullptr);
            EXPECT_NEAR(vw, p.v, 0.03 * p.v) << "peak at " << p.v;
            EXPECT_NEAR(area, p.loading, 0.04 * p.loading) << "peak at " << p.v;
        }
        TearDown();
    }
}

// No drift boundary spreads with a D of 0 or less: the Run says why instead of computing.
TEST_F(DriftCv, RefusesADiffusionCoefficientNotAboveZero) {
    ContiDataStore store(DriftColumn());
    FillDrifts(store, {{2.0, 0.5}}, 0.0);
    ChooseCv();
    for (const float d : {0.0f, -1e-7f, std::numeric_limits<float>::quiet_NaN()}) {
        C::invariantD = d;
        EXPECT_NE(CheckContiRun(ContiVariant::CvElectrophoresis).find("The diffusion coefficient"),
                  std::string::npos)
            << d;
        EXPECT_FALSE(RunContiSed(nullptr, SilentObserver())) << d;
    }
}
