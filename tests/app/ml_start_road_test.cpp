// Levenberg-Marquardt from a start away from the truth, through the menu: two species generated
// (4 S / 50 kDa / 0.35 OD and 8 S / 140 kDa / 0.15 OD, noise 0.005), loaded, started 25% off with
// the meniscus floated, and fitted: Levenberg-Marquardt reaches the truth and the noise as simplex
// and annealing do, with linear amplitudes (the least squares' of either sign) too.
#include "app/params_box.h"
#include "foundations/random_numbers.h"
#include "scandata/fit_limits.h"
#include "scandata/scan_store_alloc.h"
#include "state/fit_control.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/generated_scans.h"
#include "support/main_window_fixture.h"
#include "support/typed_components.h"

#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using M = ModelParameters;
constexpr int kScans = 40;

// Species k typed and its s and M floated; the loading floated as asked.
void TypeStart(plat::test::Step& step, int k, const char* loading, const char* s, const char* mKDa,
               bool floatLoading) {
    TypeSpecies(step, k, loading, s, mKDa, true, true);
    step.check(SpeciesControlId(k, kLoadingItem + 1), floatLoading);
}

bool Near(double value, double truth, double tolerance) {
    return std::fabs(value / truth - 1.0) <= tolerance;
}

std::string Values() {
    char text[200];
    std::snprintf(text, sizeof text, "s %g %g S, M %g %g Da, loadings %g %g, meniscus %g, rmsd %g",
                  M::speciesS[1], M::speciesS[2], M::speciesDOrM[1], M::speciesDOrM[2],
                  M::concentration[1], M::concentration[2], M::meniscus, FitControl::bestRmsd);
    return text;
}

// Species 1 holds the total loading, species 2 its fraction.
struct Start {
    const char* name;
    const char *s1, *m1, *s2, *m2, *total, *fraction;
    bool linear; // loadings as linear amplitudes, else floated
};

TEST(MLStartRoad, ConvergesFromStartsAwayFromTheTruthAsTheOtherOptimisersDo) {
    MainWindowFixture f(900, 650);
    SeedGaussRandom(31);
    // The first species holds the total loading (0.35 + 0.15 OD), the second its fraction.
    GenerateTwoSpecies(f, kScans, {"0.5", "4", "50"}, {"0.3", "8", "140"});
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    LoadGeneratedScans(f, kScans, false);
    ASSERT_EQ(ScanStore::scanCount, kScans) << f.script.logText();
    Send(f, 198);
    f.script.expectBox().caption("SET PREFERENCE").text("save as default setting?").answer(IDNO);
    Send(f, 824);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    const Start starts[] = {
        {"25% high, loadings fitted", "5", "62.5", "10", "175", "0.625", "0.375", false},
        {"25% low, loadings fitted", "3", "37.5", "6", "105", "0.375", "0.225", false},
        {"25% high, linear amplitudes", "5", "62.5", "10", "175", "0.625", "0.375", true},
        {"25% low, linear amplitudes", "3", "37.5", "6", "105", "0.375", "0.225", true},
    };
    // Any box (once "zero differential in mlcof", twice, before a result far from the truth)
    // fails the test.
    for (const Start& s : starts) {
        auto& start = f.script.expectDialog(kDiscreteParamsDialogId);
        TypeStart(start, 1, s.total, s.s1, s.m1, !s.linear);
        TypeStart(start, 2, s.fraction, s.s2, s.m2, !s.linear);
        start.set(kMeniscusId, "6.0").check(kMeniscusFloatId).check(kLinearAmplitudesId, s.linear);
        start.ok();
        Send(f, 212);
        Send(f, 215);
        EXPECT_TRUE(f.script.done()) << s.name << "\n" << f.script.logText();
        const bool truth = Near(M::speciesS[1], 4.0, 0.01) && Near(M::speciesS[2], 8.0, 0.01) &&
                           Near(M::speciesDOrM[1], 50000.0, 0.05) &&
                           Near(M::speciesDOrM[2], 140000.0, 0.05) &&
                           Near(FitControl::bestRmsd, 0.005, 0.06);
        EXPECT_TRUE(truth) << s.name << ": " << Values();
    }
}

} // namespace
