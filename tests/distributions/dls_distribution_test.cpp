// Light-scattering distributions on decays of known truth: the decay kernels' worked numbers,
// one peak at the true D and Rh for I(D) and I(Rh), the g(2)-1 question, the time course whose
// decay changes from curve to curve, and the refusals and stops that keep what was there.
#include "distributions/conti_grid.h"
#include "distributions/conti_run.h"
#include "distributions/dls_time_course.h"
#include "distributions/integrate_distribution.h"
#include "foundations/error_box_log.h"
#include "foundations/hydrodynamics.h"
#include "plat/msgbox.hpp"
#include "plat/testing.hpp"
#include "plat/window.hpp"
#include "scandata/dls_data_set.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/conti_kernel.h"
#include "simulation/dls_kernels.h"
#include "state/conti_state.h"
#include "state/dls_data.h"
#include "state/model_choice.h"
#include "state/preference_switches.h"
#include "state/result_table.h"
#include "state/run_switches.h"
#include "support/dls_file_generator.h"
#include "support/reset_all_state.h"
#include "support/scan_set_generator.h"
#include "support/temp_folder.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using S = ScanStore;

// The scattering vector of the generated files: 90 degrees, n = 1.333, 632.8 nm.
constexpr double kQ2 = 3.50363e14;

TEST(DlsKernels, ScatteringVectorDecaysAndTheNonDecayingRow) {
    DlsRecord r;
    r.angle = 90.0f, r.refractiveIndex = 1.333f, r.wavelength = 6.328e-7f;
    const float q2 = DlsScatteringVectorSquared(r);
    EXPECT_NEAR(std::sqrt(q2), 1.8718e7, 1e3);
    EXPECT_NEAR(DlsDecay(1.0, 1e-7, q2, 1e-4), 0.704433, 1e-5);
    // Cumulants of zero are the single exponential of the mean D.
    for (double t : {1e-6, 1e-4, 1e-2})
        EXPECT_DOUBLE_EQ(DlsCumulantDecay(0.7, 3e-7, 0.0, 0.0, q2, t), DlsDecay(0.7, 3e-7, q2, t));
    const float logLags[] = {0.0f, -6.0f, -5.0f, -4.0f};
    for (double D : {0.0, -1e-7}) {
        float row[4] = {9, 9, 9, 9};
        FillDlsDecayRow(0.5, D, q2, logLags, 3, row);
        EXPECT_EQ(row[1], 0.5f) << "D = " << D;
        EXPECT_EQ(row[2], 0.0f);
        EXPECT_EQ(row[3], 0.0f);
    }
}

// Autocorrelation files of single decays: g(2)-1 = exp(-2 D q^2 t) over lags from 1e-7 s to
// 1e-1 s, twenty per decade.
class DlsDistribution : public ::testing::Test {
  public:
    void SetUp() override {
        ResetAllState();
        TakeErrorBoxes();
        window.Create();
        script.pumpUntilIdle();
        ContiState::resolution = 100.0f;
        ContiState::confidenceLevel = 0.68f;
        ContiState::multiThreading = false;
    }
    void TearDown() override {
        FreeResultTable();
        ResetAllState();
    }

    // One file per (D, time); the store holds them in time order, as g(1) unless keepG2.
    void Load(const std::vector<std::pair<double, double>>& decays, bool keepG2 = false) {
        gAlwaysLoadG2 = keepG2;
        std::vector<std::string> names;
        for (std::size_t f = 0; f < decays.size(); ++f) {
            DlsFileContent c;
            c.time = decays[f].second;
            for (int i = 0; i <= 120; ++i) {
                const double lag = std::pow(10.0, -7.0 + i / 20.0);
                c.lags.push_back(lag);
                c.values.push_back(std::exp(-2e-4 * decays[f].first * kQ2 * lag));
            }
            names.push_back("c" + std::to_string(f) + ".dlsdat");
            dir.write(names.back(), DlsFileText(c));
        }
        const std::string selection = SelectionBuffer(dir.path(), names);
        LoadDlsData(nullptr, selection.c_str());
        ASSERT_EQ(S::scanCount, int(decays.size()));
    }
    void ChooseID() {
        ModelChoice::contiMode = ModelChoice::dlsID = true;
        ContiState::rangeMin = -8.0f, ContiState::rangeMax = -5.0f;
    }
    void ChooseIRh(bool timeCourse = false) {
        ModelChoice::contiMode = true;
        (timeCourse ? ModelChoice::dlsIRhTimeCourse : ModelChoice::dlsIRh) = true;
        ContiState::rangeMin = 1.0f, ContiState::rangeMax = 20.0f;
    }
    void ExpectConversionQuestion(int answer) {
        script.expectBox()
            .text("DLS data for this model must be field autocorrelation g(1) - transform?")
            .answer(answer);
    }
    static double Peak(const std::vector<double>& x, const std::vector<double>& v) {
        std::size_t best = 0;
        for (std::size_t p = 1; p < v.size(); ++p)
            if (v[p] > v[best])
                best = p;
        return x[best];
    }
    // The grid and the distribution, 1 .. gridPoints of their 1-based arrays.
    static std::vector<double> Abscissae() {
        return {ContiState::sValues + 1, ContiState::sValues + ContiState::gridPoints + 1};
    }
    static std::vector<double> Values() {
        return {ContiState::distribution + 1,
                ContiState::distribution + ContiState::gridPoints + 1};
    }
    // Rh (nm) of D (cm^2/s) in the loaded buffer at its temperature.
    static double RadiusNm(double D) { return StokesEinsteinD(1e-9f, 20.0f) / D; }

    TempFolder dir;
    plat::test::Script script;
    TFrameWindow window{nullptr, "test"};
};

// One decay of D0: I(D) peaks at log10 D0 and I(Rh) at its Stokes radius, each within a grid
// step, with the area 1 (the amplitude of g(1)) within 2% and a fit that follows the data.
TEST_F(DlsDistribution, SingleDecayGivesOnePeakAtItsDAndRh) {
    const double D0 = 5e-7;
    struct Case {
        const char* name;
        std::function<void(DlsDistribution&)> choose;
        std::function<double()> truth; // in the loaded buffer
        double step;
    } cases[] = {
        {"I(D)", [](DlsDistribution& t) { t.ChooseID(); }, [D0] { return std::log10(D0); },
         3.0 / 99},
        {"I(Rh)", [](DlsDistribution& t) { t.ChooseIRh(); }, [D0] { return RadiusNm(D0); },
         19.0 / 99},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetAllState();
        ContiState::resolution = 100.0f, ContiState::confidenceLevel = 0.68f;
        Load({{D0, 0.0}, {D0, 60.0}}, true);
        c.choose(*this);
        const double truth = c.truth();
        ExpectConversionQuestion(IDYES);
        ASSERT_TRUE(RunContiSed(nullptr, SilentObserver())) << script.logText();
        EXPECT_TRUE(script.done()) << script.logText();
        EXPECT_TRUE(S::dlsRecords[1].isFieldAcf && S::dlsRecords[2].isFieldAcf);
        EXPECT_NEAR(Peak(Abscissae(), Values()), truth, 1.01 * c.step)
            << "truth " << truth << ", one grid step " << c.step;
        float area = 0, sw = 0, total = 0, fourth = 0;
        IntegrateDistribution(ContiState::sValues[1], ContiState::sValues[ContiState::gridPoints],
                              &area, &sw, &total, &fourth, nullptr, nullptr);
        EXPECT_NEAR(area, 1.0, 0.02);
        double worst = 0.0;
        for (int k = 1; k <= S::scanCount; ++k)
            for (int i = 1; i <= S::pointCount[k]; ++i)
                worst = std::max(worst, double(std::fabs(S::signal[k][i] - S::fit[k][i])));
        EXPECT_LT(worst, 0.01) << "largest residual";
        FreeResultTable();
    }
}

// Data kept as g(2)-1 when the question is answered No: the kernel refuses them with its box,
// nothing is stored and the values stay as loaded.
TEST_F(DlsDistribution, IntensityDataKeptByNoAreRefusedWithNothingStored) {
    Load({{5e-7, 0.0}}, true);
    ChooseID();
    const float before = S::signal[1][10];
    ExpectConversionQuestion(IDNO);
    script.expectBox().caption("Error").text("no field ACF in DLS distribution model").answer(IDOK);
    EXPECT_FALSE(RunContiSed(nullptr, SilentObserver()));
    EXPECT_TRUE(script.done()) << script.logText();
    EXPECT_EQ(ContiState::distribution, nullptr);
    EXPECT_FALSE(S::resultAvailable);
    EXPECT_EQ(S::signal[1][10], before);
}

// Settings that cannot give decays end with their message before any question.
TEST_F(DlsDistribution, RangesWithoutDecaysAreRefused) {
    Load({{5e-7, 0.0}}, true);
    struct Case {
        const char* name;
        std::function<void(DlsDistribution&)> choose;
        const char* text;
    } cases[] = {
        {"I(D) over a molar-mass range",
         [](DlsDistribution& t) {
             t.ChooseID();
             ContiState::rangeMin = 10000.0f, ContiState::rangeMax = 500000.0f;
         },
         "The range 10000 to 500000 cannot be computed: log10 D (D in cm^2/s) must lie between "
         "-30 and 10."},
        {"I(Rh) from 0 nm",
         [](DlsDistribution& t) {
             t.ChooseIRh();
             ContiState::rangeMin = 0.0f;
         },
         "The range 0 to 20 nm cannot be computed: Stokes radii must lie above 0 and at most "
         "1e+07 nm."},
        {"no scattering angle",
         [](DlsDistribution& t) {
             t.ChooseIRh();
             S::dlsRecords[1].angle = 0.0f;
         },
         "curve c0.dlsdat has no usable scattering vector (refractive index 1.333, angle 0 deg, "
         "wavelength 6.328e-07 m): its decays cannot be computed"},
    };
    for (const Case& c : cases) {
        ModelChoice::dlsID = ModelChoice::dlsIRh = false;
        const float angle = S::dlsRecords[1].angle;
        c.choose(*this);
        script.expectBox().caption("Error").text(c.text).answer(IDOK);
        EXPECT_FALSE(RunContiSed(nullptr, SilentObserver())) << c.name;
        EXPECT_TRUE(script.done()) << c.name << script.logText();
        EXPECT_EQ(ContiState::distribution, nullptr) << c.name;
        EXPECT_FALSE(S::dlsRecords[1].isFieldAcf) << c.name << ": converted before the refusal";
        S::dlsRecords[1].angle = angle;
    }
}

// Three curves whose particles grow: each slice of the time course peaks at its own radius, its
// fit follows its curve, and the last slice is the distribution shown.
TEST_F(DlsDistribution, TimeCourseFollowsTheChangingRadius) {
    const std::vector<std::pair<double, double>> decays = {
        {8e-7, 0.0}, {5e-7, 100.0}, {3e-7, 200.0}};
    Load(decays);
    ChooseIRh(true);
    ContiState::resolution = 80.0f; // below the 121 lags of one curve
    ASSERT_TRUE(RunContinuousModel(nullptr, SilentObserver())) << script.logText();
    const DlsTimeCourse& course = LastDlsTimeCourse();
    ASSERT_EQ(course.values.size(), decays.size());
    const double step = 19.0 / 79;
    for (std::size_t k = 0; k < decays.size(); ++k) {
        EXPECT_EQ(course.timesS[k], decays[k].second);
        EXPECT_NEAR(Peak(course.radiusNm, course.values[k]), RadiusNm(decays[k].first), 1.01 * step)
            << "slice " << k + 1;
        double worst = 0.0;
        const int curve = int(k) + 1;
        for (int i = 1; i <= S::pointCount[curve]; ++i)
            worst = std::max(worst, double(std::fabs(S::signal[curve][i] - S::fit[curve][i])));
        EXPECT_LT(worst, 0.01) << "largest residual of curve " << curve;
    }
    for (int p = 1; p <= ContiState::gridPoints; ++p)
        EXPECT_EQ(ContiState::distribution[p], float(course.values.back()[std::size_t(p)]));
    EXPECT_TRUE(S::resultAvailable);
}

// A key pressed while the slices' kernels are made stops the time course after the slice: the
// previous time course, its distribution and the fits stay as they were.
TEST_F(DlsDistribution, KeyPressStopsTheTimeCourseWithTheLastResultKept) {
    Load({{8e-7, 0.0}, {3e-7, 100.0}});
    ChooseIRh(true);
    ContiState::resolution = 80.0f;
    ASSERT_TRUE(RunContinuousModel(nullptr, SilentObserver())) << script.logText();
    const std::vector<double> shown = Values();
    const std::vector<float> fit(S::fit[2] + 1, S::fit[2] + 1 + S::pointCount[2]);
    const std::size_t slices = LastDlsTimeCourse().values.size();
    ContiState::confidenceLevel = 0.95f;
    plat::test::key(&window, VK_ESCAPE, 27);
    EXPECT_FALSE(RunContinuousModel(nullptr, SilentObserver()));
    EXPECT_TRUE(gUserInterrupt.load());
    EXPECT_EQ(Values(), shown);
    EXPECT_EQ(std::vector<float>(S::fit[2] + 1, S::fit[2] + 1 + S::pointCount[2]), fit);
    EXPECT_EQ(LastDlsTimeCourse().values.size(), slices);
    gUserInterrupt.store(false);
}

// Two curves on their own lag grids, the second longer and from a later first lag: with the
// raw-lag switch each kernel row is the closed-form decay exp(-1e-4 D q^2 t) at that curve's own
// lags (and 0 past them); without it, every row lies on the common grid.
TEST_F(DlsDistribution, RawLagRowsLieAtEachCurvesOwnLags) {
    struct Curve {
        double firstLag, perDecade;
        int points;
    } curves[] = {{1e-7, 20.0, 101}, {3e-7, 25.0, 139}};
    std::vector<std::vector<double>> lags;
    std::vector<std::string> names;
    for (const Curve& c : curves) {
        DlsFileContent file;
        for (int i = 0; i < c.points; ++i) {
            file.lags.push_back(c.firstLag * std::pow(10.0, i / c.perDecade));
            file.values.push_back(std::exp(-2e-4 * 5e-7 * kQ2 * file.lags.back()));
        }
        lags.push_back(file.lags);
        names.push_back("raw" + std::to_string(names.size()) + ".dlsdat");
        dir.write(names.back(), DlsFileText(file));
    }
    LoadDlsData(nullptr, SelectionBuffer(dir.path(), names).c_str());
    ASSERT_EQ(S::scanCount, 2);
    ASSERT_EQ(S::pointCount[2], 139);
    const ContiGrid g = BuildContiGrid(ContiVariant::DlsD, 5, -8.0, -5.0, false, 1.2f, 0.0, 20.0);
    for (bool raw : {true, false}) {
        SCOPED_TRACE(raw ? "own lags" : "common grid");
        ContiState::rawLags = raw;
        ASSERT_TRUE(EnsureContiKernel(nullptr, SilentObserver(), g));
        for (int p = 1; p <= g.n; ++p) {
            for (int k = 1; k <= 2; ++k) {
                const float* row = gContiKernel.Row(p, k);
                const int n = raw ? S::pointCount[k] : S::gridCount;
                for (int i = 1; i <= n; ++i) {
                    const double t = raw ? lags[std::size_t(k - 1)][std::size_t(i - 1)]
                                         : std::pow(10.0, double(S::gridRadius[i]));
                    const double truth = std::exp(-1e-4 * g.D[p] * kQ2 * t);
                    ASSERT_NEAR(row[i], truth, 2e-5 + 2e-5 * truth)
                        << "grid point " << p << ", curve " << k << ", lag " << i;
                }
                for (int i = n + 1; i <= gContiKernel.Points(); ++i)
                    ASSERT_EQ(row[i], 0.0f) << "curve " << k << " past its lags, " << i;
            }
        }
    }
}

} // namespace
