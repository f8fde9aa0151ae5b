// The M* analysis on data of known truth: a single ideal species at sedimentation equilibrium
// gives its molar mass as M*, as the slope of ln c against r^2 and as the apparent molar mass;
// the loading signal and the hinge point follow from mass conservation; the polynomial fit and
// the baseline estimate against closed forms.
#include "equilibrium/mstar_transform.h"
#include "equilibrium/polyfit.h"
#include "foundations/error_box_log.h"
#include "foundations/physical_constants.h"
#include "scandata/scan_store_alloc.h"
#include "support/reset_all_state.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

using MS = MStarState;

class MStarTransform : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetAllState();
        TakeErrorBoxes();
        ScanStore::vbarRho = 0.73f;
        ScanStore::gasConstantTemperature = PhysicalConstants::gasConstant * 293.15f;
    }
    void TearDown() override { ResetAllState(); }

    // c(r) = b + A0 exp(K M (r^2 - m^2)) at 13000 rpm, M = 50 kDa, loading 1.0 between m = 6.9
    // and B = 7.2; data from 6.901 to 7.180 cm in steps of 0.001 cm.
    void Species(float baseline = 0.0f) {
        k = MStarKFactor(13000.0f);
        const double a = k * 50000.0;
        a0 = a * (B * B - m * m) / (std::exp(a * (B * B - m * m)) - 1.0);
        for (int i = 0; i < 280; ++i) {
            radius.push_back(6.901f + 0.001f * float(i));
            const double r = radius.back();
            signal.push_back(float(baseline + a0 * std::exp(a * (r * r - m * m))));
        }
        frame = {float(m), float(B), 6.905f, 7.175f, baseline};
        // Fit limits as scan indices.
        int first = 0, last = 0;
        for (int i = 0; i < 280; ++i) {
            if (!first && radius[std::size_t(i)] >= frame.left)
                first = i + 1;
            if (radius[std::size_t(i)] <= frame.right)
                last = i + 1;
        }
        radius.insert(radius.begin(), 0.0f);
        signal.insert(signal.begin(), 0.0f);
        PrepareMStarSet(set, radius.data(), signal.data(), 280, first, last, frame.meniscus,
                        frame.bottom);
        MS::meniscusFitRange[1] = frame.left;
        MS::meniscusFitRange[2] = frame.left + 0.2f * (frame.right - frame.left);
        MS::bottomFitRange[1] = frame.right - 0.005f - 0.2f * (frame.right - frame.left);
        MS::bottomFitRange[2] = frame.right - 0.005f;
    }

    const double m = 6.9, B = 7.2;
    double k = 0.0, a0 = 0.0;
    std::vector<float> radius, signal;
    MStarFrame frame;
    MStarSet set;
};

TEST_F(MStarTransform, SingleSpeciesGivesItsMolarMassEveryWay) {
    Species();
    // The padding reaches down to the meniscus in 0.001 cm steps, and up to the bottom.
    EXPECT_EQ(set.meniscusPad, 1);
    EXPECT_EQ(set.bottomPad, 20);
    EXPECT_NEAR(set.radius[1], 6.900f, 1e-6f);
    EXPECT_EQ(set.signal[1], 0.0f);

    struct Case {
        const char* name;
        bool fixedA0;
    };
    for (const Case c : {Case{"meniscus signal fixed at the truth", true},
                         Case{"meniscus signal extrapolated", false}}) {
        MS::meniscusSignalFixed = c.fixedA0;
        set.meniscusSignal = c.fixedA0 ? float(a0) : 0.0f;
        ComputeMStarSet(set, frame, k);
        EXPECT_NEAR(set.meniscusSignal, a0, 0.002 * a0) << c.name;
        EXPECT_NEAR(set.mwLinearFit, 50.0, 0.5) << c.name;
        EXPECT_NEAR(set.mwAverage, 50.0, 0.5) << c.name;
        EXPECT_NEAR(set.mwAverage, set.bottomExtrapolation[100], 1e-6) << c.name;
        // M* near the meniscus depends strongly on A0: checked away from it, and everywhere
        // inside the limits with the true A0.
        for (int i = set.firstIndex; i < set.lastIndex; ++i) {
            const float r = set.workRadius[std::size_t(i)];
            if (c.fixedA0 || r > 7.0f) {
                ASSERT_NEAR(set.mstar[std::size_t(i)], 50.0, 0.5) << c.name << " at " << r;
            }
        }
        // Outside the fitting limits M* is 0.
        EXPECT_EQ(set.mstar[1], 0.0f);
        EXPECT_EQ(set.mstar[std::size_t(set.pointCount)], 0.0f);
        for (int i = set.firstIndex + 40; i < set.lastIndex - 40; ++i) {
            ASSERT_NEAR(set.mappDlnc[std::size_t(i)], 50.0, 0.5) << c.name;
            ASSERT_NEAR(set.mappDcdr[std::size_t(i)], 50.0, 0.5) << c.name;
        }
    }
    EXPECT_FALSE(MS::negativeMStarSeen);
}

// With c(M) smoothing the fit replaces the data between meniscus and the left limit and carries
// M* to the bottom; a fit of the true profile gives the true molar mass everywhere.
TEST_F(MStarTransform, CMSmoothingTakesTheFitAtMeniscusAndBottom) {
    k = MStarKFactor(13000.0f);
    const double a = k * 50000.0;
    a0 = a * (B * B - m * m) / (std::exp(a * (B * B - m * m)) - 1.0);
    std::vector<float> fit(1, 0.0f);
    radius.assign(1, 0.0f);
    for (int i = 0; i <= 300; ++i) {
        radius.push_back(i == 300 ? float(B) : float(m + 0.001 * i));
        const double r = radius.back();
        fit.push_back(float(a0 * std::exp(a * (r * r - m * m))));
    }
    signal = fit;
    frame = {float(m), float(B), 6.905f, 7.175f, 0.0f};
    PrepareMStarSet(set, radius.data(), signal.data(), 301, 6, 276, frame.meniscus, frame.bottom,
                    fit.data());
    ASSERT_EQ(set.meniscusPad + set.bottomPad, 0);
    MS::meniscusFitRange[1] = 6.905f;
    MS::meniscusFitRange[2] = 6.96f;
    MS::bottomFitRange[1] = 7.116f;
    MS::bottomFitRange[2] = 7.17f;
    MS::useCMSmoothing = true;
    ASSERT_TRUE(ComputeMStarSet(set, frame, k));

    EXPECT_NEAR(set.meniscusSignal, a0, 0.002 * a0);
    EXPECT_NEAR(set.mwAverage, 50.0, 0.5);
    // Between meniscus and the left limit the working signal is the fit.
    for (int i = 1; i <= set.pointCount; ++i)
        if (set.workRadius[std::size_t(i)] <= frame.left) {
            ASSERT_EQ(set.workSignal[std::size_t(i)], fit[std::size_t(i)]) << i;
        }
    // The c(M)-based M* is 0 at meniscus and bottom, the true value strictly between.
    EXPECT_EQ(set.mstarFromCM[1], 0.0f);
    EXPECT_EQ(set.mstarFromCM[301], 0.0f);
    for (int i = 2; i < 301; ++i)
        ASSERT_NEAR(set.mstarFromCM[std::size_t(i)], 50.0, 0.5) << i;
    for (int i = 2; i < 300; ++i) {
        ASSERT_NEAR(set.lnCFromCM[std::size_t(i)], std::log(fit[std::size_t(i)]), 1e-5) << i;
        ASSERT_NEAR(set.mappFromCM[std::size_t(i)], 50.0, 0.5) << i;
    }
}

// A fit that is zero throughout (c(M) smoothing asked for before any fit), one whose only
// positive value has no successor, and a set too short for the line to the bottom: no
// computation, the previous results stay.
TEST_F(MStarTransform, CMSmoothingWithoutAUsableFitIsRefused) {
    struct Case {
        const char* name;
        int n;
        int positiveFrom; // first index with a positive fit value (n + 1: none)
    };
    MS::useCMSmoothing = true;
    for (const Case c : {Case{"fit all zero", 50, 51}, Case{"only the last point", 50, 50},
                         Case{"two points", 2, 1}}) {
        std::vector<float> r(1, 0.0f), y(1, 0.0f), fit(1, 0.0f);
        for (int i = 1; i <= c.n; ++i) {
            r.push_back(6.9f + 0.3f * float(i - 1) / float(std::max(c.n - 1, 1)));
            y.push_back(0.5f);
            fit.push_back(i >= c.positiveFrom ? 0.5f : 0.0f);
        }
        MStarSet s;
        PrepareMStarSet(s, r.data(), y.data(), c.n, 0, 0, 6.9f, 7.2f, fit.data());
        s.meniscusSignal = 0.25f;
        s.mwAverage = 42.0f;
        EXPECT_FALSE(ComputeMStarSet(s, {6.9f, 7.2f, 6.9f, 7.2f, 0.0f}, 1e-5)) << c.name;
        EXPECT_FALSE(CMFitUsable(s)) << c.name;
        EXPECT_EQ(s.meniscusSignal, 0.25f) << c.name;
        EXPECT_EQ(s.mwAverage, 42.0f) << c.name;
    }
}

TEST_F(MStarTransform, LoadingSignalAndHingePoint) {
    Species(0.05f);
    MS::meniscusSignalFixed = true;
    set.meniscusSignal = float(a0);
    ComputeMStarSet(set, frame, k);
    const float loading = EstimateLoadingSignal(set, frame);
    EXPECT_NEAR(loading, 1.0, 1e-3);

    // The hinge: where c - b equals the loading, r^2 = m^2 + ln(loading / A0) / (K M).
    const double hinge = std::sqrt(m * m + std::log(1.0 / a0) / (k * 50000.0));
    float r = 0.0f, r1 = 0.0f, r2 = 0.0f;
    const float mw = HingePointMapp(set, loading, 0.01f, frame.baseline, &r, &r1, &r2);
    EXPECT_NEAR(r, hinge, 0.001);
    EXPECT_NEAR(r2 - r1, 0.01, 1e-4);
    EXPECT_NEAR(mw, 50.0, 0.5);
    // A larger loading moves the hinge outward; one above every signal finds none.
    float further = 0.0f;
    HingePointMapp(set, 1.2f * loading, 0.01f, frame.baseline, &further, nullptr, nullptr);
    EXPECT_GT(further, r);
    float none = -1.0f;
    EXPECT_EQ(HingePointMapp(set, 100.0f, 0.01f, frame.baseline, &none, nullptr, nullptr), 0.0f);
    EXPECT_EQ(none, -1.0f);
}

TEST_F(MStarTransform, LoadingSignalOfAFlatProfileIsItsLevel) {
    // The interval that reaches beyond R was counted once with the data and again with the
    // extrapolation: 0.3 % too much on a flat profile.
    Species();
    for (int i = 1; i <= set.pointCount; ++i)
        if (set.radius[std::size_t(i)] > frame.meniscus)
            set.signal[std::size_t(i)] = set.workSignal[std::size_t(i)] = 1.0f;
    MS::meniscusExtrapolationOrder = 1;
    ComputeMStarSet(set, frame, k);
    EXPECT_NEAR(EstimateLoadingSignal(set, frame), 1.0, 2e-5);
}

TEST_F(MStarTransform, TooFewPointsForAnOrderKeepThePreviousResult) {
    Species();
    ComputeMStarSet(set, frame, k);
    const float a = set.meniscusSignal, mw = set.mwAverage;
    MS::meniscusFitRange[2] = MS::meniscusFitRange[1] + 0.0015f; // two points
    MS::bottomFitRange[2] = MS::bottomFitRange[1] + 0.0015f;
    TakeErrorBoxes();
    EXPECT_FALSE(ExtrapolateSignalToMeniscus(set, frame));
    EXPECT_FALSE(ExtrapolateMStarToBottom(set, frame));
    EXPECT_EQ(set.meniscusSignal, a);
    EXPECT_EQ(set.mwAverage, mw);
    const std::vector<ErrorBoxEntry> boxes = TakeErrorBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "Error: extrapolation order higher than number of data points");
}

// The fit range of a working copy covers the same data points whatever padding surrounds them.
// The last index was shifted by the bottom padding (or not at all), running past the right limit
// or ending early, and unset (0) indices were shifted as numbers into the padding.
TEST_F(MStarTransform, FitIndicesFollowTheDataPastTheFrontPadding) {
    struct Case {
        const char* name;
        float firstRadius; // data from here in 0.001 cm steps, 100 points
        int firstFit, lastFit;
        float firstRadiusFit, lastRadiusFit; // the data points the range must cover
    };
    const Case cases[] = {
        {"padding in front and behind", 6.950f, 11, 90, 6.960f, 7.039f},
        {"little padding in front", 6.905f, 11, 90, 6.915f, 6.994f},
        {"unset indices: every point", 6.950f, 0, 0, 6.950f, 7.049f},
        {"a last index beyond the data: the last point", 6.950f, 11, 500, 6.960f, 7.049f},
    };
    for (const Case& c : cases) {
        std::vector<float> r(1, 0.0f), y(1, 0.0f);
        for (int i = 0; i < 100; ++i) {
            r.push_back(c.firstRadius + 0.001f * float(i));
            y.push_back(0.5f);
        }
        MStarSet s;
        PrepareMStarSet(s, r.data(), y.data(), 100, c.firstFit, c.lastFit, 6.9f, 7.2f);
        EXPECT_GT(s.meniscusPad, 0) << c.name;
        EXPECT_NE(s.meniscusPad, s.bottomPad) << c.name;
        EXPECT_NEAR(s.radius[std::size_t(s.firstIndex)], c.firstRadiusFit, 1e-5) << c.name;
        EXPECT_NEAR(s.radius[std::size_t(s.lastIndex)], c.lastRadiusFit, 1e-5) << c.name;
    }
}

TEST_F(MStarTransform, PolyfitAgainstKnownPolynomials) {
    struct Case {
        const char* name;
        int order;
        std::vector<double> x, y;
        double (*truth)(double);
        bool fits;
    };
    const std::vector<Case> cases = {
        {"parabola through three points",
         2,
         {0, 7.0, 7.1, 7.2},
         {0, 1, 2, 5},
         [](double x) { return 1.0 + 100.0 * (x - 7.0) * (x - 7.0); },
         true},
        {"order 0 is the mean", 0, {0, 1, 2, 3}, {0, 1, 2, 6}, [](double) { return 3.0; }, true},
        {"line through noisy-free points",
         1,
         {0, 6.9, 7.0, 7.1, 7.2},
         {0, 0.5, 0.7, 0.9, 1.1},
         [](double x) { return 0.5 + 2.0 * (x - 6.9); },
         true},
        {"one abscissa cannot carry a line", 1, {0, 7, 7, 7}, {0, 1, 2, 3}, nullptr, false},
    };
    const std::vector<float> xOut = {0, 6.95f, 7.05f, 7.15f};
    for (const Case& c : cases) {
        std::vector<float> yOut(4, -7.0f);
        TakeErrorBoxes();
        EXPECT_EQ(polyfit(c.order, c.x.data(), c.y.data(), int(c.x.size()) - 1, xOut.data(),
                          yOut.data(), 3),
                  c.fits)
            << c.name;
        for (int i = 1; i <= 3; ++i)
            EXPECT_NEAR(yOut[std::size_t(i)], c.fits ? c.truth(xOut[std::size_t(i)]) : -7.0, 1e-4)
                << c.name;
        EXPECT_EQ(TakeErrorBoxes().size(), c.fits ? 0u : 1u) << c.name;
    }
    // The grid: ends of the window included, 0 outside; a negative order clears yOut only.
    const std::vector<double> x = {0, 1, 2}, y = {0, 3, 5};
    std::vector<float> grid = {0, 0.5f, 1.0f, 2.0f, 2.5f}, gridY(5, 9.0f), out(4, 9.0f);
    polyfit(1, x.data(), y.data(), 2, xOut.data(), out.data(), 3, grid.data(), gridY.data(), 4,
            1.0f, 2.0f);
    EXPECT_EQ(gridY, (std::vector<float>{9.0f, 0.0f, 3.0f, 5.0f, 0.0f}));
    polyfit(-1, x.data(), y.data(), 2, xOut.data(), out.data(), 3, grid.data(), gridY.data(), 4,
            1.0f, 2.0f);
    EXPECT_EQ(out, (std::vector<float>{9.0f, 0.0f, 0.0f, 0.0f}));
    EXPECT_EQ(gridY[2], 3.0f);
}

TEST_F(MStarTransform, BaselineEstimate) {
    // For j = A (exp(s d / 2) - 1), d = r^2 - m^2, the points (p, q) lie on a line of intercept
    // s A / 2 and slope s, so the estimate is -A.
    const float a = 0.3f, s = 4.0f;
    std::vector<float> r(1, 0.0f), j(1, 0.0f);
    for (int i = 0; i <= 300; ++i) {
        r.push_back(float(m) + 0.001f * float(i));
        const double d = double(r.back()) * r.back() - m * m;
        j.push_back(float(a * (std::exp(s * d / 2.0) - 1.0)));
    }
    set.pointCount = 301;
    set.workRadius = r;
    set.workSignal = j;
    BaselineEstimate estimate;
    ASSERT_TRUE(EstimateBaseline(set, float(m), 20, 60, estimate));
    EXPECT_NEAR(estimate.baseline, -a, 0.01 * a);

    struct Case {
        const char* name;
        int first, last;
        std::vector<float> signal;
    };
    // A flat line (j proportional to d) gave -2 x intercept / 0 = inf as the baseline.
    std::vector<float> proportional(1, 0.0f);
    for (int i = 1; i <= 301; ++i)
        proportional.push_back(2.0f * (r[std::size_t(i)] * r[std::size_t(i)] - float(m * m)));
    for (const Case& c : {Case{"one point", 30, 30, j}, Case{"no slope", 20, 60, proportional}}) {
        set.workSignal = c.signal;
        BaselineEstimate none;
        none.baseline = 0.123f;
        TakeErrorBoxes();
        EXPECT_FALSE(EstimateBaseline(set, float(m), c.first, c.last, none)) << c.name;
        EXPECT_EQ(none.baseline, 0.123f) << c.name;
        EXPECT_EQ(TakeErrorBoxes().size(), 1u) << c.name;
    }
}

} // namespace
