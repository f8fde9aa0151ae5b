// The owners around a plot: curves over caller buffers, kept frames, and a picture on the
// clipboard.
#include "plat/testing.hpp"
#include "plotting/plot_owners.h"

#include <gtest/gtest.h>

TEST(PlotOwners, AdHocPlotTakesAtMostAHundredCurves) {
    float x[4] = {0, 1, 2, 3};
    float y[4] = {0, 5, 6, 7};
    CAdHocPlot adhoc;
    for (int i = 0; i < CAdHocPlot::kMaxCurves; ++i)
        ASSERT_TRUE(adhoc.AddCurve(x, y, 3));
    EXPECT_FALSE(adhoc.AddCurve(x, y, 3));
    EXPECT_FALSE(CAdHocPlot().AddCurve(nullptr, y, 3));
    EXPECT_EQ(adhoc.plot->nCurves, 100);
    EXPECT_NEAR(adhoc.plot->yMax, 7.1f, 1e-5);
}

TEST(PlotOwners, FramesAreKeptApartFromTheCurrentPicture) {
    float x[3] = {0, 1, 2};
    float y[3] = {0, 1, 4};
    CAdHocPlot adhoc;
    adhoc.AddCurve(x, y, 2);
    CWINPlotFrames frames;
    frames.AddCurve(adhoc.plot->curves[0]);
    frames.AllocateFrames(2);
    EXPECT_TRUE(frames.RecordFrame(1));
    EXPECT_TRUE(frames.RecordFrame(2));
    EXPECT_FALSE(frames.RecordFrame(3));
    ASSERT_NE(frames.GetFrame(1), nullptr);
    EXPECT_NE(frames.GetFrame(1), frames.GetFrame(2));
    EXPECT_EQ(frames.GetFrame(0), nullptr);
    EXPECT_EQ(frames.metaFile, nullptr);
    frames.AllocateFrames(1);
    EXPECT_EQ(frames.GetFrame(1), nullptr);
}

TEST(PlotOwners, PictureGoesToTheClipboardAsACopy) {
    float x[3] = {0, 1, 2};
    float y[3] = {0, 1, 4};
    CAdHocPlot adhoc;
    adhoc.AddCurve(x, y, 2);
    ASSERT_TRUE(CopyMetafileToClipboard(nullptr, adhoc.plot->metaFile));
    const plat::ClipData& clip = plat::test::clipboard();
    ASSERT_TRUE(clip.picture);
    EXPECT_NE(clip.picture.get(), adhoc.plot->metaFile);
    EXPECT_TRUE(*clip.picture == *adhoc.plot->metaFile);
    EXPECT_EQ(clip.pictureExtent, (TSize{13000, 9000}));
    EXPECT_FALSE(CopyMetafileToClipboard(nullptr, nullptr));
}
