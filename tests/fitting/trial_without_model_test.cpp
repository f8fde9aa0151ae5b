// The trials that are no model, against values worked out by hand: the fastest s that still
// leaves a boundary in the cell at the earliest scan, and the 1 Da floor of a molar mass.
#include "fitting/trial_without_model.h"
#include "scandata/scan_store_alloc.h"
#include "state/fit_control.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/reset_all_state.h"
#include "support/velocity_store.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

using M = ModelParameters;
using S = ScanStore;

class TrialWithoutModel : public ::testing::Test {
  protected:
    void SetUp() override { ResetAllState(); }
    void TearDown() override { ResetAllState(); }
};

// The verdict on one free slot holding value.
NoModel Verdict(int slot, double value) {
    const std::vector<double> p = {0.0, value};
    return NoModelBeforeEvaluation({slot}, p.data());
}

TEST_F(TrialWithoutModel, TheBoundOnSAndTheMassFloorAreTheHandValues) {
    // Three scans, meniscus 6.0 cm and bottom 7.2 cm unless floated wider; the bound is
    // ln(bottom / meniscus) / (omega^2 t of the earliest scan) x 1e13 S, at most 1e5 S.
    //   recorded omega^2 t 3e10, 2e10, 4e10:  ln(7.2 / 6.0) = 0.18232156 / 2e10 x 1e13 = 91.160778
    //   none recorded, 60000 rpm at 500 s (the earliest of 500, 1000, 1500 s):
    //     omega = 60000 pi / 30 = 6283.1853 rad/s, omega^2 = 3.9478418e7, x 500 = 1.9739209e10,
    //     0.18232156 / 1.9739209e10 x 1e13 = 92.365180
    //   meniscus floated down to 5.9: ln(7.2 / 5.9) = 0.19912868 / 2e10 x 1e13 = 99.564338
    //   meniscus floated, its lower bound 6.1 above it: the meniscus stands, 91.160778
    //   bottom floated up to 7.3: ln(7.3 / 6.0) = 0.19611488 / 2e10 x 1e13 = 98.057439
    //   both: ln(7.3 / 5.9) = 0.21292208 / 2e10 x 1e13 = 106.46100
    //   earliest omega^2 t 1e7: 0.18232156 / 1e7 x 1e13 = 182321.56, above the 1e5 of a particle
    //   a measured initial distribution: the particle's 1e5 alone
    struct Case {
        const char* name;
        double omega2t[3];                          // recorded, or 0: from speed and time
        float meniscusMin = 0.0f, bottomMax = 0.0f; // > 0: floated to this bound
        bool measuredStart = false;
        double bound = 0.0; // S
    } const cases[] = {
        {"recorded omega^2 t", {3e10, 2e10, 4e10}, 0.0f, 0.0f, false, 91.160778},
        {"from speed and time", {0.0, 0.0, 0.0}, 0.0f, 0.0f, false, 92.365180},
        {"meniscus floated down", {3e10, 2e10, 4e10}, 5.9f, 0.0f, false, 99.564338},
        {"meniscus bound above it", {3e10, 2e10, 4e10}, 6.1f, 0.0f, false, 91.160778},
        {"bottom floated up", {3e10, 2e10, 4e10}, 0.0f, 7.3f, false, 98.057439},
        {"both floated", {3e10, 2e10, 4e10}, 5.9f, 7.3f, false, 106.46100},
        {"very early scan", {3e10, 1e7, 4e10}, 0.0f, 0.0f, false, 1e5},
        {"measured start", {3e10, 2e10, 4e10}, 0.0f, 0.0f, true, 1e5},
    };
    const int sSlot = M::maxSpecies + 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetAllState();
        VelocitySet set;
        set.scans = 3;
        set.points = 61;
        FillVelocityStore(set);
        for (int k = 1; k <= 3; ++k) {
            S::header[k].omega2t = c.omega2t[k - 1];
            S::header[k].rotorSpeed = 60000.0f;
            S::header[k].time = 500.0 * k;
        }
        M::meniscusFloat = c.meniscusMin > 0.0f;
        FitControl::meniscusMin = c.meniscusMin;
        M::bottomFloat = c.bottomMax > 0.0f;
        FitControl::bottomMax = c.bottomMax;
        M::experimentalInitialDistribution = c.measuredStart;
        EXPECT_NEAR(FastestSedimentation(), c.bound, 1e-6 * c.bound);
        for (const double sign : {1.0, -1.0}) {
            EXPECT_EQ(Verdict(sSlot, sign * 0.9999 * c.bound), NoModel::None) << sign;
            EXPECT_EQ(Verdict(sSlot, sign * 1.0001 * c.bound), NoModel::BeyondTheCell) << sign;
        }
    }
    // The floor of 1 Da holds for a molar mass only, not for a D nor an s.
    const struct {
        bool massForm;
        int slot;
        double value;
        NoModel verdict;
    } masses[] = {
        {true, 1, 1.0, NoModel::None},       {true, 1, 0.999, NoModel::LightMass},
        {true, 1, -5.0, NoModel::LightMass}, {true, 2, 0.5, NoModel::LightMass},
        {false, 1, 0.5, NoModel::None},      {true, sSlot, 0.5, NoModel::None},
    };
    for (const auto& c : masses) {
        ResetAllState();
        VelocitySet set;
        set.scans = 3;
        set.points = 61;
        FillVelocityStore(set);
        ModelChoice::equilibriumMs = c.massForm;
        EXPECT_EQ(Verdict(c.slot, c.value), c.verdict)
            << "slot " << c.slot << " value " << c.value << " mass form " << c.massForm;
    }
}

} // namespace
