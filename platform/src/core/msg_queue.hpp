// The per-thread message queue behind PostMessage, PeekMessage and GetMessage.
#pragma once

#include "plat/message_map.hpp"
#include "plat/messages.hpp"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace plat {

struct DropList {
    std::vector<std::string> paths;
    TPoint point{};
};

struct MessageFilter {
    HWND hwnd = nullptr;
    UINT min = 0;
    UINT max = 0;
    bool (*accept)(const MSG&) = nullptr; // null: any message of the range

    bool Window(HWND w) const { return hwnd == nullptr || w == hwnd; }
    bool Range(UINT m) const { return (min == 0 && max == 0) || (m >= min && m <= max); }
    bool Matches(const MSG& m) const {
        return Window(m.hwnd) && Range(m.message) && (accept == nullptr || accept(m));
    }
};

class MsgQueue {
  public:
    // The calling thread's queue, made on first use.
    static const std::shared_ptr<MsgQueue>& Current();
    // The queue of the thread that made the window.
    static MsgQueue* Of(const TWindow* window);

    MsgQueue();
    ~MsgQueue();
    bool OwnedByCaller() const { return owner_ == std::this_thread::get_id(); }

    // Thread-safe.
    void Post(const MSG& msg, bool front = false);
    void PostQuit(int exitCode);
    // Forgets every pending message, the quit request and due timers (a fresh start for tests).
    void Clear();

    // Owner thread only. Peek leaves requests for Take; Take is GetMessage without blocking.
    bool Peek(MSG& out, const MessageFilter& filter, bool remove);
    bool Take(MSG& out, const MessageFilter& filter);
    // Blocks a thread without a desktop until something is posted.
    void WaitForPost();

    void AddWindow(TWindow* window);
    void RemoveWindow(TWindow* window);
    // Drops the window's pending messages, timers and drops; it stays known to the queue.
    void Forget(TWindow* window);
    bool HasWindow(const TWindow* window) const;
    std::vector<TWindow*> Windows() const;

    void SetTimer(TWindow* window, UINT id);
    bool KillTimer(TWindow* window, UINT id);
    void TimerDue(TWindow* window, UINT id);

    HDROP AddDrop(DropList drop);
    bool HasDrop(HDROP drop) const;
    void FinishDrop(HDROP drop);

    std::uint32_t keyState = 0; // of the last retrieved message
    TWindow* menuHelpWindow = nullptr;
    int menuHelpItem = 0;

  private:
    struct Timer {
        TWindow* window;
        UINT id;
        bool due;
    };

    bool FindPosted(std::deque<MSG>& queue, MSG& out, const MessageFilter& filter, bool remove);
    bool Synthesized(MSG& out, const MessageFilter& filter, bool take);

    std::thread::id owner_;
    mutable std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<MSG> queue_;
    std::deque<MSG> setAside_; // requests removed by a poll, delivered first by Take
    bool quit_ = false;
    int quitCode_ = 0;
    std::vector<TWindow*> windows_;
    std::vector<Timer> timers_;
    std::vector<std::unique_ptr<DropList>> drops_;
};

// Milliseconds since the layer started (the time stamp of messages).
DWORD TickNow();

} // namespace plat
