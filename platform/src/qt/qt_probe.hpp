// Test access to the desktop backend without toolkit types: what the desktop shows, simulated
// user input, and answers for modal windows. Used by the offscreen smoke tests only.
#pragma once

#include "plat/surface.hpp"

#include <functional>
#include <string>
#include <utility>
#include <vector>

class TWindow;

namespace plat::qtprobe {

// The client area as the desktop draws it (a grab of the widget).
plat::Surface GrabClient(TWindow& window);
// Paint events the client area has handled; presenting a drawing adds one before it returns.
int ClientPaints(TWindow& window);
// Resizes the frame so that the client area gets the given size.
void ResizeClient(TWindow& window, int width, int height);
std::string Caption(TWindow& window);
// The desktop cursor of the client area: "arrow", "wait", "cross", "sizewe" or "other".
std::string CursorName(TWindow& window);

struct MenuEntry {
    bool present = false;
    bool checked = false;
    bool enabled = false;
    std::string text;
};
MenuEntry MenuEntryOf(TWindow& window, int id);
std::vector<std::string> MenuBarTitles(TWindow& window);
// Chooses the item as a click would.
void ChooseMenuItem(TWindow& window, int id);
// Opens the popup holding the item, highlights it and presses F1 there.
void PressF1OnMenuItem(TWindow& window, int id);
bool AnyPopupOpen(TWindow& window);

// Key and pointer input as the desktop delivers it to the client area. `key` is a key name as
// shortcuts are written ("Left", "Ctrl+L", "A", "Return"). SendShortcutOverride returns whether
// the client claimed the key before the menu bar could see it.
void SendKey(TWindow& window, const std::string& key, bool down);
bool SendShortcutOverride(TWindow& window, const std::string& key);
// The same as the desktop delivers it to the window: to its open menu, else to the widget of the
// window that holds the keyboard, a press offered to the shortcuts (a menu title's letter)
// first. "Alt" is the key alone; Escape to an open menu closes it.
void SendKeyToFocus(TWindow& window, const std::string& key, bool down);
// The key pressed and released as a keyboard sends it: its modifiers go down one by one before it
// and come up after it ("Alt+D" is Alt, D, D up, Alt up).
void TypeKey(TWindow& window, const std::string& key);
// Opens the menu of the bar's title as a click on the title does.
void OpenMenuOfTitle(TWindow& window, int title);
// The title of the open menu of the bar ("" when none is open).
std::string OpenMenuTitle(TWindow& window);
// Whether the bar's title is drawn as the one that holds the keyboard.
bool MenuTitleShownCurrent(TWindow& window, int title);
// Whether the window's client area holds the keyboard, not its menu bar.
bool ClientHoldsKeyboard(TWindow& window);
enum class MouseAction { Press, Release, DoubleClick, Move };
// `button`: 1 left, 2 right, 3 middle; `mk`: MK_SHIFT and MK_CONTROL of the modifiers.
void SendMouse(TWindow& window, MouseAction action, int x, int y, int button, unsigned mk);
// Drags the files over the client and drops them; false when the client refused the drag.
bool SendDrop(TWindow& window, const std::vector<std::string>& paths, int x, int y);
void PressCloseBox(TWindow& window);

// Answers for the next modal windows, in the order they open. A dialog that stays open after
// a refused OK counts as opening again.
void AnswerBox(int buttonId); // IDOK, IDCANCEL, IDYES, IDNO
// Invalidates `window` while the box is open, lets the queue run until the window has been
// repainted (or a generous number of rounds has passed), then presses the button.
void AnswerBoxAfterRepaint(TWindow& window, int buttonId);
void AnswerInput(const std::string& typed, bool ok); // types into the edit line, then OK/Cancel
// Sets edit texts and check states by control id, then presses the button.
void AnswerDialog(std::vector<std::pair<int, std::string>> edits,
                  std::vector<std::pair<int, bool>> checks, int buttonId);
// The next template dialog as the user sees it: its picture and the ids of its controls in the
// order the Tab key visits them; then `key` ("Return", "Escape") is pressed in the control that
// has the focus. `look` must outlive the dialog.
struct DialogLook {
    plat::Surface picture;
    std::vector<int> tabOrder;
};
void LookAtDialogThenPress(DialogLook& look, const std::string& key);
void AnswerFiles(const std::string& folder, std::vector<std::string> names, bool ok);
void AnswerEditor(const std::string& text); // replaces the text, then closes
// The print dialog: chooses printing to the PDF file `path` and presses Print (ok) or Cancel.
void AnswerPrintToFile(const std::string& path, bool ok);
bool AnswersPending();
// What the modal windows showed, in order: caption and text of a box, caption and prompt of
// an input, the prefilled text of the editor.
struct Shown {
    std::string caption;
    std::string text;
    bool hadOwner = false;
    std::vector<std::string> dialogEditLimits; // "id:maxLength" of a template dialog's edits
};
const std::vector<Shown>& ShownLog();
void ClearShownLog();

// The desktop clipboard: its formats (MIME types), the text, a format's bytes, the image size.
std::vector<std::string> ClipboardFormats();
std::string ClipboardText();
std::string ClipboardBytes(const std::string& format);
TSize ClipboardImageSize();

// A PDF file the desktop printed: its page count and the picture of its first page's image
// (false when the file is missing or holds no image the desktop writes).
bool ReadPrintedPdf(const std::string& path, int& pages, plat::Surface& firstImage);

// Runs the toolkit's pending events once (timers, posted calls), without waiting.
void ProcessEvents();
// Calls f from the toolkit's timer slot after the given milliseconds, inside its event loop (the
// ThreadSanitizer check that races of ours there are still reported).
void CallFromTimerSlot(int milliseconds, std::function<void()> f);
// Hands the bytes to the toolkit as a copy of its own (its byte array) and returns the sum of the
// copy (the ThreadSanitizer check that a race of ours on a buffer the toolkit reads is reported).
long SumOfToolkitCopy(const char* data, int size);

} // namespace plat::qtprobe
