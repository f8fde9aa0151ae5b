// The per-thread message queue: posted messages, the quit request, and the WM_PAINT and WM_TIMER
// it makes up for invalid windows and due timers.
#include "core/msg_queue.hpp"

#include "plat/window.hpp"

#include <algorithm>
#include <chrono>

namespace plat {

namespace {

// Messages a poll may take for good: what the user typed, clicked, chose or dropped. Anything
// else a poll removes (WM_CLOSE, WM_SIZE, the program's own messages) is set aside for the next
// GetMessage, so a computation's key polling never loses a close or a quit.
bool IsUserInput(UINT m) {
    return (m >= WM_KEYFIRST && m <= WM_KEYLAST) || (m >= WM_MOUSEFIRST && m <= WM_MOUSELAST) ||
           m == WM_COMMAND || m == WM_DROPFILES || m == WM_ENTERIDLE;
}

} // namespace

DWORD TickNow() {
    static const auto start = std::chrono::steady_clock::now();
    return DWORD(std::chrono::duration_cast<std::chrono::milliseconds>(
                     std::chrono::steady_clock::now() - start)
                     .count());
}

const std::shared_ptr<MsgQueue>& MsgQueue::Current() {
    thread_local std::shared_ptr<MsgQueue> queue = std::make_shared<MsgQueue>();
    return queue;
}

MsgQueue::MsgQueue() : owner_(std::this_thread::get_id()) {}
MsgQueue::~MsgQueue() = default;

void MsgQueue::Post(const MSG& msg, bool front) {
    {
        std::lock_guard lock(mutex_);
        if (front)
            queue_.push_front(msg);
        else
            queue_.push_back(msg);
    }
    posted_.notify_all();
}

void MsgQueue::PostQuit(int exitCode) {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
        quitCode_ = exitCode;
    }
    posted_.notify_all();
}

void MsgQueue::Clear() {
    std::lock_guard lock(mutex_);
    queue_.clear();
    setAside_.clear();
    quit_ = false;
    quitCode_ = 0;
    for (Timer& t : timers_)
        t.due = false;
    drops_.clear();
    keyState = 0;
    menuHelpWindow = nullptr;
}

void MsgQueue::WaitForPost() {
    std::unique_lock lock(mutex_);
    posted_.wait(lock, [this] {
        return !queue_.empty() || !setAside_.empty() || quit_ ||
               std::any_of(timers_.begin(), timers_.end(), [](const Timer& t) { return t.due; });
    });
}

bool MsgQueue::FindPosted(std::deque<MSG>& queue, MSG& out, const MessageFilter& filter,
                          bool remove) {
    auto it =
        std::find_if(queue.begin(), queue.end(), [&](const MSG& m) { return filter.Matches(m); });
    if (it == queue.end())
        return false;
    out = *it;
    if (remove)
        queue.erase(it);
    return true;
}

bool MsgQueue::Synthesized(MSG& out, const MessageFilter& filter, bool take) {
    {
        std::lock_guard lock(mutex_);
        if (quit_) {
            out = MSG{};
            out.message = WM_QUIT;
            out.wParam = WPARAM(quitCode_);
            if (take)
                quit_ = false;
            return true;
        }
    }
    if (filter.Range(WM_PAINT)) {
        for (TWindow* w : windows_) {
            if (w->IsWindow() && w->IsInvalid() && filter.Window(w)) {
                out = MSG{};
                out.hwnd = w;
                out.message = WM_PAINT;
                if (filter.Matches(out))
                    return true;
            }
        }
    }
    if (filter.Range(WM_TIMER)) {
        std::lock_guard lock(mutex_);
        for (Timer& t : timers_) {
            if (t.due && filter.Window(t.window)) {
                out = MSG{};
                out.hwnd = t.window;
                out.message = WM_TIMER;
                out.wParam = t.id;
                if (!filter.Matches(out))
                    continue;
                if (take)
                    t.due = false;
                return true;
            }
        }
    }
    return false;
}

bool MsgQueue::Peek(MSG& out, const MessageFilter& filter, bool remove) {
    bool found;
    {
        std::lock_guard lock(mutex_);
        found = FindPosted(queue_, out, filter, remove);
        if (found && remove && !IsUserInput(out.message))
            setAside_.push_back(out);
    }
    if (!found)
        found = Synthesized(out, filter, false);
    if (found) {
        out.time = out.time ? out.time : TickNow();
        keyState = out.keyState;
    }
    return found;
}

bool MsgQueue::Take(MSG& out, const MessageFilter& filter) {
    bool found;
    {
        std::lock_guard lock(mutex_);
        found = FindPosted(setAside_, out, filter, true) || FindPosted(queue_, out, filter, true);
    }
    if (!found)
        found = Synthesized(out, filter, true);
    if (found) {
        out.time = out.time ? out.time : TickNow();
        keyState = out.keyState;
    }
    return found;
}

void MsgQueue::AddWindow(TWindow* window) {
    std::lock_guard lock(mutex_);
    windows_.push_back(window);
}

void MsgQueue::RemoveWindow(TWindow* window) {
    Forget(window);
    std::lock_guard lock(mutex_);
    windows_.erase(std::remove(windows_.begin(), windows_.end(), window), windows_.end());
}

void MsgQueue::Forget(TWindow* window) {
    std::lock_guard lock(mutex_);
    auto gone = [window](const MSG& m) { return m.hwnd == window; };
    // Drops of a vanished window are finished with it.
    for (const MSG& m : queue_) {
        if (m.hwnd == window && m.message == WM_DROPFILES) {
            auto* list = reinterpret_cast<DropList*>(m.wParam);
            std::erase_if(drops_, [&](const auto& d) { return d.get() == list; });
        }
    }
    std::erase_if(queue_, gone);
    std::erase_if(setAside_, gone);
    std::erase_if(timers_, [window](const Timer& t) { return t.window == window; });
    if (menuHelpWindow == window)
        menuHelpWindow = nullptr;
}

bool MsgQueue::HasWindow(const TWindow* window) const {
    std::lock_guard lock(mutex_);
    return std::find(windows_.begin(), windows_.end(), window) != windows_.end();
}

std::vector<TWindow*> MsgQueue::Windows() const {
    std::lock_guard lock(mutex_);
    return windows_;
}

void MsgQueue::SetTimer(TWindow* window, UINT id) {
    std::lock_guard lock(mutex_);
    for (Timer& t : timers_) {
        if (t.window == window && t.id == id) {
            t.due = false;
            return;
        }
    }
    timers_.push_back({window, id, false});
}

bool MsgQueue::KillTimer(TWindow* window, UINT id) {
    std::lock_guard lock(mutex_);
    auto n =
        std::erase_if(timers_, [&](const Timer& t) { return t.window == window && t.id == id; });
    return n > 0;
}

void MsgQueue::TimerDue(TWindow* window, UINT id) {
    {
        std::lock_guard lock(mutex_);
        for (Timer& t : timers_)
            if (t.window == window && t.id == id)
                t.due = true;
    }
    posted_.notify_all();
}

HDROP MsgQueue::AddDrop(DropList drop) {
    std::lock_guard lock(mutex_);
    drops_.push_back(std::make_unique<DropList>(std::move(drop)));
    return drops_.back().get();
}

bool MsgQueue::HasDrop(HDROP drop) const {
    std::lock_guard lock(mutex_);
    return std::any_of(drops_.begin(), drops_.end(),
                       [&](const auto& d) { return d.get() == drop; });
}

void MsgQueue::FinishDrop(HDROP drop) {
    std::lock_guard lock(mutex_);
    std::erase_if(drops_, [&](const auto& d) { return d.get() == drop; });
}

} // namespace plat
