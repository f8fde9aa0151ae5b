// The installed backend and the entry points through which a backend feeds the queue.
#include "plat/backend.hpp"

#include "core/msg_queue.hpp"
#include "plat/window.hpp"

#include <atomic>
#include <mutex>
#include <thread>

namespace plat {

namespace {
std::mutex gMutex;
std::unique_ptr<Backend> gBackend;
std::atomic<Backend*> gActive{nullptr};
std::atomic<std::thread::id> gGuiThread;
} // namespace

std::unique_ptr<Backend> SetBackend(std::unique_ptr<Backend> backend) {
    std::lock_guard lock(gMutex);
    std::unique_ptr<Backend> previous = std::move(gBackend);
    gBackend = std::move(backend);
    gActive = gBackend.get();
    gGuiThread = std::this_thread::get_id();
    return previous;
}

Backend& GetBackend() {
    if (Backend* b = gActive.load())
        return *b;
    std::unique_ptr<Backend> made = MakeHeadlessBackend();
    std::lock_guard lock(gMutex);
    if (!gBackend) {
        gBackend = std::move(made);
        gActive = gBackend.get();
        gGuiThread = std::this_thread::get_id();
    }
    return *gBackend;
}

bool IsGuiThread() {
    GetBackend();
    return gGuiThread.load() == std::this_thread::get_id();
}

void PostInput(const MSG& msg) {
    MSG m = msg;
    if (!m.time)
        m.time = TickNow();
    MsgQueue* q = m.hwnd ? MsgQueue::Of(m.hwnd) : MsgQueue::Current().get();
    q->Post(m);
}

void ClientResized(TWindow& window, int width, int height) {
    window.SetClientSize(width, height);
}

void TimerFired(TWindow& window, UINT id) {
    MsgQueue::Of(&window)->TimerDue(&window, id);
}

void PostDrop(TWindow& window, std::vector<std::string> paths, TPoint point) {
    if (!window.AcceptsFiles())
        return;
    HDROP drop = MsgQueue::Of(&window)->AddDrop(DropList{std::move(paths), point});
    MSG m;
    m.hwnd = &window;
    m.message = WM_DROPFILES;
    m.wParam = reinterpret_cast<WPARAM>(drop);
    PostInput(m);
}

void PostClose(TWindow& window) {
    ::PostMessage(&window, WM_CLOSE, 0, 0);
}

void PostMenuCommand(TWindow& window, int id) {
    MSG m;
    m.hwnd = &window;
    m.message = WM_COMMAND;
    m.wParam = WPARAM(id);
    PostInput(m);
}

void MenuHelpKey(TWindow& window, int highlightedId) {
    MsgQueue* q = MsgQueue::Of(&window);
    q->menuHelpWindow = &window;
    q->menuHelpItem = highlightedId;
    MSG m;
    m.hwnd = &window;
    m.message = WM_ENTERIDLE;
    m.wParam = MSGF_MENU;
    m.keyState = KS_F1;
    PostInput(m);
}

} // namespace plat
