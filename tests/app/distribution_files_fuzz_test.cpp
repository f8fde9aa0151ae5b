// Seeded mutations of the distribution file, the integration-ranges file, a saved analysis
// restored while a distribution is held, and experiment files as Series writes them. No reader
// may crash or overrun; what a reader takes is finite and usable, and a refused file leaves the
// state as it was.
#include "app/experiment_file.h"
#include "distributions/distribution_files.h"
#include "distributions/gstar_boundary.h"
#include "distributions/integrate_distribution.h"
#include "distributions/integration_ranges.h"
#include "distributions/m_of_s_table.h"
#include "distributions/prior_probabilities.h"
#include "fitting/param_files.h"
#include "foundations/error_box_log.h"
#include "foundations/nr_arrays.h"
#include "foundations/numeric_text_files.h"
#include "scandata/scan_store_alloc.h"
#include "state/conti_state.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/serial_fit_state.h"
#include "support/conti_data_store.h"
#include "support/fuzz_inputs.h"
#include "support/main_window_fixture.h"
#include "support/reset_all_state.h"
#include "support/temp_folder.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<float> Held() {
    if (!ContiState::distribution)
        return {};
    std::vector<float> v(ContiState::sValues + 1, ContiState::sValues + ContiState::gridPoints + 1);
    v.insert(v.end(), ContiState::distribution + 1,
             ContiState::distribution + ContiState::gridPoints + 1);
    return v;
}

// The held distribution is whole: ascending finite abscissae, finite values, finite integrals.
::testing::AssertionResult Usable() {
    const int n = ContiState::gridPoints;
    for (int p = 1; p <= n; ++p) {
        if (!std::isfinite(ContiState::sValues[p]) || !std::isfinite(ContiState::distribution[p]))
            return ::testing::AssertionFailure() << "point " << p << " not finite";
        if (p > 1 && !(ContiState::sValues[p] > ContiState::sValues[p - 1]))
            return ::testing::AssertionFailure() << "point " << p << " not ascending";
    }
    float area = 0.0f, average = 0.0f, total = 0.0f, sd = 0.0f;
    IntegrateDistribution(ContiState::sValues[1], ContiState::sValues[n], &area, &average, &total,
                          &sd);
    if (!std::isfinite(area) || !std::isfinite(total))
        return ::testing::AssertionFailure() << "integral " << area << " of " << total;
    return ::testing::AssertionSuccess();
}

std::string SomeDistribution() {
    std::string text;
    char line[80];
    for (int p = 1; p <= 40; ++p) {
        std::snprintf(line, sizeof line, "%.8e %.8e\n", 0.5 * p,
                      std::exp(-0.1 * (p - 20) * (p - 20)));
        text += line;
    }
    return text;
}

class DistributionFilesFuzz : public ::testing::Test {
  protected:
    void SetUp() override { ResetAllState(); }
    void TearDown() override {
        TakeErrorBoxes();
        ResetAllState();
    }
    FuzzFolder dir;
};

TEST_F(DistributionFilesFuzz, DistributionFile) {
    const unsigned seed = FuzzSeed(20261216u);
    std::mt19937 rng(seed);
    const std::string path = dir.file("dist.dat");
    WriteTextFile(path, SomeDistribution());
    ASSERT_TRUE(LoadDistributionFromFile(path.c_str()));
    const std::string base = DistributionText();
    const int inputs = FuzzInputCount(20000);
    for (int i = 0; i < inputs; ++i) {
        const std::vector<float> before = Held();
        WriteTextFile(path, MutateText(base, rng));
        if (LoadDistributionFromFile(path.c_str())) {
            ASSERT_TRUE(Usable()) << "seed " << seed << " input " << i;
        } else {
            ASSERT_EQ(Held(), before) << "seed " << seed << " input " << i;
        }
    }
}

// Values that fit a float each but whose integral does not: refused, the held one kept; the
// same values over a narrow abscissa load and integrate to a finite area.
TEST_F(DistributionFilesFuzz, DistributionsWhoseAreaIsBeyondAFloatAreRefused) {
    const std::string path = dir.file("dist.dat");
    WriteTextFile(path, SomeDistribution());
    ASSERT_TRUE(LoadDistributionFromFile(path.c_str()));
    const struct {
        const char* text;
        bool loads;
    } cases[] = {
        {"1 3.4e38\n3 3.4e38\n", false}, {"0 -3e38\n10 3e38\n20 -3e38\n", false},
        {"1 1e30\n3e38 1e30\n", false},  {"1 3.4e38\n1.5 3.4e38\n", true},
        {"1 1e30\n1e8 1e30\n", true},
    };
    for (const auto& c : cases) {
        const std::vector<float> before = Held();
        WriteTextFile(path, c.text);
        EXPECT_EQ(LoadDistributionFromFile(path.c_str()), c.loads) << c.text;
        if (c.loads)
            EXPECT_TRUE(Usable()) << c.text;
        else
            EXPECT_EQ(Held(), before) << c.text;
    }
}

// A prior file: what is taken has ascending finite abscissae and finite non-negative
// probabilities, some positive, and resamples to finite values; a refusal leaves the curve.
TEST_F(DistributionFilesFuzz, PriorProbabilityFile) {
    const unsigned seed = FuzzSeed(20261219u);
    std::mt19937 rng(seed);
    const std::string path = dir.file("prior.dat");
    const std::string base = SomeDistribution();
    std::vector<double> grid(41);
    for (int p = 1; p <= 40; ++p)
        grid[std::size_t(p)] = 0.5 * p;
    const int inputs = FuzzInputCount(20000);
    for (int i = 0; i < inputs; ++i) {
        PriorCurve curve{{-1.0}, {-1.0}}; // a marker that a refusal must leave
        WriteTextFile(path, MutateText(base, rng));
        if (!ReadPriorFile(path, curve).empty()) {
            ASSERT_EQ(curve.x, std::vector<double>{-1.0}) << "seed " << seed << " input " << i;
            continue;
        }
        ASSERT_GE(curve.x.size(), 2u);
        ASSERT_EQ(curve.x.size(), curve.p.size());
        bool positive = false;
        for (std::size_t k = 0; k < curve.x.size(); ++k) {
            ASSERT_TRUE(std::isfinite(curve.x[k]) && std::isfinite(curve.p[k]) && curve.p[k] >= 0.0)
                << "seed " << seed << " input " << i;
            ASSERT_TRUE(k == 0 || curve.x[k] > curve.x[k - 1]) << "seed " << seed << " input " << i;
            positive = positive || curve.p[k] > 0.0;
        }
        ASSERT_TRUE(positive) << "seed " << seed << " input " << i;
        for (double v : ResamplePrior(curve, grid))
            ASSERT_TRUE(std::isfinite(v) && v >= 0.0) << "seed " << seed << " input " << i;
    }
}

// An M(s) table: what is taken gives finite non-negative masses everywhere, also far outside
// its rows; a refusal keeps the table read before.
TEST_F(DistributionFilesFuzz, MofSTableFile) {
    const unsigned seed = FuzzSeed(20261220u);
    std::mt19937 rng(seed);
    const std::string path = dir.file("MofS.dat");
    const std::string base = "1 10000\n2.5 35000\n5 66000\n10 180000\n20 500000\n";
    ASSERT_EQ(ParseMofSTable(base), "");
    const double probes[] = {-1e30, -3.0, 0.0, 1.7, 7.0, 25.0, 1e30};
    const int inputs = FuzzInputCount(20000);
    for (int i = 0; i < inputs; ++i) {
        std::vector<double> before;
        for (double s : probes)
            before.push_back(InterpolateMofS(s, 20.0));
        WriteTextFile(path, MutateText(base, rng));
        const bool taken = LoadMofSTable(path).empty();
        for (std::size_t k = 0; k < std::size(probes); ++k) {
            const double m = InterpolateMofS(probes[k], 20.0);
            ASSERT_TRUE(std::isfinite(m) && m >= 0.0) << "seed " << seed << " input " << i;
            if (!taken) {
                ASSERT_EQ(m, before[k]) << "seed " << seed << " input " << i;
            }
        }
    }
}

TEST_F(DistributionFilesFuzz, IntegrationRangesFile) {
    const unsigned seed = FuzzSeed(20261217u);
    std::mt19937 rng(seed);
    const std::string path = dir.file("integration.dat");
    const std::string base = "1.0 4.5\n4.5 7.25\n10 15\n0.01 100\n";
    WriteTextFile(path, base);
    ASSERT_TRUE(LoadIntegrationRangesFrom(path.c_str()));
    WriteTextFile(path, SomeDistribution());
    ASSERT_TRUE(LoadDistributionFromFile(path.c_str()));
    const int inputs = FuzzInputCount(20000);
    for (int i = 0; i < inputs; ++i) {
        std::vector<std::pair<float, float>> before;
        for (const IntegrationRange& r : IntegrationRanges())
            before.push_back({r.lo, r.hi});
        WriteTextFile(path, MutateText(base, rng));
        const bool taken = LoadIntegrationRangesFrom(path.c_str());
        std::vector<std::pair<float, float>> after;
        for (const IntegrationRange& r : IntegrationRanges()) {
            ASSERT_TRUE(std::isfinite(r.lo) && std::isfinite(r.hi) && r.lo < r.hi)
                << "seed " << seed << " input " << i;
            after.push_back({r.lo, r.hi});
            float area = 0.0f, average = 0.0f, total = 0.0f, sd = 0.0f;
            IntegrateDistribution(r.lo, r.hi, &area, &average, &total, &sd);
            ASSERT_TRUE(std::isfinite(area) && std::isfinite(average))
                << "seed " << seed << " input " << i;
        }
        if (!taken) {
            ASSERT_EQ(after, before) << "seed " << seed << " input " << i;
        }
    }
}

// A restore that changes the grid drops the held distribution; one that keeps it leaves every
// reader of the arrays inside them (the address checker watches). A dropped distribution is
// loaded again, so each input meets one.
TEST_F(DistributionFilesFuzz, SavedAnalysisRestoredWhileADistributionIsHeld) {
    const unsigned seed = FuzzSeed(20261218u);
    std::mt19937 rng(seed);
    const std::string distribution = dir.file("dist.dat");
    WriteTextFile(distribution, SomeDistribution());
    ScanPaths::gDataPath = dir.file("~tmppars.RA1");
    const int inputs = FuzzInputCount(20000);
    for (int i = 0; i < inputs; ++i) {
        if (!ContiState::distribution) {
            ASSERT_TRUE(LoadDistributionFromFile(distribution.c_str()));
            ASSERT_TRUE(TmpSaveBestParams(nullptr, 0));
        }
        static std::string base;
        if (base.empty())
            base = ReadTextFile(ScanPaths::gDataPath);
        WriteTextFile(ScanPaths::gDataPath, MutateText(base, rng));
        std::vector<float> values;
        if (ReadParameterValues(ScanPaths::gDataPath.c_str(), values) &&
            ValidParameterValues(values)) {
            ASSERT_TRUE(RestoreAllValues(values));
        }
        if (ContiState::distribution) {
            const std::string text = DistributionText();
            ASSERT_EQ(std::count(text.begin(), text.end(), '\n'), ContiState::gridPoints)
                << "seed " << seed << " input " << i;
            ASSERT_TRUE(Usable()) << "seed " << seed << " input " << i;
        }
    }
}

// A g*(s*) table of a dc/dt analysis turned into the direct boundary model: an accepted table
// gives finite fits, a refused one leaves the fits as they were.
TEST_F(DistributionFilesFuzz, GStarTableForTheDirectBoundaryModel) {
    const unsigned seed = FuzzSeed(20261220u);
    std::mt19937 rng(seed);
    ContiStoreCase c;
    c.scans = 3;
    c.points = 100;
    ContiDataStore store(c);
    store.Fill({{4.0, 1.25, 0.5}});
    std::string base;
    char line[160];
    for (int l = 0; l < 20; ++l) {
        const double sStar = 1.0 + 0.4 * l;
        std::snprintf(line, sizeof line, "%f\t%f\t%f\t%f\t%f\t%f\n", sStar,
                      std::exp(-(sStar - 4.0) * (sStar - 4.0)), 0.01, 0.01, sStar, 0.02);
        base += line;
    }
    const std::string path = dir.file("gstar.dat");
    const int inputs = FuzzInputCount(20000);
    for (int i = 0; i < inputs; ++i) {
        const std::vector<std::vector<float>> before = store.fit;
        WriteTextFile(path, MutateText(base, rng));
        int rows = 0;
        float** table = ReadMatrixTable(path.c_str(), 6, &rows);
        bool made = false;
        if (table) {
            made = GStarToDirectBoundary(table, 6, rows);
            free_matrix(table, 1, 6, 1, rows);
        }
        if (made) {
            for (int k = 1; k <= c.scans; ++k)
                for (int p = 1; p <= c.points; ++p)
                    ASSERT_TRUE(std::isfinite(store.fit[k][p]))
                        << "seed " << seed << " input " << i;
        } else {
            ASSERT_EQ(store.fit, before) << "seed " << seed << " input " << i;
        }
        if (i % 16 == 0)
            TakeErrorBoxes();
    }
}

// The experiment file as the Series of the Generate menu writes it (no questions), mutated.
TEST_F(DistributionFilesFuzz, ExperimentFilesAsSeriesWritesThem) {
    const unsigned seed = FuzzSeed(20261219u);
    std::mt19937 rng(seed);
    MainWindowFixture f;
    f.LoadScans(3, 100);
    f.script.onUnexpected(plat::test::Unexpected::DefaultButton);
    const std::string path = f.data.file("series.xp");
    ModelChoice::generatingSeries = true;
    ASSERT_TRUE(WriteMirovanXpFile(f.window.get(), path.c_str()));
    ModelChoice::generatingSeries = false;
    const std::string base = ReadTextFile(path);
    // Each accepted input loads the scans, so this reader gets a tenth of the inputs.
    const int inputs = FuzzInputCount(20000) / 10;
    for (int i = 0; i < inputs; ++i) {
        WriteTextFile(path, MutateText(base, rng));
        ReadXpExperiment(nullptr, path.c_str());
        using S = ScanStore;
        ASSERT_TRUE(S::density > 0.0f && S::density <= 10.0f && S::vbar > 0.0f &&
                    S::vbar <= 10.0f && S::viscosity > 0.0f && std::isfinite(S::viscosity) &&
                    std::isfinite(S::vbarRho))
            << "seed " << seed << " input " << i << ": density " << S::density << ", vbar "
            << S::vbar << ", viscosity " << S::viscosity;
        ASSERT_TRUE(std::isfinite(ModelParameters::meniscus) &&
                    std::isfinite(ModelParameters::bottom) && std::isfinite(S::leftFitLimit) &&
                    std::isfinite(S::rightFitLimit))
            << "seed " << seed << " input " << i;
        if (i % 16 == 0)
            TakeErrorBoxes();
    }
}

} // namespace
