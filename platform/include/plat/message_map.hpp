// Message maps: tables from a window message, or WM_COMMAND with a command id, to a handler.
#pragma once

#include "plat/messages.hpp"

#include <functional>
#include <initializer_list>
#include <vector>

namespace plat {
struct DropList;
}
using HDROP = plat::DropList*;

// The files of one WM_DROPFILES, valid until DragFinish.
class TDropInfo {
  public:
    explicit TDropInfo(HDROP handle) : handle_(handle) {}
    UINT DragQueryFileCount() const;
    UINT DragQueryFileNameLen(UINT index) const;
    // Copies at most maxChars - 1 characters and a terminator; returns the characters copied.
    UINT DragQueryFile(UINT index, char* name, UINT maxChars) const;
    bool DragQueryPoint(TPoint& point) const;
    void DragFinish();
    operator HDROP() const { return handle_; }

  private:
    HDROP handle_;
};

// The same as free functions; DragQueryFile with index 0xFFFFFFFF gives the count, with a null
// buffer the length of the name.
UINT DragQueryFile(HDROP drop, UINT index, char* buffer, UINT size);
BOOL DragQueryPoint(HDROP drop, TPoint* point);
void DragFinish(HDROP drop);

namespace plat {

struct MapEntry {
    UINT message = 0; // WM_COMMAND for a command
    UINT id = 0;      // the command id; 0 for other messages
    std::function<LRESULT(TWindow&, WPARAM, LPARAM)> call;
};

// A window class's own entries. Lookup searches these only; the class's Find override goes on to
// its base class's Find when the entry is not here.
class MessageMap {
  public:
    MessageMap(std::initializer_list<MapEntry> entries) : entries_(entries) {}
    const MapEntry* Lookup(UINT message, UINT id) const;
    std::vector<int> CommandIds() const;
    std::size_t Size() const { return entries_.size(); }

  private:
    std::vector<MapEntry> entries_;
};

// Entry makers. Each unpacks the message's arguments the way the framework's handlers take them.
template <class W> MapEntry OnCommand(UINT id, void (W::*handler)()) {
    return {WM_COMMAND, id, [handler](TWindow& w, WPARAM, LPARAM) -> LRESULT {
                (static_cast<W&>(w).*handler)();
                return 0;
            }};
}

// Keys and characters: (virtual key or character code, repeat count, flags).
template <class W> MapEntry OnMessage(UINT message, void (W::*handler)(UINT, UINT, UINT)) {
    return {message, 0, [handler](TWindow& w, WPARAM wp, LPARAM lp) -> LRESULT {
                (static_cast<W&>(w).*handler)(UINT(wp), UINT(lp & 0xFFFF),
                                              UINT((lp >> 16) & 0xFFFF));
                return 0;
            }};
}

// Mouse: (MK_* modifier keys, client point).
template <class W> MapEntry OnMessage(UINT message, void (W::*handler)(UINT, const TPoint&)) {
    return {message, 0, [handler](TWindow& w, WPARAM wp, LPARAM lp) -> LRESULT {
                (static_cast<W&>(w).*handler)(UINT(wp), TPoint{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
                return 0;
            }};
}

// WM_SIZE: (size kind, new client size).
template <class W> MapEntry OnMessage(UINT message, void (W::*handler)(UINT, const TSize&)) {
    return {message, 0, [handler](TWindow& w, WPARAM wp, LPARAM lp) -> LRESULT {
                (static_cast<W&>(w).*
                 handler)(UINT(wp), TSize{LOWORD(std::uintptr_t(lp)), HIWORD(std::uintptr_t(lp))});
                return 0;
            }};
}

// WM_ENTERIDLE: (source, window).
template <class W> MapEntry OnMessage(UINT message, void (W::*handler)(UINT, HWND)) {
    return {message, 0, [handler](TWindow& w, WPARAM wp, LPARAM lp) -> LRESULT {
                (static_cast<W&>(w).*handler)(UINT(wp), reinterpret_cast<HWND>(lp));
                return 0;
            }};
}

// WM_TIMER: (timer id).
template <class W> MapEntry OnMessage(UINT message, void (W::*handler)(UINT)) {
    return {message, 0, [handler](TWindow& w, WPARAM wp, LPARAM) -> LRESULT {
                (static_cast<W&>(w).*handler)(UINT(wp));
                return 0;
            }};
}

// WM_DROPFILES: the dropped files; the layer finishes the drop after the handler.
template <class W> MapEntry OnMessage(UINT message, void (W::*handler)(TDropInfo)) {
    return {message, 0, [handler](TWindow& w, WPARAM wp, LPARAM) -> LRESULT {
                (static_cast<W&>(w).*handler)(TDropInfo(reinterpret_cast<HDROP>(wp)));
                return 0;
            }};
}

// Any message, raw.
template <class W> MapEntry OnMessage(UINT message, LRESULT (W::*handler)(WPARAM, LPARAM)) {
    return {message, 0, [handler](TWindow& w, WPARAM wp, LPARAM lp) -> LRESULT {
                return (static_cast<W&>(w).*handler)(wp, lp);
            }};
}

} // namespace plat
