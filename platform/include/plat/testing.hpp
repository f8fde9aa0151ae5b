// The headless test API: scripted answers to prompts, the prompt log, injected input, recorders.
#pragma once

#include "plat/backend.hpp"
#include "plat/clipboard.hpp"
#include "plat/messages.hpp"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace plat::test {

enum class PromptKind { Box, Input, Dialog, FileOpen, FileSave, Edit };
const char* KindName(PromptKind kind);

// One prompt the program showed, with the answer it got.
struct PromptRecord {
    PromptKind kind = PromptKind::Box;
    HWND owner = nullptr;
    std::string caption; // box caption, input title, file-dialog title, dialog caption
    std::string text;    // box text, input prompt, dialog id for dialogs, file-dialog patterns
    UINT flags = 0;      // box buttons and icon, file-dialog OFN flags
    int dialogId = 0;
    std::string answer;   // text typed, paths chosen (one per line), or the button
    int result = 0;       // IDOK, IDCANCEL, IDYES, IDNO
    std::string folder;   // file dialogs: the folder the dialog opened in
    std::string proposed; // file dialogs: the name the dialog opened with
};

// A scripted step: the kind of prompt expected, optional filters, and the answer.
class Step {
  public:
    explicit Step(PromptKind kind) : kind_(kind) {}

    // Filters; an unset filter matches anything.
    Step& caption(std::string c) {
        caption_ = std::move(c);
        return *this;
    }
    Step& title(std::string t) {
        caption_ = std::move(t);
        return *this;
    }
    Step& text(std::string t) {
        text_ = std::move(t);
        return *this;
    }
    Step& textHas(std::string t) {
        textHas_ = std::move(t);
        return *this;
    }
    Step& prompt(std::string p) {
        text_ = std::move(p);
        return *this;
    }
    Step& promptHas(std::string p) {
        textHas_ = std::move(p);
        return *this;
    }

    // Answers. Boxes: the button; inputs and edits: the text (OK); file dialogs: the paths.
    Step& answer(int button) {
        button_ = button;
        return *this;
    }
    Step& answer(std::string text) {
        text_answer_ = std::move(text);
        button_ = 1;
        return *this;
    }
    Step& answer(const char* text) { return answer(std::string(text)); }
    Step& answer(std::vector<std::string> paths) {
        paths_ = std::move(paths);
        button_ = 1;
        return *this;
    }
    // Boxes: the button is clicked with the mouse, not taken with the keyboard. While a window
    // holds the mouse capture the click goes to that window, as on the desktop, and the box stays
    // up: the test fails, and the box gets Return (its default button).
    Step& clicked() {
        clicked_ = true;
        return *this;
    }
    Step& filterIndex(int index) {
        filterIndex_ = index;
        return *this;
    }
    // Dialogs: values applied on top of what was transferred in, then OK or Cancel.
    Step& set(int controlId, std::string text) {
        edits_.push_back({controlId, std::move(text)});
        return *this;
    }
    Step& check(int controlId, bool on = true) {
        checks_.push_back({controlId, on});
        return *this;
    }
    Step& ok() {
        button_ = 1;
        return *this;
    }
    Step& cancel() {
        button_ = 2;
        return *this;
    }

    PromptKind kind() const { return kind_; }
    // Why a prompt does not match this step, or empty when it does.
    std::string mismatch(PromptKind kind, const std::string& caption, const std::string& text,
                         int dialogId) const;

  private:
    friend class Script;
    PromptKind kind_;
    std::optional<std::string> caption_, text_, textHas_;
    std::optional<int> dialogId_;
    std::optional<int> button_;
    std::optional<std::string> text_answer_;
    std::vector<std::string> paths_;
    std::optional<int> filterIndex_;
    bool clicked_ = false;
    std::vector<std::pair<int, std::string>> edits_;
    std::vector<std::pair<int, bool>> checks_;
};

// What happens to a prompt the script does not expect.
enum class Unexpected {
    Fail,          // report a fault (the test fails) naming the prompt, then take the default
    DefaultButton, // answer with the default button (OK, Yes, the first), silently
    Cancel,        // Cancel, No, or close, silently
};

// Installs the headless backend when another one is in place, empties this thread's queue and
// the recorders (so nothing from an earlier test leaks in), and answers the program's prompts from
// its steps, in order. Steps left unused when the script ends are reported as a fault.
class Script {
  public:
    Script();
    ~Script();
    Script(const Script&) = delete;
    Script& operator=(const Script&) = delete;

    Step& expectBox();
    Step& expectInput();
    Step& expectDialog(int dialogId);
    Step& expectFileOpen();
    Step& expectFileSave();
    Step& expectEdit();
    void onUnexpected(Unexpected policy) { policy_ = policy; }
    Unexpected policy() const { return policy_; }

    // Dispatches messages (paints and due timers included) until the queue is empty; a pending
    // quit stops it and stays pending.
    void pumpUntilIdle();
    // All steps used.
    bool done() const { return next_ >= steps_.size(); }
    std::size_t remaining() const { return steps_.size() - next_; }
    const std::vector<PromptRecord>& log() const { return log_; }
    // The log as text, one prompt per line.
    std::string logText() const;

    // The headless backend's modal calls.
    int box(HWND owner, const std::string& text, const std::string& caption, UINT flags);
    bool input(HWND owner, const std::string& title, const std::string& prompt, std::string& io,
               int limit);
    int dialog(TDialog& dialog);
    bool file(const OpenFileRecord& record, bool save, std::vector<std::string>& paths,
              DWORD& filterIndex);
    bool edit(std::string& io, std::size_t limit);

  private:
    Step& add(PromptKind kind);
    // The next step if it matches the prompt; else reports per policy and returns null.
    Step* take(PromptKind kind, const std::string& caption, const std::string& text, int dialogId);
    std::vector<std::unique_ptr<Step>> steps_;
    std::size_t next_ = 0;
    std::vector<PromptRecord> log_;
    Unexpected policy_ = Unexpected::Fail;
    std::unique_ptr<Backend> previous_;
    Script* outer_ = nullptr;
};

// The script answering prompts now, or null.
Script* ActiveScript();

// Called as each script ends, with its prompt log (the test glue writes the log of a failed test
// to a file for reading).
void SetScriptEndHook(std::function<void(const Script&)> hook);

// Injected input, posted to the window's queue as the desktop would post it.
// A key press: key-down (with the character it types) and key-up.
void key(HWND window, UINT virtualKey, char ch = 0, UINT keyState = 0);
void keyDown(HWND window, UINT virtualKey, char ch = 0, UINT keyState = 0);
void keyUp(HWND window, UINT virtualKey, UINT keyState = 0);
// A left click (button down and up); mouse() posts any one mouse message. While a window holds
// the mouse capture, the mouse messages go to it whatever window they are posted to.
void click(HWND window, int x, int y, UINT keyState = 0);
void mouse(HWND window, UINT message, int x, int y, UINT keyState = 0);
void drop(HWND window, std::vector<std::string> paths, TPoint point = {});
void menuHelpKey(HWND window, int highlightedId);
void command(HWND window, int id);
void resize(HWND window, int width, int height);
void closeBox(HWND window);
// Moves the virtual clock of the headless timers; a timer that expired (once or more) is due.
void advanceTimers(DWORD milliseconds);

// The window's client area as a PNG file.
bool windowPng(TWindow& window, const std::string& path);

// Recorders of the headless backend.
struct SoundCall {
    std::string path;
    bool sync = false;
};
struct HelpCall {
    std::string file;
    UINT command = 0;
    std::uintptr_t data = 0;
};
const std::vector<SoundCall>& sounds();
const std::vector<UINT>& beeps();
const std::vector<ProcessRequest>& processes();
// What the next process starts return (default 33: started).
void setProcessResult(int result);
const std::vector<HelpCall>& helpCalls();
// The last content given to the clipboard.
const ClipData& clipboard();
// Every text given to the clipboard since the records were cleared, oldest first.
const std::vector<std::string>& clipboardTexts();
// Cursors set on the window, oldest first.
std::vector<int> cursorHistory(const TWindow* window);
// How often the window was presented, and the last rectangle.
int presentCount(const TWindow* window);
TRect lastPresented(const TWindow* window);
// Forgets everything recorded.
void clearRecords();

} // namespace plat::test
