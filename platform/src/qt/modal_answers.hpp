// Answers for modal windows given ahead of time, so smoke tests can run the real boxes and
// dialogs without a person.
#pragma once

#include <functional>

class QDialog;

namespace plat::qt {

using ModalScript = std::function<void(QDialog&)>;

// The next modal window that opens runs `script` once it is shown (from the event loop, as a
// user's click would arrive).
void ScheduleModalScript(ModalScript script);
bool ModalScriptsPending();

// Called by the modal loop when a window has opened.
void ModalOpened(QDialog& dialog);

} // namespace plat::qt
