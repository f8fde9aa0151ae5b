// PostMessage, PeekMessage, GetMessage, TranslateMessage, DispatchMessage and friends.
#include "core/msg_queue.hpp"
#include "plat/app.hpp"
#include "plat/backend.hpp"
#include "plat/menu.hpp"
#include "plat/window.hpp"

#include <cctype>

namespace plat {

namespace {

MsgQueue& QueueOf(HWND hwnd) {
    if (hwnd) {
        if (MsgQueue* q = MsgQueue::Of(hwnd))
            return *q;
    }
    return *MsgQueue::Current();
}

void PumpIfGui(bool wait) {
    if (IsGuiThread())
        GetBackend().pump(wait);
}

// The character of a key-down whose event carried none: letters as typed without Shift, digits
// and the few control keys the program reads.
std::uint32_t FallbackChar(UINT vk, std::uint32_t keyState) {
    if (keyState & (MK_CONTROL | KS_ALT))
        return 0;
    bool shift = keyState & MK_SHIFT;
    if (vk >= 'A' && vk <= 'Z')
        return shift ? vk : std::uint32_t(std::tolower(int(vk)));
    if (vk >= '0' && vk <= '9' && !shift)
        return vk;
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9)
        return '0' + (vk - VK_NUMPAD0);
    switch (vk) {
    case VK_SPACE:
        return ' ';
    case VK_RETURN:
        return '\r';
    case VK_ESCAPE:
        return 0x1B;
    case VK_BACK:
        return '\b';
    case VK_TAB:
        return '\t';
    case VK_DECIMAL:
        return '.';
    case VK_SUBTRACT:
        return '-';
    case VK_ADD:
        return '+';
    case VK_OEM_PERIOD:
        return shift ? 0 : '.';
    case VK_OEM_MINUS:
        return shift ? '_' : '-';
    case VK_OEM_COMMA:
        return shift ? 0 : ',';
    default:
        return 0;
    }
}

} // namespace

bool PumpOnce(bool wait) {
    MsgQueue& q = *MsgQueue::Current();
    PumpIfGui(false);
    MSG msg;
    MessageFilter all;
    if (!q.Peek(msg, all, false) && wait) {
        if (IsGuiThread())
            GetBackend().pump(true);
        else
            q.WaitForPost();
    }
    if (!q.Peek(msg, all, false) || msg.message == WM_QUIT)
        return false;
    q.Take(msg, all);
    ::TranslateMessage(&msg);
    ::DispatchMessage(&msg);
    return true;
}

void DispatchPendingPaints() {
    MsgQueue& q = *MsgQueue::Current();
    for (TWindow* w : q.Windows())
        if (q.HasWindow(w) && w->IsWindow() && w->IsInvalid())
            w->UpdateWindow();
}

} // namespace plat

using plat::MessageFilter;
using plat::MsgQueue;

BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    MSG msg;
    msg.hwnd = hwnd;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = plat::TickNow();
    MsgQueue& q = plat::QueueOf(hwnd);
    // A message posted by the window's own thread carries the key state of the moment; another
    // thread cannot know it.
    if (q.OwnedByCaller())
        msg.keyState = q.keyState;
    q.Post(msg);
    if (!q.OwnedByCaller())
        plat::GetBackend().wake();
    return TRUE;
}

void PostQuitMessage(int exitCode) {
    MsgQueue::Current()->PostQuit(exitCode);
}

BOOL PeekMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags) {
    plat::PumpIfGui(false);
    MSG m;
    if (!MsgQueue::Current()->Peek(m, MessageFilter{hwnd, filterMin, filterMax},
                                   (removeFlags & PM_REMOVE) != 0))
        return FALSE;
    if (msg)
        *msg = m;
    return TRUE;
}

BOOL PeekMessageIf(MSG* msg, HWND hwnd, bool (*accept)(const MSG&), UINT removeFlags) {
    plat::PumpIfGui(false);
    MSG m;
    if (!MsgQueue::Current()->Peek(m, MessageFilter{hwnd, 0, 0, accept},
                                   (removeFlags & PM_REMOVE) != 0))
        return FALSE;
    if (msg)
        *msg = m;
    return TRUE;
}

BOOL GetMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax) {
    MsgQueue& q = *MsgQueue::Current();
    MessageFilter filter{hwnd, filterMin, filterMax};
    MSG m;
    plat::PumpIfGui(false);
    while (!q.Take(m, filter)) {
        if (plat::IsGuiThread())
            plat::GetBackend().pump(true);
        else
            q.WaitForPost();
    }
    if (msg)
        *msg = m;
    return m.message == WM_QUIT ? FALSE : TRUE;
}

BOOL TranslateMessage(const MSG* msg) {
    if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN))
        return FALSE;
    std::uint32_t ch =
        msg->charCode ? msg->charCode : plat::FallbackChar(UINT(msg->wParam), msg->keyState);
    if (ch == 0)
        return FALSE;
    MSG c = *msg;
    c.message = msg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
    c.wParam = ch;
    c.charCode = 0;
    // Ahead of everything else, so the character arrives before the key's release.
    plat::QueueOf(msg->hwnd).Post(c, true);
    return TRUE;
}

LRESULT DispatchMessage(const MSG* msg) {
    if (!msg || !msg->hwnd)
        return 0;
    MsgQueue& q = *MsgQueue::Current();
    if (!q.HasWindow(msg->hwnd) || !msg->hwnd->IsWindow())
        return 0;
    return msg->hwnd->HandleMessage(msg->message, msg->wParam, msg->lParam);
}

LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!hwnd || !MsgQueue::Current()->HasWindow(hwnd))
        return 0;
    return hwnd->HandleMessage(message, wParam, lParam);
}

int TranslateAccelerator(HWND hwnd, const plat::AcceleratorTable* table, const MSG* msg) {
    if (!msg || !hwnd)
        return 0;
    MsgQueue& q = *MsgQueue::Current();
    bool keyDown = msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN;
    // F1 on an open menu: the Enter the window posts to itself chooses the highlighted item.
    if (q.menuHelpWindow && msg->hwnd == q.menuHelpWindow) {
        if (keyDown && msg->wParam == VK_RETURN) {
            TWindow* w = q.menuHelpWindow;
            int id = q.menuHelpItem;
            q.menuHelpWindow = nullptr;
            SendMessage(w, WM_COMMAND, WPARAM(id), 0);
            return 1;
        }
        if (msg->message != WM_ENTERIDLE && msg->message != WM_PAINT && msg->message != WM_TIMER)
            q.menuHelpWindow = nullptr;
    }
    if (!table || !keyDown)
        return 0;
    auto cmd = table->Match(UINT(msg->wParam), msg->keyState);
    if (!cmd)
        return 0;
    SendMessage(hwnd, WM_COMMAND, WPARAM(*cmd) | (WPARAM(1) << 16), 0);
    return 1;
}

short GetKeyState(int virtualKey) {
    std::uint32_t s = MsgQueue::Current()->keyState;
    bool down = false;
    switch (virtualKey) {
    case VK_SHIFT:
        down = s & MK_SHIFT;
        break;
    case VK_CONTROL:
        down = s & MK_CONTROL;
        break;
    case VK_MENU:
        down = s & KS_ALT;
        break;
    case VK_LBUTTON:
        down = s & MK_LBUTTON;
        break;
    case VK_RBUTTON:
        down = s & MK_RBUTTON;
        break;
    case VK_MBUTTON:
        down = s & MK_MBUTTON;
        break;
    case VK_F1:
        down = s & KS_F1;
        break;
    default:
        break;
    }
    return down ? short(0x8000) : short(0);
}
