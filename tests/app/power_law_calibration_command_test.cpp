// "f(M) vs M (with scaling law)" from the menu with a new calibration: the question, the file,
// the plot held until a key, acceptance storing ks and kb in every place the models read them,
// and the declined or refused calibrations leaving them as they were.
#include "app/load_all_data.h"
#include "app/txla_window.h"
#include "foundations/error_box_log.h"
#include "foundations/shape_models.h"
#include "plat/metafile.hpp"
#include "plat/png.hpp"
#include "plat/testing.hpp"
#include "platform/src/headless/headless_backend.hpp"
#include "plotting/aux_plots.h"
#include "plotting/win_plot.h"
#include "scandata/scan_store_alloc.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/realtime_state.h"
#include "support/main_window_fixture.h"
#include "support/scan_set_generator.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <variant>

namespace {

using P = ModelParameters;
constexpr const char* kCaption = "CALIBRATE C(M) POWER LAW";

class PowerLawCalibrationCommand : public ::testing::Test, public MainWindowFixture {
  protected:
    void SetUp() override { TakeErrorBoxes(); }
    // Starts the calibration of 887 with the given file; the plot waits for a key.
    void StartWith(const std::string& file) {
        script.expectBox()
            .caption("C(M) POWERLAW")
            .text("enter new s(M) power-law calibration?")
            .answer(IDYES);
        script.expectBox().caption(kCaption).textHas("(s M) pairs").answer(IDYES);
        script.expectFileOpen()
            .title("please locate the calibration file")
            .answer(std::vector<std::string>{data.file(file)});
    }
    void Run() {
        plat::test::command(window.get(), 887);
        plat::test::key(window.get(), VK_SPACE, ' ');
        script.pumpUntilIdle();
    }
    void ExpectStored(float ks, float kb) {
        EXPECT_NEAR(ShapeModels::scalingKs / ks, 1.0f, 1e-4f);
        EXPECT_NEAR(P::concentration[3] / ks, 1.0f, 1e-4f);
        EXPECT_NEAR(P::fitValues[11] / ks, 1.0f, 1e-4f);
        EXPECT_NEAR(ShapeModels::scalingExponent, kb, 1e-5f);
        EXPECT_NEAR(P::speciesExponent[3], kb, 1e-5f);
        EXPECT_NEAR(P::fitValues[18], kb, 1e-5f);
    }
};

TEST_F(PowerLawCalibrationCommand, AcceptedCalibrationStoresKsAndKb) {
    data.write("calibration.dat", "2 10000\n8\t160000\n");
    StartWith("calibration.dat");
    script.expectBox()
        .caption(kCaption)
        .text("ks = 2.000e-02, kb = 5.000e-01\naccept?")
        .answer(IDYES);
    script.expectBox().textHas("Tikhonov").answer(IDOK);
    Run();
    EXPECT_TRUE(script.done()) << script.logText();
    ExpectStored(0.02f, 0.5f);
    EXPECT_EQ(AuxPlots::auxPlot, nullptr) << "the plot is released on acceptance";
}

TEST_F(PowerLawCalibrationCommand, OnePairTakesTheExponentAsked) {
    data.write("one.dat", "4 100000\n");
    StartWith("one.dat");
    script.expectInput()
        .caption("c(M) with scaling law")
        .prompt("scaling exponent:")
        .answer("0.66");
    script.expectBox().caption(kCaption).textHas("kb = 6.600e-01").answer(IDYES);
    script.expectBox().textHas("Tikhonov").answer(IDOK);
    Run();
    EXPECT_TRUE(script.done()) << script.logText();
    ExpectStored(2.0047e-3f, 0.66f);
}

TEST_F(PowerLawCalibrationCommand, DeclinedOrRefusedCalibrationKeepsTheLaw) {
    const float ks = ShapeModels::scalingKs, kb = ShapeModels::scalingExponent;
    data.write("calibration.dat", "2 10000\n8 160000\n");
    StartWith("calibration.dat");
    script.expectBox().caption(kCaption).textHas("accept?").answer(IDNO);
    script.expectBox().caption("C(M) POWERLAW").text("sorry, s(M) power-law calibration failed!");
    script.expectBox().textHas("Tikhonov").answer(IDOK);
    Run();
    EXPECT_TRUE(script.done()) << script.logText();
    EXPECT_EQ(ShapeModels::scalingKs, ks);
    EXPECT_EQ(ShapeModels::scalingExponent, kb);

    // A mass of zero has no logarithm: refused before any plot, nothing stored.
    ModelChoice::fMvsM = false;
    data.write("bad.dat", "2 0\n8 160000\n");
    StartWith("bad.dat");
    script.expectBox().caption(kCaption).textHas("must be positive").answer(IDOK);
    script.expectBox().caption("C(M) POWERLAW").text("sorry, s(M) power-law calibration failed!");
    plat::test::command(window.get(), 887);
    script.pumpUntilIdle();
    EXPECT_TRUE(script.done()) << script.logText();
    EXPECT_EQ(AuxPlots::auxPlot, nullptr);
    EXPECT_EQ(ShapeModels::scalingKs, ks);
    EXPECT_EQ(P::fitValues[18], 0.0f);
}

// The key that ends the wait for a key is the wait's own: it was counted as a stop, and the
// realtime update running meanwhile ended at its next tick.
TEST_F(PowerLawCalibrationCommand, TheKeyEndingTheWaitStopsNoRealtimeUpdate) {
    ScanSetOptions set;
    set.count = 2;
    set.points = 40;
    LoadAllData(window.get(), SelectionBuffer(data.path(), WriteScanSet(data.path(), set)).c_str());
    ASSERT_EQ(ScanStore::scanCount, 2);
    script.expectInput().prompt("maximal total number of files to load at once").answer("20");
    plat::test::command(window.get(), 540);
    script.pumpUntilIdle();
    ASSERT_TRUE(RealtimeState::realtimeOn);

    data.write("calibration.dat", "2 10000\n8 160000\n");
    StartWith("calibration.dat");
    script.expectBox().caption(kCaption).textHas("accept?").answer(IDYES);
    script.expectBox().textHas("Tikhonov").answer(IDOK);
    Run();
    ExpectStored(0.02f, 0.5f);
    plat::test::advanceTimers(60000);
    script.pumpUntilIdle();
    EXPECT_TRUE(script.done()) << script.logText();
    EXPECT_TRUE(RealtimeState::realtimeOn);
}

// What the window showed when the wait first looked for its key, beside the calibration plot's
// picture alone on a white window of the same size.
struct ShownAtTheWait : plat::test::HeadlessBackend {
    TXLAWindow* window = nullptr;
    plat::Surface shown, plotAlone;
    std::string title;
    TRect frame{}; // the plot's background, in pixels
    void pump(bool wait) override {
        if (!wait && shown.Empty() && window->fitBusy && AuxPlots::auxPlot) {
            shown = window->GetSurface();
            const MetaFile& picture = *AuxPlots::auxPlot->Picture();
            plotAlone = plat::RenderMetaFile(picture, shown.Width(), shown.Height());
            const TSize ext = picture.WindowExt();
            for (const plat::mf::Record& r : picture.Records()) {
                if (const auto* t = std::get_if<plat::mf::Text>(&r);
                    t && t->text.find("press a key") != std::string::npos)
                    title = t->text;
                if (const auto* b = std::get_if<plat::mf::Rectangle>(&r); b && frame.IsEmpty())
                    frame = {b->rect.left * shown.Width() / ext.cx + 1,
                             b->rect.top * shown.Height() / ext.cy + 1,
                             b->rect.right * shown.Width() / ext.cx - 1,
                             b->rect.bottom * shown.Height() / ext.cy - 1};
            }
        }
        HeadlessBackend::pump(wait);
    }
};

// Watches the waits while it lives, in place of the headless backend.
class WatchTheWait {
  public:
    explicit WatchTheWait(TXLAWindow* window) {
        auto watch = std::make_unique<ShownAtTheWait>();
        watch->window = window;
        seen_ = watch.get();
        headless_ = plat::SetBackend(std::move(watch));
    }
    ~WatchTheWait() { plat::SetBackend(std::move(headless_)); }
    const ShownAtTheWait& seen() const { return *seen_; }

  private:
    ShownAtTheWait* seen_;
    std::unique_ptr<plat::Backend> headless_;
};

// The plot was recorded and the old data drawn again before the wait, which lets no paint
// through: the window showed the old data, without the plot and its title, until the key.
TEST_F(PowerLawCalibrationCommand, ThePlotAndItsTitleAreOnTheWindowWhileTheWaitLooksForAKey) {
    LoadScans(4, 200);
    Paint();
    const WatchTheWait watch(window.get());
    const ShownAtTheWait& seen = watch.seen();

    data.write("calibration.dat", "2 10000\n8 160000\n");
    StartWith("calibration.dat");
    script.expectBox().caption(kCaption).textHas("accept?").answer(IDYES);
    script.expectBox().textHas("Tikhonov").answer(IDOK);
    Run();
    EXPECT_TRUE(script.done()) << script.logText();
    ASSERT_FALSE(seen.shown.Empty()) << "the wait never looked for its key";
    EXPECT_EQ(seen.title, "ks = 2.000e-02, kb = 5.000e-01  (press a key to continue...)");
    // Every pixel of the plot's background, and every pixel the picture inks anywhere (its
    // symbols, line, axes and title), is on the window as the picture alone draws it.
    ASSERT_FALSE(seen.frame.IsEmpty());
    int inked = 0, differing = 0;
    for (int y = 0; y < seen.shown.Height(); ++y)
        for (int x = 0; x < seen.shown.Width(); ++x) {
            const COLORREF plot = seen.plotAlone.GetPixel(x, y);
            const bool ink = plot != RGB(255, 255, 255);
            inked += ink;
            if (ink || seen.frame.Contains(TPoint{x, y}))
                differing += seen.shown.GetPixel(x, y) != plot;
        }
    EXPECT_GT(inked, 1000);
    EXPECT_EQ(differing, 0);
    if (const char* keep = std::getenv("TARNIX_KEEP_PNG"))
        plat::WritePng(seen.shown, std::string(keep) + "/calibration_wait.png");
}

} // namespace
