// The buffer's floated values: which ones a fit takes from the dialog's boxes, and the box its
// trials are held in (a reference meniscus inside the cell, D within the solver's range).
#include "fitting/buffer_fit_parameters.h"
#include "state/buffer_sedimentation.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/reset_all_state.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

using B = BufferSedimentation;
using P = BufferParameter;

// The meniscus difference and relative concentration float only with a meniscus mismatch, the
// reference's values only with a different reference buffer, the signal only when asked.
TEST(BufferFitParameters, FloatedFollowTheirSwitches) {
    ResetAllState();
    B::floatSampleD = B::floatSignal = B::floatMeniscusDifference = true;
    B::floatReferenceS = true;
    EXPECT_TRUE(FloatedBufferParameters(true).empty()) << "correction off";
    B::on = true;
    EXPECT_EQ(FloatedBufferParameters(true), (std::vector<P>{P::SampleD, P::Signal}));
    EXPECT_EQ(FloatedBufferParameters(false), (std::vector<P>{P::SampleD}));
    B::meniscusMismatch = B::differentReference = true;
    EXPECT_EQ(FloatedBufferParameters(false),
              (std::vector<P>{P::SampleD, P::MeniscusDifference, P::ReferenceS}));
    ResetAllState();
}

// Trials outside the box are held at its edge: the reference meniscus (meniscus - difference)
// stays 0.05 cm inside (0, bottom), D inside 0.01..1000, Mb at least 10 in the M-and-s form.
TEST(BufferFitParameters, TrialsStayInsideTheirBox) {
    ResetAllState();
    ModelParameters::meniscus = 6.0f;
    ModelParameters::bottom = 7.2f;
    struct Case {
        const char* name;
        bool massForm;
        P p;
        double trial, kept;
    } cases[] = {
        {"reference meniscus below the bottom", false, P::MeniscusDifference, -1.5, -1.15},
        {"reference meniscus above the axis", false, P::MeniscusDifference, 6.5, 5.95},
        {"difference inside", false, P::MeniscusDifference, 0.1, 0.1},
        {"negative D", false, P::SampleD, -3.0, 0.01},
        {"huge D", false, P::ReferenceD, 5000.0, 1000.0},
        {"small Mb", true, P::SampleD, 2.0, 10.0},
        {"negative relative concentration", false, P::RelativeConcentration, -1.0, 1e-6},
        {"negative s is a floating buffer", false, P::SampleS, -0.3, -0.3},
    };
    for (const Case& c : cases) {
        ModelChoice::equilibriumMs = c.massForm;
        WriteBufferParameter(c.p, c.trial);
        EXPECT_NEAR(ReadBufferParameter(c.p), c.kept, 1e-6) << c.name;
    }
    ResetAllState();
}

} // namespace
