// The fluorescence tools dialog on the desktop backend (offscreen), pictured beside the tests as
// flo_tools.png; Enter confirms it unchanged.
#include "app/txla_window.h"
#include "plat/png.hpp"
#include "platform/src/qt/qt_probe.hpp"
#include "scandata/scan_data_kind.h"
#include "state/fluorophore.h"
#include "support/desktop_window.h"

#include <gtest/gtest.h>

namespace {

namespace probe = plat::qtprobe;

class FloToolsOnDesktop : public DesktopWindowTest {};

TEST_F(FloToolsOnDesktop, DialogShowsEveryCorrectionAndEnterKeepsThem) {
    ScanDataKind::fluorescence = true;
    DetectionCorrections::gradientOn = true;
    DetectionCorrections::gradientFactor = 1.25f;
    probe::DialogLook look;
    probe::LookAtDialogThenPress(look, "Return");
    window->CmFloTools();
    EXPECT_FALSE(probe::AnswersPending());
    ASSERT_FALSE(look.picture.Empty());
    EXPECT_GT(look.picture.Width(), 500); // wide enough for the depletion group
    EXPECT_TRUE(plat::WritePng(look.picture, "flo_tools.png"));
    EXPECT_TRUE(DetectionCorrections::gradientOn);
    EXPECT_EQ(DetectionCorrections::gradientFactor, 1.25f);
    ScanDataKind::fluorescence = false;
    DetectionCorrections::ResetToDefaults();
}

} // namespace
