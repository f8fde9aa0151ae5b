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

// Removes messages of the window (null: any) until one of the given kind is removed. The quit
// request is never removed by a poll, so it cannot be lost here.
void RemoveUntil(HWND window, UINT message) {
    MSG msg;
    for (;;) {
        if (PeekMessage(&msg, window, 0, 0, PM_REMOVE) && msg.message == message)
            return;
    }
}

bool IsKeyDown(const MSG& msg) {
    return msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN;
}

bool IsKeyUp(const MSG& msg) {
    return msg.message == WM_KEYUP || msg.message == WM_SYSKEYUP;
}

// A key-down the desktop repeats while its key is held: the key was down before (bit 30).
bool IsRepeat(const MSG& msg) {
    return (msg.lParam & (LPARAM(1) << 30)) != 0;
}

// Removes the next keyboard message of the window (null: any); false when there is none. The
// quit request, which a filtered look returns too, is left where it is.
bool TakeKeyMessage(HWND window, MSG& msg) {
    return PeekMessage(&msg, window, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE) &&
           msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST;
}

// Only keyboard messages are taken, so a key is found behind any number of repaints, mouse
// moves or menu choices, which stay queued for the message loop. The releases, characters and
// repeats of keys pressed before are dropped on the way: their key-down has been handled.
std::atomic<int> gKeyPresses{0};

bool PollKey(HWND window) {
    ShowPendingErrors();
    MSG msg;
    while (TakeKeyMessage(window, msg)) {
        if (!IsKeyDown(msg) || IsRepeat(msg))
            continue;
        // The key's own messages up to its release, repeats of a held key included.
        while (!TakeKeyMessage(window, msg) || !IsKeyUp(msg)) {
        }
        gKeyPresses.fetch_add(1, std::memory_order_relaxed);
        return true;
    }
    return false;
}

} // namespace

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
    int code = 0;
    if (TranslateMessage(&msg)) {
        MSG c;
        for (;;) {
            if (PeekMessage(&c, nullptr, 0, 0, PM_REMOVE) && c.message == WM_CHAR)
                break;
        }
        code = CharCode(c);
    }
    if (character)
        *character = code;
    RemoveUntil(nullptr, WM_KEYUP);
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
