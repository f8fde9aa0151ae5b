// A key pressed at a given trial a fit shows.
#include "support/key_at_trial.h"

#include "app/txla_window.h"
#include "plat/testing.hpp"
#include "state/window_services.h"

namespace {

int gKeyAt = 0, gShown = 0;
void (*gDraw)(TXLAWindow*) = nullptr;

void DrawThenPressKey(TXLAWindow* window) {
    gDraw(window);
    if (++gShown == gKeyAt)
        plat::test::key(window, 'A', 'a');
}

} // namespace

KeyAtTrial::KeyAtTrial(int trial) {
    gKeyAt = trial, gShown = 0;
    gDraw = WindowServices::table.drawResidualsView;
    WindowServices::table.drawResidualsView = DrawThenPressKey;
}

KeyAtTrial::~KeyAtTrial() {
    WindowServices::table.drawResidualsView = gDraw;
}
