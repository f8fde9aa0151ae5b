// The error box.
#include "foundations/show_error.h"

#include "foundations/error_box_log.h"
#include "foundations/sounds.h"
#include "plat/app.hpp"
#include "plat/msgbox.hpp"

#include <deque>

namespace {

// The most recent boxes, for tests and diagnostics; bounded so a long run cannot grow it.
constexpr std::size_t kKeptBoxes = 200;

std::deque<ErrorBoxEntry>& Log() {
    static std::deque<ErrorBoxEntry> log;
    return log;
}

} // namespace

void ShowError(const char* message, int fatal) {
    const char* text = message ? message : "";
    Log().push_back({text, fatal != 0});
    if (Log().size() > kKeptBoxes)
        Log().pop_front();
    PlayErrorSound();
    MessageBox(nullptr, text, "Error", MB_OK | MB_ICONINFORMATION);
    if (fatal) {
        PlayByeSound();
        PostQuitMessage(0);
    }
}

std::vector<ErrorBoxEntry> TakeErrorBoxes() {
    std::vector<ErrorBoxEntry> out(Log().begin(), Log().end());
    Log().clear();
    return out;
}
