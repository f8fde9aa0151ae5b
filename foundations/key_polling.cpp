// Key polling, waits and single-key reading on the thread's message queue.
#include "foundations/key_polling.h"

#include "foundations/show_error.h"
#include "plat/app.hpp"
#include "plat/backend.hpp"
#include "plat/gdi.hpp"
#include "plat/window.hpp"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>

bool gAbortRequest = false;

namespace {

using Clock = std::chrono::steady_clock;

// The end of a wait of the given seconds, truncated to whole milliseconds.
Clock::time_point WaitEnd(float seconds) {
    return Clock::now() + std::chrono::milliseconds(static_cast<long long>(seconds * 1000.0f));
}

// The character of a WM_CHAR, sign-extended from its low byte.
int CharCode(const MSG& msg) {
    return static_cast<signed char>(msg.wParam & 0xFF);
}

bool IsKeyDown(const MSG& msg) {
    return msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN;
}

// A key-down the desktop repeats while its key is held: the key was down before (bit 30).
bool IsRepeat(const MSG& msg) {
    return (msg.lParam & (LPARAM(1) << 30)) != 0;
}

constexpr WPARAM kButtons = MK_LBUTTON | MK_RBUTTON | MK_MBUTTON;

// What the user does to the window: keyboard messages, the presses, releases and double clicks of
// the mouse buttons, and moves with a button held. Plain moves are none.
bool IsUserAction(const MSG& msg) {
    const UINT m = msg.message;
    return (m >= WM_KEYFIRST && m <= WM_KEYLAST) ||
           (m >= WM_LBUTTONDOWN && m <= WM_MBUTTONDBLCLK) ||
           (m == WM_MOUSEMOVE && (msg.wParam & kButtons) != 0);
}

// The button bit of a press, release or double click.
WPARAM ButtonOf(UINT message) {
    switch ((message - WM_LBUTTONDOWN) / 3) {
    case 0:
        return MK_LBUTTON;
    case 1:
        return MK_RBUTTON;
    default:
        return MK_MBUTTON;
    }
}

// The stops counted so far, the buttons whose press was counted and not yet seen released, and
// whether the latest stop came from the mouse. Input reaches them on the window's thread only.
std::atomic<int> gKeyPresses{0};
WPARAM gButtonsHeld = 0;
bool gLastStopByMouse = false;

bool Counted(bool mouse) {
    gKeyPresses.fetch_add(1, std::memory_order_relaxed);
    gLastStopByMouse = mouse;
    return true;
}

// Only user actions are taken, so one is found behind any number of repaints, plain moves or menu
// choices, which stay queued for the message loop. A key stops at its key-down: its character,
// repeats and release, whenever they come, are dropped and are no second key; so are a press's
// drag and release. A press stops at once, a drag whose press was not seen at its first move.
bool PollKey(HWND window) {
    ShowPendingErrors();
    MSG msg;
    while (PeekMessageIf(&msg, window, IsUserAction, PM_REMOVE) && IsUserAction(msg)) {
        if (CountStop(msg))
            return true;
    }
    return false;
}

} // namespace

bool CountStop(const MSG& msg) {
    const UINT m = msg.message;
    if (IsKeyDown(msg))
        return !IsRepeat(msg) && Counted(false);
    if (m == WM_MOUSEMOVE) {
        // Buttons released where the window did not see it are no longer held.
        const WPARAM drag = msg.wParam & kButtons;
        const bool newPress = (drag & ~gButtonsHeld) != 0;
        gButtonsHeld = drag;
        return newPress && Counted(true);
    }
    if (m < WM_LBUTTONDOWN || m > WM_MBUTTONDBLCLK)
        return false;
    const WPARAM button = ButtonOf(m);
    if ((m - WM_LBUTTONDOWN) % 3 == 1) {
        gButtonsHeld &= ~button;
        return false;
    }
    gButtonsHeld |= button;
    return Counted(true);
}

bool LastStopByMouse() {
    return gLastStopByMouse;
}

void DropInputOfComputation(TWindow* window) {
    MSG msg;
    while (PeekMessageIf(&msg, window, IsUserAction, PM_REMOVE) && IsUserAction(msg)) {
    }
    gButtonsHeld = 0;
}

bool KeyPressed() {
    return PollKey(nullptr);
}

bool KeyPressed(TWindow* window) {
    return window ? PollKey(window) : false;
}

int KeyPressesSeen() {
    return gKeyPresses.load(std::memory_order_relaxed);
}

bool UserAbort(TWindow* window) {
    if (!window)
        return false;
    MSG msg;
    bool key = PeekMessage(&msg, window, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE) &&
               msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST;
    if (key || gAbortRequest) {
        gAbortRequest = false;
        return true;
    }
    return false;
}

void WaitSeconds(float seconds) {
    if (seconds <= 0.0f)
        return;
    auto end = WaitEnd(seconds);
    while (Clock::now() < end) {
    }
}

bool WaitForKey(TWindow* window, float seconds) {
    if (seconds <= 0.0f)
        return false;
    auto end = WaitEnd(seconds);
    while (Clock::now() < end) {
        MSG msg;
        if (window && PeekMessage(&msg, window, 0, 0, PM_NOREMOVE) && msg.message == WM_KEYDOWN)
            return true;
    }
    return false;
}

bool ReadKeyChar(int* character) {
    MSG msg;
    if (!PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE) || msg.message != WM_KEYDOWN)
        return false;
    // A key that types nothing (an arrow, Shift, a function key) reads as 0: no character would
    // ever follow it.
    // The character is posted ahead of everything. The key's release is not waited for: it may
    // never come to the window (focus gone meanwhile); whenever it comes, the next read drops it.
    int code = 0;
    MSG c;
    if (TranslateMessage(&msg) && PeekMessage(&c, nullptr, WM_CHAR, WM_CHAR, PM_REMOVE) &&
        c.message == WM_CHAR)
        code = CharCode(c);
    if (character)
        *character = code;
    return true;
}

// The blocking waits would take the quit request; it is posted again so that the program still
// ends when the running command returns.
int EchoKeyCode(TWindow* window) {
    if (!window)
        return -1;
    MSG msg;
    if (!PeekMessage(&msg, window, 0, 0, PM_REMOVE) || msg.message != WM_KEYDOWN)
        return -1;
    // Posted again whole, so the character the key typed (kept with the message) survives.
    plat::PostInput(msg);
    // The key's release may already be queued ahead of the posted key-down, so every key-down
    // met while waiting is translated, not only the first message.
    MSG m;
    do {
        if (!GetMessage(&m, window, 0, 0)) {
            PostQuitMessage(static_cast<int>(m.wParam));
            return -1;
        }
        if (m.message == WM_KEYDOWN)
            TranslateMessage(&m);
    } while (m.message != WM_CHAR);
    int code = CharCode(m);
    char text[16];
    std::snprintf(text, sizeof text, "%d", code);
    {
        TSurfaceDC dc(window->GetSurface(),
                      [window](const TRect& dirty) { window->Present(dirty); });
        dc.TextOut(5, 5, text);
    }
    return code;
}

bool FileExists(const char* path) {
    if (!path)
        return false;
    std::ifstream in(path);
    return !in.fail() && !in.bad();
}
