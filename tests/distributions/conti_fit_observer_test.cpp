// A distribution Fit reports to the observer it is given, with no window: the
// Levenberg-Marquardt line shown, advanced while the fit runs and hidden at its end, each trial's
// distribution and live view at the refresh's pace, the held distribution back after the last
// trial, and a repaint once the result is stored.
#include "distributions/conti_fit.h"
#include "distributions/conti_run.h"
#include "state/fit_control.h"
#include "state/model_choice.h"
#include "state/preference_switches.h"
#include "support/conti_data_store.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace {

struct RecordingObserver : CComputeObserver {
    std::vector<std::string> events;
    struct Line : CProgressReport {
        RecordingObserver* o;
        float fraction = 0.0f;
        explicit Line(RecordingObserver* owner) : o(owner) {}
        void Advance(float f) override {
            if (f > fraction)
                fraction = f;
            if (o->events.back() != "advance")
                o->events.push_back("advance");
        }
        void Hide() override { o->events.push_back("hide"); }
        float Fraction() const override { return fraction; }
    };
    bool Shows() const override { return true; }
    std::unique_ptr<CProgressReport> ShowProgress(int x, int y, ProgressBarColour) override {
        events.push_back("line " + std::to_string(x) + "," + std::to_string(y));
        return std::make_unique<Line>(this);
    }
    void TrialDistribution(const std::vector<float>& x, const std::vector<float>& c) override {
        if (x.size() == c.size() && x.size() > 1)
            events.push_back("trial");
    }
    void EndTrialDistribution() override { events.push_back("end trial"); }
    void LiveView() override { events.push_back("live view"); }
    void RequestRepaint() override { events.push_back("repaint"); }
    int Count(const std::string& e) const {
        return int(std::count(events.begin(), events.end(), e));
    }
};

} // namespace

TEST(ContiFitObserver, TheFitReportsToTheObserverItIsGivenWithoutAWindow) {
    ContiDataStore store(TwelveScanCase());
    FillTwoSpeciesOnSystematicNoise(store, 17);
    ChooseCsOver(0.0f, 15.0f, 30.0f);
    ModelChoice::fitTINoise = ModelChoice::fitRINoise = true;
    StartFf0AndMeniscusOffTheTruth();
    FitControl::marquardtLevenberg = true;
    gUpdateDistributionPlot = gUpdateResidualsPlot = true;
    gMaxUpdateInterval = 0.0f;

    RecordingObserver o;
    ASSERT_TRUE(ContiFit(nullptr, o));
    const std::vector<std::string>& e = o.events;
    ASSERT_GE(e.size(), 6u);
    // The optimiser's line first, its trials each shown and viewed, the line hidden once the
    // optimiser ends.
    EXPECT_EQ(e[0], "line 10,10");
    const auto hidden = std::find(e.begin(), e.end(), "hide");
    EXPECT_GE(std::count(e.begin(), hidden, "advance"), 1);
    EXPECT_GE(std::count(e.begin(), hidden, "trial"), 1);
    EXPECT_EQ(std::count(e.begin(), hidden, "live view"), std::count(e.begin(), hidden, "trial"));
    EXPECT_EQ(std::count(e.begin(), e.end(), "line 10,10"), 1);
    // The final Run shows its normal equations' line and repaints the stored result; the held
    // distribution takes the last trial's place.
    EXPECT_EQ(std::vector<std::string>(hidden + 1, e.end()),
              (std::vector<std::string>{"line 10,65", "advance", "hide", "repaint", "end trial"}));
    FreeDistributionArrays();
}
