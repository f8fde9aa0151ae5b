// The fluorophores' lists: the recovery chain worked by hand, the adjustable values out and back
// in order, the variation switches, and the saved list of a set whose length the layout fixes and
// whose damaged forms are refused without a change.
#include "foundations/error_box_log.h"
#include "tools/fluorophore_lists.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Boxes() {
    std::vector<std::string> texts;
    for (const ErrorBoxEntry& e : TakeErrorBoxes())
        texts.push_back(e.text);
    return texts;
}

// Two wavelengths, four recovery times at 1 .. 4 h.
CFluorophore FourResets() {
    CFluorophore f;
    SetWavelengthCount(f, 2);
    const float times[] = {0.0f, 3600.0f, 7200.0f, 10800.0f, 14400.0f};
    SetResetTimes(f, 4, times);
    f.recovery = true;
    return f;
}

} // namespace

TEST(FluorophoreLists, RecoveryChainAndResetTimes) {
    struct Case {
        const char* name;
        bool multiplicative;
        int first, last;
        float expected[5];
    } cases[] = {
        {"multiplicative 1..4", true, 1, 4, {0, 0.9f, 0.81f, 0.729f, 0.6561f}},
        {"equal levels 1..4", false, 1, 4, {0, 0.9f, 0.9f, 0.9f, 0.9f}},
        {"range given backwards, past the end", true, 9, 2, {0, 0.9f, 0.5f, 0.45f, 0.405f}},
        {"range 2..3 leaves reset 4", false, 2, 3, {0, 0.9f, 0.5f, 0.5f, 0.5f}},
    };
    for (const Case& c : cases) {
        CFluorophore f = FourResets();
        for (int l = 1; l <= 2; ++l)
            for (int i = 1; i <= 4; ++i)
                LoadRecoveryLevels(f, l, i, i == 1 ? 0.9f : 0.5f);
        f.fitRecovery = {0, 1, 1, 1, 1};
        f.chainRecovery = true;
        f.chainMultiplicative = c.multiplicative;
        f.chainFirst = c.first;
        f.chainLast = c.last;
        ConstrainRecovery(f);
        for (int l = 1; l <= 2; ++l)
            for (int i = 1; i <= 4; ++i)
                EXPECT_NEAR(f.recoveryLevels[l][i], c.expected[i], 1e-6) << c.name << " " << i;
        // Chained levels are not adjustable; the first of the range is.
        EXPECT_EQ(f.fitRecovery[f.chainFirst], 1) << c.name;
        for (int i = f.chainFirst + 1; i <= f.chainLast; ++i)
            EXPECT_EQ(f.fitRecovery[i], 0) << c.name << " " << i;
    }

    // The same count again keeps levels and switches; another count starts them afresh.
    CFluorophore f = FourResets();
    LoadRecoveryLevels(f, 2, 3, 0.7f);
    f.fitRecovery[3] = 1;
    const float later[] = {0.0f, 100.0f, 200.0f, 300.0f, 400.0f};
    SetResetTimes(f, 4, later);
    EXPECT_EQ(f.recoveryTimes[4], 400.0f);
    EXPECT_EQ(f.recoveryLevels[2][3], 0.7f);
    EXPECT_EQ(f.fitRecovery[3], 1);
    SetResetTimes(f, 2, later);
    EXPECT_EQ(f.recoveryLevels[2][2], 1.0f);
    EXPECT_EQ(f.fitRecovery[2], 0);

    // Indices past the counts are reported and set nothing.
    Boxes();
    LoadRecoveryLevels(f, 3, 1, 0.1f);
    LoadRecoveryLevels(f, 1, 5, 0.1f);
    EXPECT_EQ(Boxes(), (std::vector<std::string>{
                           "LoadRecoveryLevels error: wl index exceeding nWavelengths",
                           "LoadRecoveryLevels error: n index exceeding nResetTimes"}));
}

TEST(FluorophoreLists, AdjustableValuesGoOutAndBackInOrder) {
    CFluorophore f = FourResets();
    f.bleachingRate[1] = 0.4f;
    f.bleachingPlateau[1] = 0.3f;
    LoadRecoveryLevels(f, 1, 2, 0.8f);
    LoadRecoveryLevels(f, 1, 4, 0.6f);
    f.fitRate = f.fitLimitingLevel = true;
    f.fitRecovery = {0, 0, 1, 0, 1};
    std::vector<float> list(1 + 12, -1.0f); // capacity (4 + 2) x 2
    ASSERT_EQ(CreateListOfAdjustableParameters(f, 12, list.data()), 4);
    EXPECT_EQ(std::vector<float>(list.begin() + 1, list.begin() + 5),
              (std::vector<float>{0.4f, 0.3f, 0.8f, 0.6f}));

    const float back[] = {0.0f, 1.1f, 0.2f, 0.95f, 0.5f};
    ASSERT_TRUE(ApplyListOfAdjustableParameters(f, back, 4));
    for (int l = 1; l <= 2; ++l) { // one value for every wavelength
        EXPECT_EQ(f.bleachingRate[l], 1.1f);
        EXPECT_EQ(f.bleachingPlateau[l], 0.2f);
        EXPECT_EQ(f.recoveryLevels[l][2], 0.95f);
        EXPECT_EQ(f.recoveryLevels[l][4], 0.5f);
    }

    // Too small a list and a wrong count are reported and change nothing.
    Boxes();
    EXPECT_EQ(CreateListOfAdjustableParameters(f, 11, list.data()), 0);
    EXPECT_FALSE(ApplyListOfAdjustableParameters(f, back, 3));
    EXPECT_EQ(f.bleachingRate[1], 1.1f);
    EXPECT_EQ(Boxes(), (std::vector<std::string>{
                           "too few parameters in CFluorophore::CreateListOfAdjustableParameters",
                           "wrong number of parameters in "
                           "CFluorophore::ApplyListOfAdjustableParameters"}));
    // Without recovery no level is adjustable.
    f.recovery = false;
    EXPECT_EQ(CountAdjustableParameters(f), 2);
}

namespace {

// Three fluorophores, the second inactive; shared recovery times at 1 and 2 h.
CAllFluorophores ThreeFluorophores() {
    CAllFluorophores set;
    set.SetFluorophoreCount(3);
    const float times[] = {0.0f, 3600.0f, 7200.0f};
    set.SetSharedResetTimes(2, times);
    for (int i = 1; i <= 3; ++i) {
        CFluorophore& f = set.Fluorophore(i);
        set.SetActive(i, i != 2);
        f.bleachingRate[1] = 0.1f * float(i);
        f.bleachingPlateau[1] = 0.5f;
        f.fitRate = true;
    }
    set.Fluorophore(3).recovery = true;
    set.Fluorophore(3).fitRecovery = {0, 1, 0};
    LoadRecoveryLevels(set.Fluorophore(3), 1, 1, 0.85f);
    set.furtherFit[2] = true;
    set.further[2] = 1.5f;
    return set;
}

} // namespace

TEST(FluorophoreLists, SetListsTakeTheActiveFluorophoresAndTheFurtherValues) {
    CAllFluorophores set = ThreeFluorophores();
    ASSERT_EQ(set.CountAllAdjustable(), 4);
    std::vector<float> list(1 + 40, 0.0f);
    ASSERT_EQ(set.CreateAllParameterList(40, list.data()), 4);
    EXPECT_EQ(std::vector<float>(list.begin() + 1, list.begin() + 5),
              (std::vector<float>{0.1f, 0.3f, 0.85f, 1.5f}));
    const float back[] = {0.0f, 0.7f, 0.9f, 0.75f, 2.5f};
    ASSERT_TRUE(set.ApplyListOfAdjustableParameters(back, 4));
    EXPECT_EQ(set.Fluorophore(1).bleachingRate[1], 0.7f);
    EXPECT_EQ(set.Fluorophore(2).bleachingRate[1], 0.2f); // inactive: untouched
    EXPECT_EQ(set.Fluorophore(3).bleachingRate[1], 0.9f);
    EXPECT_EQ(set.Fluorophore(3).recoveryLevels[1][1], 0.75f);
    EXPECT_EQ(set.further[2], 2.5f);

    // Variation: rate, plateau and one switch per recovery time for each active fluorophore.
    std::vector<float> variation = set.CreateListOfVariation();
    EXPECT_EQ(std::vector<float>(variation.begin() + 1, variation.end()),
              (std::vector<float>{1, 0, 0, 0, 1, 0, 1, 0, 0, 1, 0}));
    variation[2] = 1.0f; // the first fluorophore's plateau
    variation[7] = 0.0f; // the third's first recovery level
    ASSERT_TRUE(set.ApplyListOfVariation(variation));
    EXPECT_TRUE(set.Fluorophore(1).fitLimitingLevel);
    EXPECT_EQ(set.Fluorophore(3).fitRecovery[1], 0);
    Boxes();
    variation.pop_back();
    EXPECT_FALSE(set.ApplyListOfVariation(variation));
    EXPECT_FALSE(set.ApplyListOfAdjustableParameters(back, 3));
    EXPECT_EQ(
        Boxes(),
        (std::vector<std::string>{
            "wrong number of parameters in CAllFluorophores::ApplyListOfVariation",
            "wrong number of parameters in CAllFluorophores::ApplyListOfAdjustableParameters"}));

    // Two active fluorophores without recovery and with the same rate cannot be told apart.
    EXPECT_FALSE(set.HasSharedFluorophoreRates());
    set.Fluorophore(3).recovery = false;
    set.Fluorophore(3).bleachingRate[1] = set.Fluorophore(1).bleachingRate[1];
    EXPECT_TRUE(set.HasSharedFluorophoreRates());

    // Changes are told against the saved copy once the active index exists.
    Boxes();
    EXPECT_TRUE(set.DidFluorophoreParameterChange(1));
    EXPECT_EQ(Boxes(),
              (std::vector<std::string>{
                  "ActiveIndex not defined in CFluorophore::DidFluorophoreParameterChange"}));
    set.BuildActiveIndex();
    EXPECT_EQ(set.ActiveCount(), 2);
    set.SaveFluorophoreCopy(1);
    EXPECT_FALSE(set.DidFluorophoreParameterChange(1));
    set.Fluorophore(1).bleachingPlateau[1] = 0.6f;
    EXPECT_TRUE(set.DidFluorophoreParameterChange(1));
}

TEST(FluorophoreLists, SavedListHasItsLayoutsLengthAndRefusesDamage) {
    CAllFluorophores set = ThreeFluorophores();
    SetWavelengthCount(set.Fluorophore(2), 3);
    set.Fluorophore(3).chainRecovery = true;
    set.Fluorophore(3).chainLast = 2;
    const std::vector<float> list = set.CreateListOfTotalNumberOfParametersToBeSaved();
    // n + 2 + m + 7, and 9 + 3w + 2m + mw per fluorophore (w = 1, 3, 1; m = 2 each).
    const int expected = 3 + 2 + 2 + 7 + (9 + 3 + 4 + 2) + (9 + 9 + 4 + 6) + (9 + 3 + 4 + 2);
    EXPECT_EQ(set.CountParametersToBeSaved(), expected);
    ASSERT_EQ(int(list.size()) - 1, expected);

    CAllFluorophores restored;
    ASSERT_TRUE(restored.RestoreListofTotalNumberOfParametersToBeSaved(list));
    EXPECT_EQ(restored.CreateListOfTotalNumberOfParametersToBeSaved(), list);
    EXPECT_TRUE(IsEqual(restored.Fluorophore(2), set.Fluorophore(2)));
    EXPECT_TRUE(restored.Active(3));
    EXPECT_FALSE(restored.Active(2));

    Boxes();
    for (std::vector<float> damaged : {std::vector<float>(list.begin(), list.end() - 1),
                                       [&] {
                                           std::vector<float> longer = list;
                                           longer.push_back(0.0f);
                                           return longer;
                                       }(),
                                       [&] {
                                           std::vector<float> wrongCount = list;
                                           wrongCount[1] = 2.5f;
                                           return wrongCount;
                                       }()}) {
        EXPECT_FALSE(restored.RestoreListofTotalNumberOfParametersToBeSaved(damaged));
        EXPECT_EQ(restored.CreateListOfTotalNumberOfParametersToBeSaved(), list);
    }
    EXPECT_EQ(Boxes().size(), 3u);
}
