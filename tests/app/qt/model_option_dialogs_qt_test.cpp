// The dialogs of the solver options on the desktop backend (offscreen): each one as a picture
// written beside the tests (<dialog>.png), Enter as OK without a change.
#include "app/lamm_params_box.h"
#include "app/txla_window.h"
#include "plat/backend.hpp"
#include "plat/png.hpp"
#include "plat/qt_backend.hpp"
#include "platform/src/qt/qt_probe.hpp"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "support/desktop_window.h"
#include "support/reset_all_state.h"

#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace {

namespace probe = plat::qtprobe;

class ModelOptionDialogsOnDesktop : public DesktopWindowTest {
  protected:
    // Opens the dialog by its command, pictures it and presses Enter.
    void Look(const std::function<void()>& command, const std::string& file) {
        probe::DialogLook look;
        probe::LookAtDialogThenPress(look, "Return");
        command();
        EXPECT_FALSE(probe::AnswersPending()) << file;
        ASSERT_FALSE(look.picture.Empty()) << file;
        EXPECT_GT(look.picture.Width(), 300) << file;
        EXPECT_TRUE(plat::WritePng(look.picture, file + ".png"));
    }
};

TEST_F(ModelOptionDialogsOnDesktop, LammEquationParameters) {
    LammGrid::defaultGridSize = 800;
    Look([this] { window->CmLammEquationParameters(); }, "lamm_equation_parameters");
    EXPECT_EQ(LammGrid::defaultGridSize, 800);
}

TEST_F(ModelOptionDialogsOnDesktop, InhomogeneousSolvent) {
    Look([this] { window->CmInhomogeneousSolvent(); }, "inhomogeneous_solvent");
    EXPECT_FALSE(ModelChoice::inhomogeneousSolvent);
}

// Escape: OK without scans would go on to ask about the temperature.
TEST_F(ModelOptionDialogsOnDesktop, BufferMismatch) {
    ModelChoice::equilibriumMs = false;
    probe::DialogLook look;
    probe::LookAtDialogThenPress(look, "Escape");
    EXPECT_FALSE(window->EditBufferSedParameters());
    EXPECT_FALSE(probe::AnswersPending());
    ASSERT_FALSE(look.picture.Empty());
    EXPECT_TRUE(plat::WritePng(look.picture, "buffer_mismatch.png"));
}

} // namespace
