// The noise commands of the Display menu on loaded scans: their advice boxes, when they act,
// and the data range they show.
#include "plotting/win_plot.h"
#include "scandata/scan_store_alloc.h"
#include "state/buffer_sedimentation.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/plot_interaction_state.h"
#include "state/preference_switches.h"
#include "state/realtime_state.h"
#include "support/main_window_fixture.h"

#include <gtest/gtest.h>

namespace {

using S = ScanStore;

class NoiseCommands : public ::testing::Test {
  protected:
    NoiseCommands() {
        f.LoadScans(3, 60);
        f.Paint();
        gWizardMessages = true; // the commands' advice comes with the wizard messages
        ModelChoice::fitTINoise = ModelChoice::fitRINoise = true;
        for (int g = 1; g <= S::gridCount; ++g)
            S::tiNoise[g] = 0.01f;
        for (int k = 1; k <= S::scanCount; ++k)
            S::riNoise[k] = 0.02f;
    }
    void Run(int id) { w->RunCommand(*FindCommand(id)); }
    MainWindowFixture f{700, 500};
    TXLAWindow* w = f.window.get();
};

struct CommandCase {
    int id;
    const char* advice; // first line of the advice box, or null when the command gives none
    bool movesTi;       // the time-invariant estimate ends in tiNoiseRemoved
    bool movesRi;
};

const CommandCase kCommands[] = {
    {508, "This operation subtracts the current calculated TI noise from the raw data.", true,
     false},
    {509, "This operation subtracts the current calculated RI noise from the raw data.", false,
     true},
    {519,
     "This operation subtracts the current calculated systematic (TI and RI) noise from the raw "
     "data.",
     true, true},
    {607, nullptr, false, false},
};

} // namespace

TEST_F(NoiseCommands, EachCommandGivesItsAdviceAndMovesItsNoise) {
    for (const CommandCase& c : kCommands) {
        SCOPED_TRACE(c.id);
        for (int g = 1; g <= S::gridCount; ++g) {
            S::tiNoise[g] = 0.01f;
            S::tiNoiseRemoved[g] = 0.0f;
        }
        S::riNoise[2] = 0.02f;
        if (c.advice)
            f.script.expectBox()
                .caption("ATTENTION")
                .textHas(std::string(c.advice) +
                         "\nThis is for presentation purpose, the analysis is "
                         "invariant to this.\nHowever, all subsquent analyses must "
                         "include ");
        Run(c.id);
        EXPECT_TRUE(f.script.done());
        EXPECT_EQ(S::tiNoiseRemoved[10], c.movesTi ? 0.01f : 0.0f);
        EXPECT_EQ(S::riNoise[2], c.movesRi ? 0.0f : 0.02f);
    }
}

TEST_F(NoiseCommands, RestorePutsTheSubtractedNoiseBack) {
    f.script.expectBox().caption("ATTENTION");
    Run(508);
    Run(607);
    EXPECT_EQ(S::tiNoise[10], 0.01f);
    EXPECT_EQ(S::tiNoiseRemoved[10], 0.0f);
}

TEST_F(NoiseCommands, NoAdviceWithoutWizardMessagesOrInRealtimeMode) {
    gWizardMessages = false;
    Run(509);
    EXPECT_EQ(S::riNoise[2], 0.0f);
    gWizardMessages = true;
    RealtimeState::realtimeMode = true;
    S::riNoise[2] = 0.02f;
    Run(509);
    EXPECT_EQ(S::riNoise[2], 0.0f);
    EXPECT_TRUE(f.script.log().empty()) << f.script.logText();
}

TEST_F(NoiseCommands, NothingWithoutTheNoiseFitted) {
    ModelChoice::fitTINoise = ModelChoice::fitRINoise = false;
    for (const CommandCase& c : kCommands)
        Run(c.id);
    EXPECT_TRUE(f.script.log().empty()) << f.script.logText();
    EXPECT_EQ(S::tiNoise[10], 0.01f);
    EXPECT_EQ(S::riNoise[2], 0.02f);
}

TEST_F(NoiseCommands, SubtractionZoomsTheDataPlotToTheFittedGrid) {
    f.script.expectBox().caption("ATTENTION");
    Run(519);
    const int z = ZoomHistory::level;
    EXPECT_EQ(z, 1);
    EXPECT_FLOAT_EQ(S::dataPlot->xMin, S::gridRadius[S::gridFirstFit] - 0.01f);
    EXPECT_FLOAT_EQ(S::dataPlot->xMax, S::gridRadius[S::gridLastFit] + 0.01f);
    EXPECT_FLOAT_EQ(S::dataPlot->yMin, ZoomHistory::yLow[z]);
    EXPECT_FLOAT_EQ(S::dataPlot->yMax, ZoomHistory::yHigh[z]);
}

TEST_F(NoiseCommands, DataRangeStartsAtTheMeniscusOrTheReferenceMeniscus) {
    struct Case {
        bool bufferCorrection;
        float expectedOffset;
    };
    for (Case c : {Case{false, 0.01f}, Case{true, 0.11f}}) {
        BufferSedimentation::on = BufferSedimentation::meniscusDiffOn = c.bufferCorrection;
        Run(518);
        const int z = ZoomHistory::level;
        EXPECT_NEAR(ZoomHistory::xLow[z], ModelParameters::meniscus - c.expectedOffset, 1e-6);
        EXPECT_FLOAT_EQ(ZoomHistory::xHigh[z], S::gridRadius[S::gridLastFit] + 0.01f);
        EXPECT_FLOAT_EQ(S::dataPlot->xMin, ZoomHistory::xLow[z]);
    }
    EXPECT_TRUE(f.script.log().empty()) << f.script.logText();
}
