// Alt+M: steps released markers from not sliding to sliding with bouncing, to sliding without,
// and back, telling the user each new setting.
#include "app/txla_window.h"
#include "display/pointer_history.h"

void TXLAWindow::CmMouseSliding() {
    const char* text;
    if (gMouseSlidingOff) {
        text = "switching on mouse sliding";
        gMouseSlidingOff = false;
    } else if (gMouseBouncing) {
        text = "toggling mouse bouncing";
        gMouseBouncing = false;
    } else {
        text = "switching off mouse sliding";
        gMouseSlidingOff = gMouseBouncing = true;
    }
    MessageBox(text, "MOUSE SLIDING", MB_OK);
}
