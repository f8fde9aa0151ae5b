// The distributions of boundaries that start from a loaded layer or drift in a field, on data of
// known truth made by other code: zone ls-g*(s) on the solver object's closed form of a
// non-diffusing zone, zone c(s) on zone Lamm solutions of two species with noise, ls-g*(v) on the
// erfc boundary of a drifting, slowly diffusing species; the closed forms of the bands and
// drifting steps, and the data and zones these models refuse.
#include "distributions/conti_grid.h"
#include "distributions/conti_lamm_list.h"
#include "distributions/conti_run.h"
#include "distributions/integrate_distribution.h"
#include "foundations/error_box_log.h"
#include "plat/testing.hpp"
#include "plat/window.hpp"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/conti_kernel.h"
#include "simulation/non_diffusing_boundary.h"
#include "state/conti_state.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/result_table.h"
#include "support/conti_data_store.h"
#include "support/lamm_list_harness.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

using M = ModelChoice;
using C = ContiState;

struct Species {
    double s; // S, or the velocity in 1e-4 cm/s
    double D; // cm^2/s
    double loading;
};

class ZoneAndDrift : public ::testing::Test {
  protected:
    void SetUp() override {
        window.Create();
        script.pumpUntilIdle();
        M::nonInteractingSpecies = false;
        M::contiMode = true;
        C::confidenceLevel = 0.68f;
        C::secondDerivativeRegularization = true;
        C::maxEntRegularization = false;
        ModelParameters::zoneLayerThickness = 0.05f;
    }
    void TearDown() override {
        FreeResultTable();
        TakeErrorBoxes();
    }

    // Signal = sum of the species' zone Lamm solutions (the list road of the solver object; its
    // closed form for D = 0) plus seeded normal noise.
    void FillZone(const std::vector<Species>& species, double sigma) {
        const bool zone = M::zoneCentrifugation;
        M::zoneCentrifugation = true;
        Clear();
        for (const Species& sp : species) {
            const double s[2] = {0.0, sp.s}, D[2] = {0.0, sp.D};
            ASSERT_EQ(RunSVContiSedList(nullptr, SilentObserver(), 1, s, D, nullptr),
                      LammResult::Solved);
            for (int k = 1; k <= store.c.scans; ++k)
                for (int i = 1; i <= store.c.points; ++i)
                    store.signal[k][i] += float(sp.loading * gContiKernel.Row(1, k)[i]);
        }
        gContiKernel.Free();
        AddNoise(sigma);
        M::zoneCentrifugation = zone;
    }

    // A species drifting at v 1e-4 cm/s from the meniscus with diffusion D: the boundary of the
    // field's constant drift, c0/2 erfc((m + v t - r) / (2 sqrt(D t))), far from the meniscus.
    void FillDrift(const Species& sp, double sigma) {
        Clear();
        const double m = ModelParameters::meniscus;
        for (int k = 1; k <= store.c.scans; ++k) {
            const double t = store.headers[k].time;
            for (int i = 1; i <= store.c.points; ++i)
                store.signal[k][i] = float(0.5 * sp.loading *
                                           std::erfc((m + sp.s * 1e-4 * t - store.radii[i]) /
                                                     (2.0 * std::sqrt(sp.D * t))));
        }
        AddNoise(sigma);
    }

    void Clear() {
        for (auto& row : store.signal)
            std::fill(row.begin(), row.end(), 0.0f);
    }
    void AddNoise(double sigma) {
        std::mt19937 rng(7);
        std::normal_distribution<double> g(0.0, sigma);
        for (int k = 1; k <= store.c.scans; ++k)
            for (int i = 1; i <= store.c.points; ++i)
                store.signal[k][i] += float(g(rng));
    }

    // Largest value of the distribution between lo and hi, and the area there.
    static double PeakIn(double lo, double hi, float* area) {
        int best = 0;
        for (int p = 1; p <= C::gridPoints; ++p)
            if (C::sValues[p] >= lo && C::sValues[p] <= hi &&
                (best == 0 || C::distribution[p] > C::distribution[best]))
                best = p;
        float sw = 0, total = 0, sd = 0;
        IntegrateDistribution(float(lo), float(hi), area, &sw, &total, &sd);
        return best > 0 ? C::sValues[best] : 0.0;
    }

    plat::test::Script script;
    TFrameWindow window{nullptr, "test"};
    ContiDataStore store;
};

} // namespace

// Each model finds its species at their abscissa with their loading: the distributions' areas
// are the concentrations in the loaded layer (zone) or of the column (drift).
TEST_F(ZoneAndDrift, PeaksAtTheTrueAbscissaWithTheLoadedAmounts) {
    struct Peak {
        double at, lo, hi, area;
    };
    struct Case {
        const char* name;
        std::function<void()> choose;
        std::function<void()> fill;
        ContiVariant variant;
        std::vector<Peak> peaks;
        double atTolerance, areaTolerance; // relative
    };
    const Case cases[] = {
        {"zone ls-g*(s) of a non-diffusing species",
         [] {
             M::lsGStar = M::contiCs = M::zoneLsGs = M::zoneCentrifugation = true;
             C::rangeMin = 1.0f, C::rangeMax = 10.0f, C::resolution = 91.0f;
         },
         [this] {
             FillZone({{4.0, 0.0, 0.8}}, 0.002);
         },
         ContiVariant::ZoneLsGStar,
         {{4.0, 1.0, 10.0, 0.8}},
         0.015,
         0.02},
        {"zone c(s) of two diffusing species",
         [] {
             M::contiCs = M::zoneCs = M::zoneCentrifugation = true;
             C::ff0 = 1.25f;
             C::rangeMin = 1.0f, C::rangeMax = 12.0f, C::resolution = 56.0f;
         },
         [this] {
             FillZone({{3.5, DiffusionFromSAndFf0(3.5, 1.25), 0.6},
                       {8.0, DiffusionFromSAndFf0(8.0, 1.25), 0.4}},
                      0.003);
         },
         ContiVariant::ZoneCs,
         {{3.5, 1.0, 5.5, 0.6}, {8.0, 5.5, 12.0, 0.4}},
         0.03,
         0.05},
        {"ls-g*(v) of a drifting species",
         [] {
             M::lsGStar = M::contiCs = M::electrophoresisLsG = true;
             ScanDataKind::electrophoresis = true;
             C::rangeMin = 0.5f, C::rangeMax = 6.0f, C::resolution = 111.0f;
         },
         [this] {
             FillDrift({2.5, 2e-7, 0.7}, 0.003);
         },
         ContiVariant::LsGStarV,
         {{2.5, 0.5, 6.0, 0.7}},
         0.02,
         0.02},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        c.choose();
        ASSERT_EQ(CurrentContiVariant(), c.variant);
        c.fill();
        ASSERT_TRUE(RunContiSed(nullptr, SilentObserver()))
            << ::testing::PrintToString(TakeErrorBoxes().size());
        for (const Peak& p : c.peaks) {
            float area = 0;
            const double at = PeakIn(p.lo, p.hi, &area);
            EXPECT_NEAR(at, p.at, c.atTolerance * p.at) << "tolerance " << c.atTolerance;
            EXPECT_NEAR(area, p.area, c.areaTolerance * p.area) << "tolerance " << c.areaTolerance;
        }
        EXPECT_TRUE(ScanStore::resultAvailable);
        TearDown();
        ScanDataKind::electrophoresis = false;
        M::ResetToDefaults();
        C::ResetToDefaults();
    }
}

// The closed forms: a band keeps the radial amount of its layer and lies between the moving
// edges, the empty zone is the column less that layer, and a drifting step moves linearly with
// no dilution.
TEST(NonDiffusingClosedForms, BandsKeepTheLayerAndDriftingStepsTheirLoading) {
    ModelParameters::meniscus = 6.0f, ModelParameters::bottom = 7.2f;
    const int n = 2401;
    std::vector<float> r(n + 1), y(n + 1);
    for (int i = 1; i <= n; ++i)
        r[i] = float(6.0 + 1.2 * (i - 1) / (n - 1));
    auto amount = [&] {
        double a = 0.0;
        for (int i = 2; i <= n; ++i)
            a += 0.5 * (y[i] * r[i] + y[i - 1] * r[i - 1]) * (r[i] - r[i - 1]);
        return a;
    };
    const double w = 0.08, layer = ((6.0 + w) * (6.0 + w) - 36.0) / 2.0;
    const double column = (7.2 * 7.2 - 36.0) / 2.0, step = 1.2 / (n - 1);
    for (double w2st : {0.0, 0.02, 0.1}) {
        LammGrid::omega2S = w2st;
        NonDiffusingZone(1.0, 1.0, r.data(), y.data(), n, w, false);
        EXPECT_NEAR(amount(), layer, 7.0 * step) << "band at w2st " << w2st;
        if (w2st > 0.0) { // the meniscus cleared
            EXPECT_EQ(y[1 + int((6.0 * std::exp(w2st) - 6.0 - 0.01) / step)], 0.0f) << w2st;
        }
        EXPECT_FLOAT_EQ(y[1 + int(((6.0 + 0.5 * w) * std::exp(w2st) - 6.0) / step)],
                        float(std::exp(-2.0 * w2st)))
            << w2st;
        NonDiffusingZone(1.0, 1.0, r.data(), y.data(), n, w, true);
        const double beyond = w2st == 0.0 ? column - layer : amount();
        EXPECT_NEAR(amount(), beyond, 7.0 * step) << "empty zone at w2st " << w2st;
    }
    for (double rate : {1e-4, -2e-4}) {
        DriftingBoundary(0.6, 1000.0, r.data(), y.data(), n, rate);
        const double edge = rate > 0 ? 6.0 + 0.1 : 7.2 - 0.2;
        const int inside = 1 + int((edge - 6.0) / step) + (rate > 0 ? 3 : -3);
        const int outside = 1 + int((edge - 6.0) / step) + (rate > 0 ? -3 : 3);
        EXPECT_EQ(y[inside], 0.6f) << rate;
        EXPECT_EQ(y[outside], 0.0f) << rate;
    }
}

// A model whose data or zone cannot carry it says so, computes nothing and keeps the previous
// distribution.
TEST_F(ZoneAndDrift, RefusesDataWithoutAFieldAndZonesWithoutALayer) {
    M::lsGStar = M::contiCs = M::zoneLsGs = M::zoneCentrifugation = true;
    C::rangeMin = 1.0f, C::rangeMax = 10.0f, C::resolution = 46.0f;
    FillZone({{4.0, 0.0, 0.8}}, 0.0);
    ASSERT_TRUE(RunContiSed(nullptr, SilentObserver()));
    const std::vector<float> previous(C::distribution + 1, C::distribution + C::gridPoints + 1);
    const unsigned long kernel = gContiKernel.Generation();
    struct Case {
        const char* name;
        std::function<void()> spoil;
        const char* text;
    } cases[] = {
        {"no layer", [] { ModelParameters::zoneLayerThickness = 0.0f; },
         "The loaded zone is 0 cm thick: a zone must be a layer thicker than 0 and thinner than "
         "the column from meniscus to bottom (1.2 cm)."},
        {"a layer beyond the bottom", [] { ModelParameters::zoneLayerThickness = 1.5f; },
         "The loaded zone is 1.5 cm thick: a zone must be a layer thicker than 0 and thinner "
         "than the column from meniscus to bottom (1.2 cm)."},
        {"ls-g*(v) on sedimentation data",
         [] {
             M::zoneLsGs = M::zoneCentrifugation = false;
             M::electrophoresisLsG = true;
         },
         "need electrophoresis data for this model"},
    };
    for (const Case& c : cases) {
        c.spoil();
        script.expectBox().caption("Error").text(c.text).answer(IDOK);
        EXPECT_FALSE(RunContiSed(nullptr, SilentObserver())) << c.name;
        EXPECT_TRUE(script.done()) << c.name;
        EXPECT_EQ(std::vector<float>(C::distribution + 1, C::distribution + C::gridPoints + 1),
                  previous)
            << c.name;
        EXPECT_EQ(gContiKernel.Generation(), kernel) << c.name << ": nothing computed";
        ModelParameters::zoneLayerThickness = 0.05f;
        M::zoneLsGs = M::zoneCentrifugation = true;
        M::electrophoresisLsG = false;
    }
    // a thicker layer is another kernel, not the one kept from the last Run
    ModelParameters::zoneLayerThickness = 0.07f;
    ASSERT_TRUE(RunContiSed(nullptr, SilentObserver()));
    EXPECT_NE(gContiKernel.Generation(), kernel);
}
