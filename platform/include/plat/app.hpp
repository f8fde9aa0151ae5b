// The thread's message queue and the application object that runs the message loop.
#pragma once

#include "plat/messages.hpp"
#include "plat/msgbox.hpp"

#include <memory>
#include <string>

class TFrameWindow;
class TWindow;

namespace plat {
class AcceleratorTable;
}

// Queue operations. Every thread has its own queue; a message posted to a window goes to the queue
// of the thread that made the window, a message without a window to the caller's queue.
//
// Retrieval order: posted messages (oldest first), then the quit request, then a synthesized
// WM_PAINT for an invalid window, then a synthesized WM_TIMER for a due timer (several expiries of
// one timer give one WM_TIMER). The filters select by window (null: any) and by message range
// (0, 0: any); WM_QUIT is returned whatever the filters.
//
// PeekMessage with PM_REMOVE removes posted user input for good (keys, mouse, commands, drops),
// which is how a computation's key polling drops clicks. Requests that must not be lost stay for
// the next GetMessage: the quit request, WM_PAINT (until the window is painted), due timers and
// the posted WM_CLOSE and WM_SIZE (which are set aside and delivered first by GetMessage).
BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
void PostQuitMessage(int exitCode);
BOOL PeekMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags);
// PeekMessage for the first message that `accept` takes, in one look through the queue: a poll
// finds input of several kinds (keys and clicks, not plain moves) behind any number of others.
BOOL PeekMessageIf(MSG* msg, HWND hwnd, bool (*accept)(const MSG&), UINT removeFlags);
// Blocks until a message is there. Returns 0 for WM_QUIT (and takes the quit request), else 1.
BOOL GetMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax);
// Posts the WM_CHAR of a character key-down so that it is retrieved next, ahead of the key-up.
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessage(const MSG* msg);
// Sends at once: calls the window's handler and returns its result.
LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
// Turns a key-down that matches the table into WM_COMMAND for hwnd and dispatches it. Returns
// nonzero when it did.
int TranslateAccelerator(HWND hwnd, const plat::AcceleratorTable* table, const MSG* msg);
// The state of a key at the time of the last retrieved message: the high bit set while held.
short GetKeyState(int virtualKey);

class TApplication {
  public:
    explicit TApplication(const char* name = nullptr);
    virtual ~TApplication();
    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;

    // Calls InitMainWindow, creates and shows the main window, then runs the message loop until
    // WM_QUIT, translating the main window's accelerators first. Returns the quit message's exit
    // code; the main window is deleted on the way out.
    virtual int Run();
    virtual void InitMainWindow() {}
    virtual bool CanClose() { return true; }

    // Takes ownership of the window.
    void SetMainWindow(TFrameWindow* window);
    TFrameWindow* GetMainWindow() const { return mainWindow_.get(); }
    const std::string& GetName() const { return name_; }

    // A message box captioned with the application's name when no caption is given.
    int MessageBox(HWND owner, const char* text, const char* caption = nullptr, UINT flags = MB_OK);

  private:
    std::string name_;
    std::unique_ptr<TFrameWindow> mainWindow_;
    TApplication* previous_ = nullptr;
};

// The application running on this process (the innermost one while a nested one runs).
TApplication* GetApplicationObject();
