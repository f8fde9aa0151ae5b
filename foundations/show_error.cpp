// The error box. Boxes requested on worker threads wait for the window's thread.
#include "foundations/show_error.h"

#include "foundations/deferred_errors.h"
#include "foundations/error_box_log.h"
#include "foundations/sounds.h"
#include "plat/app.hpp"
#include "plat/backend.hpp"
#include "plat/msgbox.hpp"

#include <atomic>
#include <deque>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace {

// The most recent boxes, for tests and diagnostics; bounded so a long run cannot grow it.
constexpr std::size_t kKeptBoxes = 200;

std::deque<ErrorBoxEntry>& Log() {
    static std::deque<ErrorBoxEntry> log;
    return log;
}

std::mutex gPendingMutex;
std::vector<std::pair<std::string, int>> gPending;
std::atomic<bool> gHavePending{false};

void ShowNow(const char* text, int fatal) {
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

} // namespace

void ShowError(const char* message, int fatal) {
    const char* text = message ? message : "";
    // A Lamm list worker keeps its texts itself; its driver shows them after the join.
    if (DeferErrorBox(text))
        return;
    if (!plat::IsGuiThread()) {
        // A worker (normal equations, Lamm lists) must not open a window: the box is kept for
        // the window's thread, which shows it at its next key poll or error box.
        std::lock_guard lock(gPendingMutex);
        gPending.emplace_back(text, fatal);
        gHavePending = true;
        return;
    }
    ShowPendingErrors();
    ShowNow(text, fatal);
}

void ShowPendingErrors() {
    if (!gHavePending || !plat::IsGuiThread())
        return;
    std::vector<std::pair<std::string, int>> pending;
    {
        std::lock_guard lock(gPendingMutex);
        pending.swap(gPending);
        gHavePending = false;
    }
    for (const auto& [text, fatal] : pending)
        ShowNow(text.c_str(), fatal);
}

std::vector<ErrorBoxEntry> TakeErrorBoxes() {
    std::vector<ErrorBoxEntry> out(Log().begin(), Log().end());
    Log().clear();
    return out;
}

void ForgetErrorBoxes() {
    Log().clear();
    std::lock_guard lock(gPendingMutex);
    gPending.clear();
    gHavePending = false;
}
