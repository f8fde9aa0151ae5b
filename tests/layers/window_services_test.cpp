// The layers below the window reach it only through the services table: a loader step calls
// the entries a recording table lends it, a computation reports to the window's observer, and an
// empty table leaves the engines windowless.
#include "distributions/conti_progress.h"
#include "fitting/optim_ml.h"
#include "scandata/load_steps.h"
#include "scandata/scan_user_messages.h"
#include "simulation/progress_texts.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/realtime_state.h"
#include "state/window_services.h"
#include "support/reset_all_state.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace {

std::vector<std::string> gCalls;

WindowServiceTable RecordingTable() {
    WindowServiceTable t;
    t.requestRepaint = [](TXLAWindow*) { gCalls.push_back("repaint"); };
    t.showNoiseButtons = [](int which) { gCalls.push_back("show noise " + std::to_string(which)); };
    t.hideNoiseButtons = [] { gCalls.push_back("hide noise"); };
    return t;
}

struct WindowServicesTest : ::testing::Test {
    void SetUp() override {
        ResetAllState();
        gCalls.clear();
        WindowServices::table = RecordingTable();
    }
    void TearDown() override { ResetAllState(); }
};

TEST_F(WindowServicesTest, LoaderStepsCallTheEntriesOfTheTable) {
    auto* window = reinterpret_cast<TXLAWindow*>(&gCalls); // never dereferenced by the table
    ModelChoice::fitTINoise = true;
    ApplyLoadSwitches();
    ModelChoice::fitTINoise = ModelChoice::fitRINoise = false;
    ApplyLoadSwitches();
    ScanRequestRepaint(window);
    ScanRequestRepaint(nullptr); // no window: nothing to repaint
    EXPECT_EQ(gCalls, (std::vector<std::string>{"show noise 0", "hide noise", "repaint"}));
}

TEST_F(WindowServicesTest, EmptyEntriesLeaveTheEnginesWindowless) {
    WindowServices::table = {};
    auto* window = reinterpret_cast<TXLAWindow*>(&gCalls);
    EXPECT_EQ(WindowServices::PlatformWindow(window), nullptr);
    EXPECT_TRUE(WindowServices::CheckTemperatureFluctuation(window, 1.0f));
    EXPECT_EQ(WindowServices::ClientWidth(window), 0.0f);
    WindowServices::RedrawDataPlot(true);
    WindowServices::RunModel(window);
    EXPECT_TRUE(gCalls.empty());
}

} // namespace

// A computation reports its progress, texts and trial curves to the window's observer and draws
// nothing itself; each case names what the recording observer is to receive.
class RecordingObserver : public CComputeObserver {
  public:
    struct Line : CProgressReport {
        float fraction = 0.0f;
        void Advance(float f) override {
            fraction = f;
            gCalls.push_back("advance " + std::to_string(int(f * 100)));
        }
        void Hide() override { gCalls.push_back("hide"); }
        float Fraction() const override { return fraction; }
    };
    bool Shows() const override { return true; }
    std::unique_ptr<CProgressReport> ShowProgress(int x, int y, ProgressBarColour c) override {
        gCalls.push_back("line " + std::to_string(x) + "," + std::to_string(y) +
                         (c == ProgressBarColour::blue ? " blue" : " red"));
        return std::make_unique<Line>();
    }
    void StatusText(int x, int y, const char* text) override {
        gCalls.push_back("text " + std::to_string(x) + "," + std::to_string(y) + " " + text);
    }
    void TrialCurve(const float*, const float* y, int n, std::uint32_t colour) override {
        gCalls.push_back("curve " + std::to_string(n) + " " + std::to_string(int(y[n])) + " " +
                         std::to_string(colour));
    }
};
RecordingObserver gObserver;

TEST_F(WindowServicesTest, ComputationsReportToTheWindowsObserver) {
    auto* window = reinterpret_cast<TXLAWindow*>(&gCalls);
    WindowServices::table.computeObserver = [](TXLAWindow*) -> CComputeObserver* {
        return &gObserver;
    };
    struct Case {
        const char* name;
        void (*run)(TXLAWindow* window);
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"normal equations",
         [](TXLAWindow*) { ContiProgress(gObserver).Draw(0.25); },
         {"text 10,50 calculating normal equations", "line 10,65 blue", "advance 25", "hide"}},
        {"Levenberg-Marquardt",
         [](TXLAWindow*) {
             MLProgressLineScope scope(gObserver);
             scope.Sink()(0.5);
         },
         {"line 10,10 red", "advance 50", "hide"}},
        {"module-wide solver",
         [](TXLAWindow* w) {
             LammGrid::progressObserver = WindowServices::ObserverOf(w);
             ShowIterationText(7);
             LammGrid::progressObserver = nullptr;
             ShowIterationText(7); // no observer: nobody hears of it
         },
         {"text 10,90 #it = 7   "}},
    };
    for (const Case& c : cases) {
        gCalls.clear();
        c.run(window);
        EXPECT_EQ(gCalls, c.expected) << c.name;
    }
}
