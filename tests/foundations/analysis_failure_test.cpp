// The one table of analysis failures: the code a batch stores and writes, the box otherwise,
// and the numbers a message carries below its text.
#include "foundations/analysis_failure.h"
#include "foundations/error_box_log.h"
#include "state/serial_fit_state.h"
#include "support/reset_all_state.h"

#include <gtest/gtest.h>
#include <string>

TEST(AnalysisFailure, ReachesTheBatchAsItsCodeAndTheUserAsItsBox) {
    struct Case {
        AnalysisFailure failure;
        std::string detail;
        int code;
        const char* box; // what the box says outside a batch
        const char* batchLine;
    } cases[] = {
        {AnalysisFailure::NnlsIterations, "", 1, "max #iteration exceeded in NNLS",
         "max #iteration exceeded in NNLS"},
        {AnalysisFailure::RegularizationUnreachable, "chi-square ratio 1.2 reached", 3,
         "problem in regularization, cannot reach chi-square increase\nchi-square ratio 1.2 "
         "reached",
         "problem in regularization, cannot reach chi-square increase"},
        {AnalysisFailure::RootNotBracketed, "", 5, "too many iterations finding root",
         "too many iterations finding root"},
        {AnalysisFailure::RootIterations, "", 8, "too many iterations finding root",
         "too many iterations finding root"},
        {AnalysisFailure::SimplexNotConverged, "", 10, "Nelder-Mead not converged",
         "Nelder-Mead not converged"},
        {AnalysisFailure::AnalysisNotSaved, "/data/run 1/~tmppars.RA1", 11,
         "could not open /data/run 1/~tmppars.RA1", "error occured (invalid error code)"},
    };
    for (const Case& c : cases) {
        ResetAllState();
        TakeErrorBoxes();
        SerialFitState::serializing = true;
        ReportAnalysisFailure(c.failure, c.detail);
        EXPECT_EQ(SerialFitState::errorCode, c.code) << c.box;
        EXPECT_TRUE(TakeErrorBoxes().empty()) << c.box;
        EXPECT_STREQ(BatchErrorText(SerialFitState::errorCode), c.batchLine);

        SerialFitState::serializing = false;
        SerialFitState::errorCode = 0;
        ReportAnalysisFailure(c.failure, c.detail);
        const auto boxes = TakeErrorBoxes();
        ASSERT_EQ(boxes.size(), 1u) << c.box;
        EXPECT_EQ(boxes[0].text, c.box);
        EXPECT_EQ(SerialFitState::errorCode, 0) << c.box;
    }
    // No failure: no code, no box.
    SerialFitState::serializing = true;
    ReportAnalysisFailure(AnalysisFailure::None);
    EXPECT_EQ(SerialFitState::errorCode, 0);
    SerialFitState::serializing = false;
    ReportAnalysisFailure(AnalysisFailure::None, "ignored");
    EXPECT_TRUE(TakeErrorBoxes().empty());
    EXPECT_STREQ(BatchErrorText(0), "");
    EXPECT_STREQ(BatchErrorText(99), "error occured (invalid error code)");
    EXPECT_STREQ(BatchErrorText(static_cast<int>(AnalysisFailure::ModelNotAvailable)),
                 "error occured (invalid error code)");
    ResetAllState();
}
