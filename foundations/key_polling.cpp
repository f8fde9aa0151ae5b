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

// A key going down, not a system key: Alt alone, F10 and keys pressed with Alt are the desktop's
// (the menu, another window) and stop nothing.
bool IsKeyDown(const MSG& msg) {
    return msg.message == WM_KEYDOWN;
}

// A key-down the desktop repeats while its key is held: the key was down before (bit 30).
bool IsRepeat(const MSG& msg) {
    return (msg.lParam & (LPARAM(1) << 30)) != 0;
}

constexpr WPARAM kButtons = MK_LBUTTON | MK_RBUTTON | MK_MBUTTON;

bool IsKeyboardInput(const MSG& msg) {
    return msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST;
}

// The presses, releases and double clicks of the mouse buttons, and moves with a button held.
// Plain moves are none.
bool IsMouseInput(const MSG& msg) {
    const UINT m = msg.message;
    return (m >= WM_LBUTTONDOWN && m <= WM_MBUTTONDBLCLK) ||
           (m == WM_MOUSEMOVE && (msg.wParam & kButtons) != 0);
}

// The stops counted so far and whether the latest came from the mouse; the depth of the
// StopsHeldOff alive. Input reaches the window on its thread only; the worker threads of the
// distributions poll their own queue, which receives none.
std::atomic<int> gStopsCounted{0};
bool gLastStopByMouse = false;
std::atomic<int> gStopsHeldOff{0};

bool Counted(bool mouse) {
    gStopsCounted.fetch_add(1, std::memory_order_relaxed);
    gLastStopByMouse = mouse;
    return true;
}

// Only the user's input is taken, so a key is found behind any number of repaints, plain moves or
// menu choices, which stay queued for the message loop. A key's character, repeats and release,
// whenever they come, are dropped and the poll looks on; a mouse message or a system key going
// down is dropped and ends the poll. A key not counted is no stop of anything.
bool PollKey(HWND window, bool counted = true) {
    ShowPendingErrors();
    if (gStopsHeldOff.load(std::memory_order_relaxed) > 0)
        return false;
    MSG msg;
    while (PeekMessageIf(&msg, window, IsInputOfComputation, PM_REMOVE) &&
           IsInputOfComputation(msg)) {
        if (StopsComputation(msg, InputRoad::Polled))
            return counted ? Counted(false) : true;
        if (IsMouseInput(msg) || msg.message == WM_SYSKEYDOWN)
            return false;
    }
    return false;
}

} // namespace

bool IsInputOfComputation(const MSG& msg) {
    return IsKeyboardInput(msg) || IsMouseInput(msg);
}

bool StopsComputation(const MSG& msg, InputRoad road) {
    if (road == InputRoad::Polled)
        return IsKeyDown(msg) && !IsRepeat(msg);
    return IsMouseInput(msg) ||
           (IsKeyboardInput(msg) && msg.message != WM_KEYUP && msg.message != WM_SYSKEYUP);
}

bool CountStopHandedToWindow(const MSG& msg) {
    if (gStopsHeldOff.load(std::memory_order_relaxed) > 0) {
        // A key handed on while a fit ends is kept as one left queued would be: no stop of the
        // fit's end, a stop of what runs the fit (an outer fit, a series, the realtime mode).
        if (StopsComputation(msg, InputRoad::Polled))
            gStopsCounted.fetch_add(1, std::memory_order_relaxed);
        return false;
    }
    if (!StopsComputation(msg, InputRoad::HandedToWindow))
        return false;
    return Counted(IsMouseInput(msg));
}

bool LastStopByMouse() {
    return gLastStopByMouse;
}

StopsHeldOff::StopsHeldOff() {
    gStopsHeldOff.fetch_add(1, std::memory_order_relaxed);
}

StopsHeldOff::~StopsHeldOff() {
    gStopsHeldOff.fetch_sub(1, std::memory_order_relaxed);
}

bool DropInputOfComputation(TWindow* window) {
    bool stop = false;
    MSG msg;
    while (PeekMessageIf(&msg, window, IsInputOfComputation, PM_REMOVE) &&
           IsInputOfComputation(msg))
        stop = StopsComputation(msg, InputRoad::Polled) || stop;
    return stop;
}

bool KeyPressed() {
    return PollKey(nullptr);
}

bool KeyPressed(TWindow* window) {
    return window ? PollKey(window) : false;
}

bool KeyPressedForWait() {
    return PollKey(nullptr, false);
}

int StopsCounted() {
    return gStopsCounted.load(std::memory_order_relaxed);
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
