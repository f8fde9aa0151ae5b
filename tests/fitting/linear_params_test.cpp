// The linear parameters of the discrete models: the choice of routine by the four switches, the
// separable solve against a dense least-squares solve over every unknown, recovery of known
// amplitudes and systematic noise, residuals kept by the noise subtraction, a degenerate species.
#include "fitting/linear_least_squares.h"
#include "fitting/linear_params.h"
#include "scandata/fit_limits.h"
#include "scandata/noise_subtraction.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/analytic_profiles.h"
#include "state/buffer_sedimentation.h"
#include "state/component_scans.h"
#include "state/fit_services.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/component_store.h"
#include "support/dense_residual.h"
#include "support/reset_all_state.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <utility>
#include <vector>

namespace {

using S = ScanStore;
using M = ModelParameters;

struct Switches {
    bool ti, b, a, ri;
};

TEST(LinearParameters, DispatchFollowsTheSwitchTable) {
    struct Case {
        Switches on;
        LinearParameterRoutine routine;
    };
    // "any" rows of the table appear once per value.
    const Case table[] = {
        {{false, false, false, false}, AddBaselineToModel},
        {{false, false, false, true}, AddBaselineToModel},
        {{false, false, true, false}, UpdateLinearParametersF},
        {{false, false, true, true}, UpdateLinearParametersF},
        {{false, true, false, false}, FitBaselineOnly},
        {{false, true, false, true}, UpdateLinearParametersD},
        {{false, true, true, false}, UpdateLinearParametersE},
        {{false, true, true, true}, UpdateLinearParametersA},
        {{true, false, false, false}, FitComponentLoadingsSimple},
        {{true, true, false, false}, FitComponentLoadingsSimple},
        {{true, false, false, true}, FitRadialNoiseAndBaseline},
        {{true, true, false, true}, FitRadialNoiseAndBaseline},
        {{true, false, true, false}, UpdateLinearParametersC},
        {{true, true, true, false}, UpdateLinearParametersC},
        {{true, false, true, true}, UpdateLinearParametersB},
        {{true, true, true, true}, UpdateLinearParametersB},
    };
    for (const Case& c : table)
        EXPECT_EQ(LinearParameterRoutineFor(c.on.ti, c.on.b, c.on.a, c.on.ri), c.routine)
            << "TI " << c.on.ti << " B " << c.on.b << " A " << c.on.a << " RI " << c.on.ri;
    ResetAllState();
    EXPECT_EQ(FitServices::table.updateLinearParameters, UpdateLinearParameters);
}

// |z - P z|^2 for the projection P onto the columns.
double DenseResidualSumOfSquares(std::vector<std::vector<double>> columns, std::vector<double> z) {
    const std::vector<double> r = DenseResidual(std::move(columns), std::move(z));
    double s = 0.0;
    for (double v : r)
        s += v * v;
    return s;
}

TEST(LinearParameters, EveryRoutineMatchesADenseSolveOverItsUnknowns) {
    const unsigned seed = 20261207;
    ComponentStoreCase c;
    c.firstFitPoint = 4;
    c.lastFitPoint = 75;
    MakeComponentStore(c);
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::vector<std::vector<std::vector<float>>> species(4);
    for (int s = 1; s <= 3; ++s) {
        species[s].assign(c.scans + 1, std::vector<float>(c.points + 1));
        for (int o = 1; o <= c.scans; ++o)
            for (int i = 1; i <= c.points; ++i)
                species[s][o][i] = unit(random);
    }
    std::vector<std::vector<float>> data(c.scans + 1, std::vector<float>(c.points + 1));
    for (int o = 1; o <= c.scans; ++o)
        for (int i = 1; i <= c.points; ++i)
            data[o][i] = 0.4f * species[1][o][i] + 0.2f * species[2][o][i] + unit(random);
    const float heldBaseline = 0.013f;
    const int first = S::firstFitIndex[1], last = S::lastFitIndex[1];
    ASSERT_EQ(first, 4);
    ASSERT_EQ(last, 75);

    for (int mask = 0; mask < 16; ++mask) {
        const Switches on{(mask & 8) != 0, (mask & 4) != 0, (mask & 2) != 0, (mask & 1) != 0};
        ModelChoice::fitTINoise = on.ti;
        ModelChoice::linearBaseline = on.b;
        ModelChoice::linearAmplitudes = on.a;
        ModelChoice::fitRINoise = on.ri;
        const bool onGrid = on.a || on.ti || on.ri;
        // The evaluation's output: species on the grid, or summed into the fit.
        auto prepare = [&] {
            M::baseline = heldBaseline;
            SetSignal([&](int o, int i) { return data[o][i]; });
            for (int s = 1; s <= 3; ++s)
                WriteSpecies(s, [&](int s, int o, double, float) { return 0.0f; });
            for (int s = 1; s <= 3; ++s)
                for (int o = 1; o <= c.scans; ++o)
                    for (int i = 1; i <= c.points; ++i)
                        ComponentScans::rows[s][o][i] = species[s][o][i];
            for (int o = 1; o <= c.scans; ++o)
                for (int i = 1; i <= c.points; ++i)
                    S::fit[o][i] =
                        onGrid ? 0.0f : species[1][o][i] + species[2][o][i] + species[3][o][i];
        };

        // The dense problem over the fitted points: scans x [first, last].
        std::vector<std::vector<double>> columns;
        std::vector<double> z;
        const int cols = last - first + 1;
        auto point = [&](int o, int i) { return std::size_t(o - 1) * cols + (i - first); };
        const std::size_t rows = std::size_t(c.scans) * cols;
        z.assign(rows, 0.0);
        for (int o = 1; o <= c.scans; ++o)
            for (int i = first; i <= last; ++i) {
                double v = data[o][i] - (on.b ? 0.0 : double(heldBaseline));
                if (!onGrid)
                    v -= species[1][o][i] + species[2][o][i] + species[3][o][i]; // as summed
                else if (!on.a)
                    for (int s = 1; s <= 3; ++s)
                        v -= species[s][o][i];
                z[point(o, i)] = v;
            }
        if (on.a)
            for (int s = 1; s <= 3; ++s) {
                std::vector<double> col(rows);
                for (int o = 1; o <= c.scans; ++o)
                    for (int i = first; i <= last; ++i)
                        col[point(o, i)] = species[s][o][i];
                columns.push_back(col);
            }
        if (on.ti)
            for (int i = first; i <= last; ++i) {
                std::vector<double> col(rows, 0.0);
                for (int o = 1; o <= c.scans; ++o)
                    col[point(o, i)] = 1.0;
                columns.push_back(col);
            }
        if (on.ri)
            for (int o = 1; o <= c.scans; ++o) {
                std::vector<double> col(rows, 0.0);
                for (int i = first; i <= last; ++i)
                    col[point(o, i)] = 1.0;
                columns.push_back(col);
            }
        if (on.b)
            columns.emplace_back(rows, 1.0);
        const double dense = DenseResidualSumOfSquares(columns, z);

        prepare();
        const double solved = SolveLinearParameters(
            {.amplitudes = on.a, .tiNoise = on.ti, .riNoise = on.ri, .baseline = on.b});
        EXPECT_NEAR(solved, dense, 1e-9 * dense) << "switch mask " << mask << ", seed " << seed;

        // Through the table: the same minimum, carried into the single-precision fit.
        prepare();
        UpdateLinearParameters();
        const double fitted = ScanResidualSumOfSquares();
        EXPECT_NEAR(fitted, dense, 1e-6 * dense) << "switch mask " << mask << ", seed " << seed;
    }
}

// Two species sedimenting at 50000 rpm (3.5 S / 6.29e-7 and 7.0 S / 4.19e-7 cm^2/s) as Faxen-type
// boundaries on a 0.003 cm grid, 40 scans every 240 s from 300 s.
struct SedimentationCase {
    std::vector<double> tiTrue, riTrue;
    ComponentStoreCase store;
};

SedimentationCase MakeSedimentation(double noiseSigma, unsigned seed) {
    SedimentationCase sc;
    ComponentStoreCase& c = sc.store;
    c.scans = 40;
    c.points = 380;
    c.firstRadius = 6.02f;
    c.step = 0.003f;
    c.meniscus = 6.0f;
    c.bottom = 7.2f;
    c.firstFitPoint = 3;
    c.lastFitPoint = 378;
    MakeComponentStore(c);
    const double w = 50000.0 * M_PI / 30.0;
    const float sValue[] = {0.0f, 3.5f, 7.0f};
    const float dValue[] = {0.0f, 6.29e-7f, 4.19e-7f};
    std::vector<std::vector<std::vector<float>>> profile(3);
    for (int s = 1; s <= 2; ++s) {
        profile[s].assign(c.scans + 1, std::vector<float>(c.points + 1));
        for (int o = 1; o <= c.scans; ++o)
            FaxenApproxProfile(
                1.0f, c.firstTimeS + (o - 1) * c.intervalS, GridRadii(), profile[s][o].data(),
                c.points, static_cast<float>(w * w * sValue[s] * 1e-13), dValue[s], c.meniscus);
        WriteSpecies(s, [&](int s, int o, double, float r) {
            const int i = static_cast<int>(std::lround((r - c.firstRadius) / c.step)) + 1;
            return profile[s][o][i];
        });
    }
    std::mt19937 random(seed);
    std::normal_distribution<double> gauss(0.0, 1.0);
    sc.tiTrue.assign(c.points + 1, 0.0);
    sc.riTrue.assign(c.scans + 1, 0.0);
    for (int i = 1; i <= c.points; ++i)
        sc.tiTrue[i] = 0.01 * gauss(random);
    for (int o = 1; o <= c.scans; ++o)
        sc.riTrue[o] = 0.02 * gauss(random);
    std::vector<std::vector<float>> noise(c.scans + 1, std::vector<float>(c.points + 1));
    for (int o = 1; o <= c.scans; ++o)
        for (int i = 1; i <= c.points; ++i)
            noise[o][i] = static_cast<float>(noiseSigma * gauss(random));
    SetSignal([&](int o, int i) {
        return static_cast<float>(0.3 * profile[1][o][i] + 0.6 * profile[2][o][i] + sc.tiTrue[i] +
                                  sc.riTrue[o] + noise[o][i]);
    });
    return sc;
}

// rms of (estimate - truth) relative to rms of truth, both taken about their means over [lo, hi]
// (the common constant is a gauge freedom shared by the noise terms).
double CentredRelativeError(const float* estimate, const std::vector<double>& truth, int lo,
                            int hi) {
    double me = 0.0, mt = 0.0;
    for (int i = lo; i <= hi; ++i) {
        me += estimate[i];
        mt += truth[i];
    }
    me /= hi - lo + 1;
    mt /= hi - lo + 1;
    double err = 0.0, ref = 0.0;
    for (int i = lo; i <= hi; ++i) {
        const double t = truth[i] - mt;
        err += std::pow(estimate[i] - me - t, 2);
        ref += t * t;
    }
    return std::sqrt(err / ref);
}

TEST(LinearParameters, RecoversAmplitudesAndSystematicNoiseOfKnownTruth) {
    struct Case {
        const char* name;
        double noise, amplitudeTolerance, noiseTolerance;
    };
    const Case cases[] = {
        {"noise-free", 0.0, 0.001, 0.01},
        {"noise 0.005", 0.005, 0.01, 0.1},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        SedimentationCase sc = MakeSedimentation(k.noise, 7);
        ModelChoice::fitTINoise = ModelChoice::fitRINoise = ModelChoice::linearAmplitudes = true;
        UpdateLinearParameters();
        EXPECT_NEAR(M::speciesLoading[1], 0.3, 0.3 * k.amplitudeTolerance);
        EXPECT_NEAR(M::speciesLoading[2], 0.6, 0.6 * k.amplitudeTolerance);
        // The first slot carries the total, the second its fraction, as the evaluation reads them.
        EXPECT_NEAR(M::concentration[1], M::speciesLoading[1] + M::speciesLoading[2], 1e-6);
        EXPECT_NEAR(M::concentration[2] * M::concentration[1], M::speciesLoading[2], 1e-6);
        EXPECT_EQ(M::fitValues[9], M::concentration[1]);
        const int lo = S::gridFirstFit, hi = S::gridLastFit;
        EXPECT_LE(CentredRelativeError(S::tiNoise, sc.tiTrue, lo, hi), k.noiseTolerance);
        EXPECT_LE(CentredRelativeError(S::riNoise, sc.riTrue, 1, sc.store.scans), k.noiseTolerance);
        if (k.noise > 0.0) {
            // Every free parameter costs a little of the residual: rmsd just below the noise.
            EXPECT_NEAR(CalcFitRmsd(), k.noise, 0.0003);
        }
    }
}

// The amplitudes are those of the least squares, of either sign: beside the buffer's signal (slot
// 4, its sign kept apart from its magnitude) and in a model that does not read the loadings as a
// total and its shares, as in the species models.
TEST(LinearParameters, AmplitudesOfEitherSignWithTheBufferAndOutsideTheShares) {
    struct Case {
        const char* name;
        bool buffer, outsideShares;
        double a1, a2, a4;
    };
    const Case cases[] = {
        {"species models", false, false, 0.5, -0.3, 0.0},
        {"buffer term on", true, false, -0.2, 0.6, -0.1},
        {"several non-ideal species", false, true, 0.4, -0.25, 0.0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        MakeSedimentation(0.0, 7);
        if (k.buffer) {
            BufferSedimentation::on = true;
            WriteSpecies(4, [](int, int, double t, float r) {
                return static_cast<float>((r - 6.6f) * (r - 6.6f) * t * 1e-4);
            });
        }
        ModelChoice::multipleSpecies = k.outsideShares;
        const auto rows = [](int s, int o, int i) { return double(ComponentScans::rows[s][o][i]); };
        SetSignal([&](int o, int i) {
            return static_cast<float>(k.a1 * rows(1, o, i) + k.a2 * rows(2, o, i) +
                                      (k.buffer ? k.a4 * rows(4, o, i) : 0.0));
        });
        ModelChoice::fitTINoise = ModelChoice::fitRINoise = ModelChoice::linearAmplitudes = true;
        UpdateLinearParameters();
        EXPECT_NEAR(M::speciesLoading[1], k.a1, 1e-4);
        EXPECT_NEAR(M::speciesLoading[2], k.a2, 1e-4);
        EXPECT_NEAR(M::concentration[1], k.a1 + k.a2, 1e-4);
        if (k.buffer) {
            EXPECT_NEAR(M::speciesLoading[4], k.a4, 1e-4);
            EXPECT_NEAR(BufferSedimentation::signal, std::fabs(k.a4), 1e-4);
            EXPECT_EQ(BufferSedimentation::signalSign, k.a4 < 0.0 ? -1.0 : 1.0);
        }
    }
    ResetAllState();
}

TEST(LinearParameters, NoiseSubtractionKeepsTheResiduals) {
    MakeSedimentation(0.005, 11);
    ModelChoice::fitTINoise = ModelChoice::fitRINoise = ModelChoice::linearAmplitudes = true;
    UpdateLinearParametersB();
    std::vector<std::vector<float>> before(S::scanCount + 1);
    for (int k = 1; k <= S::scanCount; ++k)
        for (int i = 0; i <= S::pointCount[k]; ++i)
            before[k].push_back(i == 0 ? 0.0f : S::signal[k][i] - S::fit[k][i]);
    SubtractAllSystematicNoise();
    double worst = 0.0;
    for (int k = 1; k <= S::scanCount; ++k)
        for (int i = 1; i <= S::pointCount[k]; ++i)
            worst = std::fmax(worst, std::fabs(S::signal[k][i] - S::fit[k][i] - before[k][i]));
    EXPECT_LE(worst, 1e-6);
    for (int g = 1; g <= S::gridCount; ++g)
        ASSERT_EQ(S::tiNoise[g], 0.0f);
    for (int k = 1; k <= S::scanCount; ++k)
        ASSERT_EQ(S::riNoise[k], 0.0f);
}

// A species that never leaves its place is constant in radius; with radially invariant noise
// fitted it is indistinguishable from the scans' offsets.
TEST(LinearParameters, ConstantSpeciesBesideRadialNoiseChangesNothing) {
    struct Case {
        const char* name;
        bool ti, b;
        float level;
    };
    const Case cases[] = {
        {"RI and baseline", false, true, 1.0f},
        {"RI and TI", true, false, 1.0f},
        {"RI and baseline, level 0.3", false, true, 0.3f},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        MakeSedimentation(0.005, 3);
        ModelChoice::fitTINoise = k.ti;
        ModelChoice::linearBaseline = k.b;
        ModelChoice::fitRINoise = ModelChoice::linearAmplitudes = true;
        UpdateLinearParameters();
        const float without = CalcFitRmsd();
        WriteSpecies(3, [&](int, int, double, float) { return k.level; });
        M::speciesLoading[1] = M::speciesLoading[2] = 1.0f;
        UpdateLinearParameters();
        EXPECT_NEAR(CalcFitRmsd(), without, 1e-6);
        for (int s = 1; s <= 3; ++s)
            EXPECT_TRUE(std::isfinite(M::speciesLoading[s]));
        EXPECT_EQ(M::speciesLoading[3], 0.0f);
    }
}

} // namespace
