// Detection corrections applied to solved profiles: each correction against its own formula, so
// a wrong sign or scale (per hour against per second, sigma against sigma^2) shows.
#include "foundations/error_box_log.h"
#include "lamm/detection_kernels.h"
#include "state/fluorophore.h"
#include "support/lamm_harness.h"
#include "support/reset_all_state.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

namespace {

// A non-diffusing species: the uncorrected profile is known exactly, so the ratio corrected /
// uncorrected is the correction itself.
LammCase Plain() {
    LammCase lc;
    lc.s = 4.0;
    lc.D = 0.0;
    lc.scans = 4;
    lc.firstScanS = 600.0;
    lc.intervalS = 1800.0;
    lc.outputPoints = 1201;
    return lc;
}

struct Correction {
    const char* name;
    std::function<void(CLammIdeal&)> set;
    std::function<double(double r, double t)> factor; // expected corrected / uncorrected
};

class DetectionCorrection : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetAllState();
        TakeErrorBoxes();
    }
};

} // namespace

TEST_F(DetectionCorrection, PointwiseCorrectionsScaleTheSolvedProfile) {
    const double m = 6.0;
    const std::vector<Correction> cases = {
        {"magnification gradient", [](CLammIdeal& o) { o.SetRadialMagnification(true, 1.1f); },
         [m](double r, double) { return 1.0 + 0.1 * (r - m); }},
        {"linear drift per hour",
         [](CLammIdeal& o) { o.SetSignalDrift(true, true, 0.36f, false, 0.0f, 0.5f); },
         [](double, double t) { return 1.0 + t * 0.36 / 3600.0; }},
        {"exponential drift to a plateau",
         [](CLammIdeal& o) { o.SetSignalDrift(true, false, 0.0f, true, 0.9f, 0.2f); },
         [](double, double t) { return 0.8 * std::exp(-t * 0.9 / 3600.0) + 0.2; }},
        {"exponential switch off ignores the plateau",
         [](CLammIdeal& o) { o.SetSignalDrift(true, false, 0.0f, false, 0.9f, 0.2f); },
         [](double, double) { return 1.0; }},
        {"drift and magnification together",
         [](CLammIdeal& o) {
             o.SetRadialMagnification(true, 0.95f);
             o.SetSignalDrift(true, true, -0.1f, true, 0.5f, 0.6f);
         },
         [m](double r, double t) {
             return (1.0 - 0.05 * (r - m)) * (1.0 - t * 0.1 / 3600.0) *
                    (0.4 * std::exp(-t * 0.5 / 3600.0) + 0.6);
         }},
        {"fluorophore bleaching with recovery",
         [](CLammIdeal& o) {
             CFluorophore f;
             f.bleachingRate[1] = 1.2f;
             f.bleachingPlateau[1] = 0.3f;
             f.recovery = true;
             f.recoveryTimeCount = 1;
             f.recoveryTimes = {0.0f, 3000.0f};
             f.recoveryLevels[1] = {0.0f, 0.7f};
             o.SetFluorophore(&f, 1, false, 0.0f);
         },
         [](double, double t) {
             const double since = t > 3000.0 ? t - 3000.0 : t;
             const double level = t > 3000.0 ? 0.7 : 1.0;
             return (0.7 * std::exp(-since * 1.2 / 3600.0) + 0.3) * level;
         }},
        {"excitation cone cut by the bottom",
         [](CLammIdeal& o) { o.SetExcitationCone(true, 0.05f); },
         [](double r, double) {
             const double a = 0.05, d = 7.2 - r;
             if (d > a)
                 return 1.0;
             const double theta = std::acos(d / a);
             return 1.0 - (2.0 * a * a * theta - a * d * std::sin(theta)) / (2.0 * M_PI * a * a);
         }},
    };
    LammRun plain(Plain());
    ASSERT_EQ(plain.Run(), LammResult::Solved);
    for (const Correction& c : cases) {
        LammRun run(Plain());
        run.Load();
        c.set(run.solver);
        ASSERT_EQ(run.solver.Run(), LammResult::Solved) << c.name;
        for (int scan = 1; scan <= plain.lc_.scans; ++scan) {
            const double t = run.ScanTime(scan);
            for (int i = 1; i <= run.Points(); ++i) {
                const double base = plain.Profile(scan)[i];
                const double expected = base * c.factor(run.Radii()[i], t);
                EXPECT_NEAR(run.Profile(scan)[i], expected, 1e-6)
                    << c.name << ", scan " << scan << ", r " << run.Radii()[i];
            }
        }
    }
    EXPECT_TRUE(TakeErrorBoxes().empty());
}

// A negative product never reaches the profile: the drift factor is clamped at 0.
TEST_F(DetectionCorrection, DriftFactorIsNeverNegative) {
    CLammIdeal o;
    o.SetSignalDrift(true, true, -36.0f, false, 0.0f, 1.0f);
    EXPECT_DOUBLE_EQ(o.DriftFactor(50.0), 0.5);
    EXPECT_EQ(o.DriftFactor(200.0), 0.0);
    o.SetSignalDrift(false, true, 1.0f, true, 1.0f, 0.5f);
    EXPECT_EQ(o.DriftFactor(1000.0), 1.0);
}

// The scanner starting inside the meniscus sees the meniscus later by the travel time.
TEST_F(DetectionCorrection, StartOffsetFromTheFirstRadius) {
    CLammIdeal o;
    o.meniscus = 6.0;
    o.SetStartOffset(5.9f);
    EXPECT_EQ(o.timeShift, 0.0) << "only for absorbance with simulated time resolution";
    o.absorbanceData = o.simulateTimeResolution = true;
    o.scanVelocity = 2.43f;
    o.SetStartOffset(5.9f);
    EXPECT_NEAR(o.timeShift, 60.0 * 0.1 / 2.43, 1e-4);
    o.SetStartOffset(6.1f);
    EXPECT_EQ(o.timeShift, 0.0);
    o.scanVelocity = 0.0f;
    o.SetStartOffset(5.9f);
    EXPECT_EQ(o.timeShift, 0.0);
}

// The cone keeps points farther than its radius inside the bottom, halves the bottom point and
// removes what lies beyond one radius past the bottom.
TEST_F(DetectionCorrection, ExcitationConeAgainstTheBottom) {
    const double bottom = 7.2, a = 0.05;
    const std::vector<float> r = {0.0f, 7.1f, 7.175f, 7.2f, 7.225f, 7.26f};
    std::vector<float> y(r.size(), 2.0f);
    ApplyExcitationCone(y.data(), r.data(), 5, bottom, a);
    const double theta = std::acos(0.5); // d = a / 2 inside
    const double inside = 1.0 - (2.0 * theta - 0.5 * std::sin(theta)) / (2.0 * M_PI);
    const double outsideTheta = std::acos(-0.5);
    const double outside = 1.0 - (2.0 * outsideTheta + 0.5 * std::sin(outsideTheta)) / (2.0 * M_PI);
    EXPECT_EQ(y[1], 2.0f);
    EXPECT_NEAR(y[2], 2.0 * inside, 1e-5);
    EXPECT_NEAR(y[3], 1.0, 1e-5);
    EXPECT_NEAR(y[4], 2.0 * outside, 1e-5);
    EXPECT_EQ(y[5], 0.0f);
    EXPECT_GT(y[2], y[3]);
    std::vector<float> same(r.size(), 2.0f);
    ApplyExcitationCone(same.data(), r.data(), 5, bottom, 0.0);
    EXPECT_EQ(same, std::vector<float>(r.size(), 2.0f));
}

// A spike spreads as exp(-dr^2 / sigma^2) over the normalised weights; a flat profile stays flat
// inside the cell and loses the missing neighbours next to the meniscus.
TEST_F(DetectionCorrection, RadialConvolutionWeightsAndEdges) {
    const int n = 201;
    const double h = 0.001, sigma = 0.003, cut = 2.0, m = 6.0, b = 6.2;
    std::vector<float> r(n + 1);
    for (int i = 1; i <= n; ++i)
        r[i] = static_cast<float>(m + (i - 1) * h);
    CLammIdeal o;
    o.meniscus = m, o.bottom = b;
    o.outputRadii = r.data(), o.outputRadiusCount = n;
    o.SetRadialConvolution(true, static_cast<float>(sigma), static_cast<float>(cut));
    ASSERT_EQ(o.convolutionTableState, 1);
    ASSERT_EQ(o.convolutionFirst, 1);
    ASSERT_EQ(o.convolutionLast, n);
    const ConvolutionTable table{o.convolutionTable.data(),
                                 static_cast<int>(o.convolutionTable.size()) - 1,
                                 o.convolutionFirst, o.convolutionLast};
    // the table's spacing is that of the float radii
    const double hf = static_cast<double>(r[2]) - r[1];
    const double hMean = (static_cast<double>(r[n]) - r[1]) / (n - 1);
    const int reach = static_cast<int>(std::floor(cut * sigma / hMean));
    double weightSum = 1.0;
    for (int j = 1; j <= reach; ++j)
        weightSum += 2.0 * std::exp(-(j * hf) * (j * hf) / (sigma * sigma));
    std::vector<float> spike(n + 1, 0.0f);
    spike[100] = 1.0f;
    ApplyRadialConvolution(spike.data(), r.data(), n, sigma, cut, m, b, &table);
    EXPECT_NEAR(spike[100], 1.0 / weightSum, 1e-6);
    EXPECT_NEAR(spike[101], std::exp(-hf * hf / (sigma * sigma)) / weightSum, 1e-6);
    EXPECT_NEAR(spike[99], spike[101], 1e-7) << "symmetric";
    EXPECT_EQ(spike[100 + reach + 1], 0.0f);
    std::vector<float> flat(n + 1, 1.0f);
    ApplyRadialConvolution(flat.data(), r.data(), n, sigma, cut, m, b, &table);
    EXPECT_NEAR(flat[100], 1.0, 1e-6);
    double oneSide = 1.0;
    for (int j = 1; j <= reach; ++j)
        oneSide += std::exp(-(j * hf) * (j * hf) / (sigma * sigma));
    EXPECT_NEAR(flat[1], oneSide / weightSum, 1e-6) << "meniscus point keeps the full weight";
    // The direct form on the same radii agrees inside the cell.
    std::vector<float> direct(n + 1, 1.0f);
    ApplyRadialConvolution(direct.data(), r.data(), n, sigma, cut, m, b, nullptr);
    EXPECT_NEAR(direct[100], 1.0, 1e-6);
    EXPECT_LT(direct[1], 0.8);
}

// Radii that are not equidistant take the direct form.
TEST_F(DetectionCorrection, UnevenRadiiUseTheDirectForm) {
    std::vector<float> r = {0.0f, 6.0f, 6.001f, 6.003f, 6.004f, 6.006f, 6.007f};
    CLammIdeal o;
    o.meniscus = 6.0, o.bottom = 7.0;
    o.outputRadii = r.data(), o.outputRadiusCount = 6;
    o.SetRadialConvolution(true, 0.002f, 2.0f);
    EXPECT_EQ(o.convolutionTableState, 2);
    EXPECT_TRUE(o.convolutionTable.empty());
}

// The list runs hand each worker a copy: it owns its own fluorophore and table.
TEST_F(DetectionCorrection, CopiesOwnTheirFluorophoreAndTable) {
    std::vector<float> r(101);
    for (int i = 1; i <= 100; ++i)
        r[i] = 6.0f + 0.001f * i;
    CLammIdeal t;
    t.meniscus = 6.0, t.bottom = 7.0;
    t.outputRadii = r.data(), t.outputRadiusCount = 100;
    CFluorophore f;
    t.SetFluorophore(&f, 1, false, 0.0f);
    t.SetRadialConvolution(true, 0.003f, 2.0f);
    CLammIdeal copy;
    copy.CopySettingsFrom(t);
    ASSERT_TRUE(copy.fluorophore);
    EXPECT_NE(copy.fluorophore.get(), t.fluorophore.get());
    EXPECT_NE(copy.convolutionTable.data(), t.convolutionTable.data());
    EXPECT_EQ(copy.convolutionTable, t.convolutionTable);
}

TEST_F(DetectionCorrection, BadFluorophoreLoadsChangeNothing) {
    CLammIdeal o;
    CFluorophore f;
    o.SetFluorophore(nullptr, 1, false, 0.0f);
    o.SetFluorophore(&f, 0, false, 0.0f);
    o.SetFluorophore(&f, 2, false, 0.0f);
    EXPECT_FALSE(o.driftOn);
    EXPECT_FALSE(o.fluorophore);
    const std::vector<ErrorBoxEntry> boxes = TakeErrorBoxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].text, "Error pFlotmpl ==0 in CLammIdeal");
    EXPECT_EQ(boxes[1].text, "Error loading wl < 1 in CLammIdeal");
    EXPECT_EQ(boxes[2].text, "Error loading wl > max in CLammIdeal");
}
