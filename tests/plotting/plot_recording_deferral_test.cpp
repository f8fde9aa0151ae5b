// Deferred recording: while deferred a plot's Draw records nothing; its picture, when asked for
// or when deferral ends, is the one an immediate Draw of its last state makes.
#include "plot_test_curves.h"
#include "plotting/plot_owners.h"
#include "plotting/win_plot.h"

#include <gtest/gtest.h>
#include <memory>
#include <utility>
#include <vector>

namespace {

// The picture of a plot over curve drawn at once over x ranges one after another.
std::string DrawnAtOnce(CCurve* curve, const std::vector<std::pair<float, float>>& ranges) {
    CWINPlot plot(curve);
    plot.SetPlotRect(100, 75, 400, 975);
    for (const auto& [x0, x1] : ranges) {
        plot.SetRanges(x0, x1, 0.0f, 100.0f);
        plot.Draw();
    }
    return Dump(plot.metaFile);
}

// Ends deferral even when an assertion leaves the test early.
struct Deferral {
    Deferral() { CWINPlot::DeferRecording(true); }
    ~Deferral() { CWINPlot::DeferRecording(false); }
};

} // namespace

TEST(PlotRecordingDeferral, ThePictureIsTheOneTheDrawsWouldHaveRecorded) {
    auto curve = SampledCurve(20, [](float x) { return x * x / 4; });
    const std::pair<float, float> wide{0, 19}, narrow{2, 9};
    const auto set = [](CWINPlot& plot, std::pair<float, float> x) {
        plot.SetRanges(x.first, x.second, 0, 100);
    };
    // A second recording takes in the tick labels the first measured: one Draw is not two.
    const std::string twoDraws = DrawnAtOnce(curve.get(), {wide, narrow});
    const std::string threeDraws = DrawnAtOnce(curve.get(), {wide, narrow, wide});
    ASSERT_NE(DrawnAtOnce(curve.get(), {narrow}), twoDraws);

    for (const bool asked : {true, false}) {
        SCOPED_TRACE(asked ? "picture asked for" : "deferral ended");
        CWINPlot plot(curve.get());
        plot.SetPlotRect(100, 75, 400, 975);
        {
            Deferral deferral;
            set(plot, wide);
            EXPECT_TRUE(plot.Draw());
            EXPECT_EQ(plot.metaFile, nullptr) << "nothing recorded while deferred";
            set(plot, narrow);
            EXPECT_TRUE(plot.Draw());
            if (asked) {
                EXPECT_EQ(Dump(plot.Picture()), twoDraws);
                // A later Draw is noted again; the picture stays until it is recorded.
                const HMETAFILE picture = plot.metaFile;
                set(plot, wide);
                plot.Draw();
                EXPECT_EQ(plot.metaFile, picture);
            }
        }
        EXPECT_EQ(Dump(plot.metaFile), asked ? threeDraws : twoDraws);
        // Not deferred: Draw records at once, Picture gives what is there.
        const HMETAFILE before = plot.metaFile;
        plot.Draw();
        EXPECT_NE(plot.metaFile, before);
        EXPECT_EQ(plot.Picture(), plot.metaFile);
    }
}

TEST(PlotRecordingDeferral, PlotsGoneOrEmptyAndKeptFramesAreLeftSound) {
    auto curve = SampledCurve(10, [](float x) { return x; });
    CWINPlot kept(curve.get());
    CWINPlotFrames frames;
    frames.AddCurve(curve.get());
    frames.AllocateFrames(1);
    {
        Deferral deferral;
        // A plot noted, then deleted before the end: the end does not reach it.
        auto gone = std::make_unique<CWINPlot>(curve.get());
        gone->Draw();
        gone.reset();
        // A plot without curves draws nothing, deferred or not.
        CWINPlot empty;
        EXPECT_FALSE(empty.Draw());
        kept.Draw();
        // A kept frame is a picture taken now: it cannot wait.
        EXPECT_TRUE(frames.RecordFrame(1));
        EXPECT_NE(frames.GetFrame(1), nullptr);
        EXPECT_EQ(frames.metaFile, nullptr);
    }
    EXPECT_NE(kept.metaFile, nullptr);
    EXPECT_EQ(frames.metaFile, nullptr) << "the frame left no picture behind to record";
}
