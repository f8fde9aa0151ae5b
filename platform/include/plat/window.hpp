// Windows: a retained client-area surface, painting, the message map, caption, cursor, capture,
// timers, dropped files and the menu.
#pragma once

#include "plat/app.hpp"
#include "plat/menu.hpp"
#include "plat/message_map.hpp"
#include "plat/messages.hpp"
#include "plat/msgbox.hpp"
#include "plat/surface.hpp"

#include <memory>
#include <string>
#include <vector>

class TDC;

// Standard cursors.
constexpr int IDC_ARROW = 32512;
constexpr int IDC_IBEAM = 32513;
constexpr int IDC_WAIT = 32514;
constexpr int IDC_CROSS = 32515;
constexpr int IDC_SIZEWE = 32644;

namespace plat {
class Backend;
class MsgQueue;
} // namespace plat

class TWindow {
  public:
    explicit TWindow(TWindow* parent = nullptr, const char* title = nullptr);
    virtual ~TWindow();
    TWindow(const TWindow&) = delete;
    TWindow& operator=(const TWindow&) = delete;

    // Makes the window on the desktop, then calls SetupWindow. Returns false when it exists.
    bool Create();
    // Removes the window from the desktop; its pending messages and timers go with it.
    void Destroy(int retVal = 0);
    bool IsWindow() const { return created_; }
    HWND GetHandle() { return this; }
    TWindow* GetParent() const { return parent_; }
    TApplication* GetApplication() const { return GetApplicationObject(); }

    // Slots a derived window overrides.
    virtual void SetupWindow() {}
    virtual void CleanupWindow() {}
    // Called inside WM_PAINT with a DC on the surface; the rectangle has been cleared to white
    // when erase is set. The window counts as painted before the call, so an invalidation made
    // during Paint asks for one more WM_PAINT.
    virtual void Paint(TDC& dc, bool erase, TRect& rect) {}
    // Own map entry for the message (command id for WM_COMMAND), else the base class's.
    virtual const plat::MapEntry* Find(UINT message, UINT id) const { return nullptr; }
    virtual bool CanClose() { return true; }
    // The close box and WM_CLOSE: destroys the window when CanClose agrees.
    virtual void CloseWindow(int retVal = 0);
    // Dispatches one message: WM_PAINT paints, WM_CLOSE closes, WM_DROPFILES is finished after
    // its handler; everything else goes to the map (unknown commands do nothing). The surface has
    // its new size before WM_SIZE arrives.
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // Client area. The surface is what the desktop shows; drawing outside Paint goes straight
    // into it and is presented when the DC is released.
    TRect GetClientRect() const { return {0, 0, surface_.Width(), surface_.Height()}; }
    plat::Surface& GetSurface() { return surface_; }
    const plat::Surface& GetSurface() const { return surface_; }
    // Reallocates the surface (white), invalidates it with erase and posts WM_SIZE.
    void SetClientSize(int width, int height);
    void Invalidate(bool erase = true);
    void InvalidateRect(const TRect& rect, bool erase = true);
    void Validate();
    bool IsInvalid() const { return !invalid_.IsEmpty(); }
    TRect GetInvalidRect() const { return invalid_; }
    bool ErasePending() const { return erasePending_; }
    // Paints now when the window is invalid (what WM_PAINT does).
    void UpdateWindow();
    // Shows the given part of the surface on the desktop at once.
    void Present(const TRect& dirty);

    void SetCaption(const char* caption);
    const std::string& GetCaption() const { return caption_; }
    void SetCursor(int cursorId);
    int GetCursor() const { return cursor_; }
    void SetCapture();
    void ReleaseCapture();
    bool HasCapture() const;
    // Timers deliver WM_TIMER with the id; a second SetTimer with the same id restarts it.
    bool SetTimer(UINT id, UINT milliseconds);
    bool KillTimer(UINT id);
    void DragAcceptFiles(bool accept);
    bool AcceptsFiles() const { return acceptsFiles_; }

    // The menu bar. Edits through GetMenu() are mirrored on the desktop as they happen.
    void AssignMenu(plat::MenuModel menu);
    HMENU GetMenu() { return hasMenu_ ? &menu_ : nullptr; }
    const plat::MenuModel* GetMenuModel() const { return hasMenu_ ? &menu_ : nullptr; }
    void SetAcceleratorTable(plat::AcceleratorTable table);
    const plat::AcceleratorTable* GetAcceleratorTable() const {
        return hasAccelerators_ ? &accelerators_ : nullptr;
    }

    int MessageBox(const char* text, const char* caption = nullptr, UINT flags = MB_OK);

    // Command ids of the menu and the accelerators that the message map does not handle: a
    // resource naming such a command is a fault to stop at start, not a dead menu item.
    std::vector<int> UnhandledCommands() const;

    // A slot for the desktop backend's own object of this window.
    void* backendData = nullptr;

  protected:
    // Called by the base CloseWindow after destruction when this is the application's main
    // window: posts the quit message.
    virtual void Destroyed();

  private:
    void PaintNow();

    TWindow* parent_;
    std::string caption_;
    plat::Surface surface_;
    TRect invalid_{};
    bool erasePending_ = false;
    bool created_ = false;
    int cursor_ = IDC_ARROW;
    bool acceptsFiles_ = false;
    plat::MenuModel menu_;
    bool hasMenu_ = false;
    plat::AcceleratorTable accelerators_;
    bool hasAccelerators_ = false;
    std::shared_ptr<plat::MsgQueue> queue_;

    friend class plat::MsgQueue;
};

// A top-level window with a caption, a menu and accelerators. Destroying the application's main
// window ends the message loop.
class TFrameWindow : public TWindow {
  public:
    explicit TFrameWindow(TWindow* parent = nullptr, const char* title = nullptr);
};

// Windows-style calls on a window handle.
BOOL InvalidateRect(HWND hwnd, const TRect* rect, BOOL erase);
BOOL ValidateRect(HWND hwnd, const TRect* rect);
BOOL UpdateWindow(HWND hwnd);
BOOL GetClientRect(HWND hwnd, TRect* rect);
UINT SetTimer(HWND hwnd, UINT id, UINT milliseconds, void* unused = nullptr);
BOOL KillTimer(HWND hwnd, UINT id);
HWND SetCapture(HWND hwnd);
BOOL ReleaseCapture();
HWND GetCapture();
void DragAcceptFiles(HWND hwnd, BOOL accept);
BOOL SetWindowText(HWND hwnd, const char* text);
HMENU GetMenu(HWND hwnd);
BOOL DrawMenuBar(HWND hwnd);
