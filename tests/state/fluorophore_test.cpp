// The photophysics factor of a fluorophore against hand computations: the exponential approach to
// the limiting level, restarted at each reset of the illumination with that reset's level.
#include "state/fluorophore.h"

#include <cmath>
#include <gtest/gtest.h>
#include <type_traits>

TEST(Fluorophore, PhotophysicsFactorFollowsTheResets) {
    CFluorophore fresh;
    for (double t : {0.0, 3600.0, 1e6})
        EXPECT_EQ(fresh.SignalFraction(t, 1), 1.0) << t;

    CFluorophore f;
    f.bleachingRate[1] = -0.5f; // the magnitude counts
    f.bleachingPlateau[1] = 0.2f;
    f.recovery = true;
    f.recoveryTimeCount = 2;
    f.recoveryTimes = {0.0f, 3600.0f, 7200.0f};
    f.recoveryLevels[1] = {0.0f, 0.9f, 0.6f};
    auto e = [](double since) { return 0.2 + 0.8 * std::exp(-0.5 * since / 3600.0); };
    struct Case {
        double t, expected;
    } cases[] = {
        {1800.0, e(1800.0)},       // before the first reset: from zero, level 1
        {3600.0, e(3600.0)},       // exactly at a reset: still the time before it
        {5400.0, 0.9 * e(1800.0)}, // after reset 1
        {7200.0, 0.9 * e(3600.0)}, {9000.0, 0.6 * e(1800.0)}, // after reset 2
    };
    for (const Case& c : cases)
        EXPECT_NEAR(f.SignalFraction(c.t, 1), c.expected, 1e-6) << c.t;
    // Hand value: 0.2 + 0.8 e^-0.25 = 0.823040, times 0.9.
    EXPECT_NEAR(f.SignalFraction(5400.0, 1), 0.9 * 0.8230403, 1e-6);

    // A limiting level below zero: the factor stops at 0 instead of turning negative.
    CFluorophore g;
    g.bleachingRate[1] = 1.0f;
    g.bleachingPlateau[1] = -0.5f;
    EXPECT_EQ(g.SignalFraction(36000.0, 1), 0.0);
    EXPECT_NEAR(g.SignalFraction(3600.0, 1), -0.5 + 1.5 * std::exp(-1.0), 1e-6);
}

// The batch fits put the whole record back before each data set: every field, fit flags and
// depletion included, survives a Take and PutBack across a reset.
TEST(DetectionCorrectionsSnapshot, PutsEveryFieldBack) {
    DetectionCorrections::ResetToDefaults();
    const DetectionCorrectionsSnapshot initial = DetectionCorrectionsSnapshot::Take();
    float next = 0.0f;
    auto change = [&next](auto& field) {
        using T = std::remove_reference_t<decltype(field)>;
        if constexpr (std::is_same_v<T, bool>)
            field = !field;
        else if constexpr (std::is_same_v<T, float>)
            field = (next += 1.5f);
        else
            field = T(field + 2);
    };
#define CHANGE_FIELD(type, name) change(DetectionCorrections::name);
    TARNIX_DETECTION_CORRECTION_FIELDS(CHANGE_FIELD)
#undef CHANGE_FIELD
    const DetectionCorrectionsSnapshot changed = DetectionCorrectionsSnapshot::Take();
#define EXPECT_FIELD_CHANGED(type, name) EXPECT_NE(changed.name, initial.name) << #name;
    TARNIX_DETECTION_CORRECTION_FIELDS(EXPECT_FIELD_CHANGED)
#undef EXPECT_FIELD_CHANGED
    DetectionCorrections::ResetToDefaults();
    EXPECT_EQ(DetectionCorrectionsSnapshot::Take(), initial);
    changed.PutBack();
    EXPECT_EQ(DetectionCorrectionsSnapshot::Take(), changed);
    EXPECT_EQ(DetectionCorrections::nonlinearShowTransformed, changed.nonlinearDomain);
    DetectionCorrections::ResetToDefaults();
}
