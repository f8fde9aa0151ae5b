// The seam between the toolkit-free layer and a desktop (or the headless test backend).
#pragma once

#include "plat/geometry.hpp"
#include "plat/messages.hpp"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

class TWindow;
class TDialog;
struct OpenFileRecord;

namespace plat {

class MenuModel;
class Surface;
struct ClipData;
struct PrintTarget;

// A process start as the layer has mapped it: an argument vector, never a shell string.
struct ProcessRequest {
    std::vector<std::string> argv;
    std::string workingDir; // empty: the program's own
    bool wait = false;      // wait for the end (CreateProcessAndWait)
};

// One instance, chosen at start. The layer calls it only on the GUI thread (the thread that
// installed it). A backend never calls window handlers: it turns desktop events into messages
// through the entry points below and lets the program's loops dispatch them.
//
// Every modal entry (messageBox, inputBox, runDialog, fileDialog, editText) is called after the
// layer has dispatched pending WM_PAINTs; while a modal call is open the backend keeps the queue
// running with PumpOnce, so a repaint requested meanwhile happens too.
class Backend {
  public:
    virtual ~Backend() = default;

    // Turns pending desktop events into messages. With wait, blocks until at least one event
    // arrived (or wake() was called).
    virtual void pump(bool wait) = 0;
    // Another thread posted a message: make a blocked pump(true) return. Thread-safe.
    virtual void wake() {}

    virtual void createWindow(TWindow& window) = 0;
    virtual void destroyWindow(TWindow& window) = 0;
    // Shows the dirty part of the window's surface now.
    virtual void present(TWindow& window, const TRect& dirty) = 0;
    virtual void setCaption(TWindow& window, const std::string& caption) = 0;
    virtual void setCursor(TWindow& window, int cursorId) = 0;
    virtual void setCapture(TWindow* window) = 0;
    // The window's menu changed (or was assigned): rebuild the desktop's menu bar from it.
    virtual void buildMenu(TWindow& window, const MenuModel& menu) = 0;
    // Repeating timer; each expiry calls TimerFired. A second start with the same id restarts.
    virtual void startTimer(TWindow& window, UINT id, UINT milliseconds) = 0;
    virtual void stopTimer(TWindow& window, UINT id) = 0;
    virtual void acceptDrops(TWindow& window, bool accept) {}
    // Alt or F10 pressed alone reached the window unhandled: its menu bar takes the keyboard and
    // shows the title that holds it, until Escape, a click or a chosen command.
    virtual void enterMenuBar(TWindow& window) {}

    // Returns IDOK, IDCANCEL, IDYES or IDNO. The caption is never empty here.
    virtual int messageBox(TWindow* owner, const std::string& text, const std::string& caption,
                           UINT flags) = 0;
    // io holds the initial text; on OK the typed text (at most limit - 1 characters).
    virtual bool inputBox(TWindow* owner, const std::string& title, const std::string& prompt,
                          std::string& io, int limit) = 0;
    // Shows the dialog's template with its controls' values; the OK button stores the widgets'
    // values into the controls and calls dialog.CmOk(), Cancel and the close box call CmCancel().
    // Runs until dialog.IsEnded() and returns dialog.GetResult().
    virtual int runDialog(TDialog& dialog) = 0;
    // Fills `paths` with full paths of the chosen files and `filterIndex` with the 1-based chosen
    // filter; false on cancel. The layer writes the caller's buffer.
    virtual bool fileDialog(const OpenFileRecord& record, bool save,
                            std::vector<std::string>& paths, DWORD& filterIndex) = 0;
    virtual bool editText(std::string& io, std::size_t limit) = 0;

    virtual void clipboardSet(const ClipData& data) = 0;
    virtual void beep(UINT type) = 0;

    // Services with a real implementation in the layer, which the headless backend records
    // instead. playSound: a missing file is silent; sync waits for the end.
    virtual void playSound(const std::string& path, bool sync);
    // Returns > 31 on success (with wait: 32 + the exit status, capped), <= 31 on failure.
    virtual int startProcess(const ProcessRequest& request);
    virtual void showHelp(const std::string& file, UINT command, std::uintptr_t data) {}

    // Printing (plat/printer.hpp). printDialog fills `target` (printer or file, page size in
    // pixels) and returns false on cancel; printPage takes one drawn page, endPrint finishes
    // the job. Without a desktop nothing can be printed.
    virtual bool printDialog(TWindow* owner, const std::string& title, PrintTarget& target) {
        return false;
    }
    virtual void printerSetup(TWindow* owner, PrintTarget& target) {}
    virtual bool printPage(const PrintTarget& target, const Surface& page, bool first) {
        return false;
    }
    virtual bool endPrint(const PrintTarget& target) { return true; }
};

// The test and console backend (plat_headless): no desktop; modal prompts are answered by the
// test script (plat/testing.hpp) or, without one, by their default button.
std::unique_ptr<Backend> MakeHeadlessBackend();

// Installs the backend for the process (taking ownership) and makes the calling thread the GUI
// thread. Returns the previous one.
std::unique_ptr<Backend> SetBackend(std::unique_ptr<Backend> backend);
// The installed backend; when none is installed yet, the headless one is installed on first use.
Backend& GetBackend();
bool IsGuiThread();

// Entry points for backends (GUI thread).
// Posts a key or mouse message (time and keyState filled in when zero).
void PostInput(const MSG& msg);
// The desktop resized the client area.
void ClientResized(TWindow& window, int width, int height);
void TimerFired(TWindow& window, UINT id);
void PostDrop(TWindow& window, std::vector<std::string> paths, TPoint point);
// The close box: posts WM_CLOSE.
void PostClose(TWindow& window);
// A menu item was chosen: posts WM_COMMAND.
void PostMenuCommand(TWindow& window, int id);
// F1 while a menu is open with `highlightedId` highlighted: posts WM_ENTERIDLE (MSGF_MENU) with F1
// held. A VK_RETURN key-down the window then posts to itself chooses the highlighted item.
void MenuHelpKey(TWindow& window, int highlightedId);

// For modal loops: pumps the desktop and dispatches one message. Returns false when there was
// nothing to dispatch or the quit request is pending (which stays for the outer loop).
bool PumpOnce(bool wait);
// Dispatches the WM_PAINTs of every invalid window of this thread.
void DispatchPendingPaints();

} // namespace plat
