// Modal windows run inside our own message loop, so the program's queue keeps moving (a repaint
// requested while a box is open happens then) and no handler runs inside a toolkit event.
#pragma once

#include <functional>

class QDialog;

namespace plat::qt {

// Opens the dialog window-modal and dispatches messages until it finishes. `step`, when given,
// runs between messages (outside any toolkit event) and may end the dialog; `pending` tells
// whether step has work, so the loop does not wait for the desktop meanwhile. A pending quit
// request closes the dialog with its reject path and stays queued for the outer loop. Returns
// whether the dialog was accepted.
bool RunModal(QDialog& dialog, const std::function<void()>& step = {},
              const std::function<bool()>& pending = {});

// True while the quit request waits in this thread's queue.
bool QuitPending();

} // namespace plat::qt
