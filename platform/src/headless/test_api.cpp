// Injected input and the recorders of the headless backend.
#include "headless/headless_backend.hpp"
#include "plat/png.hpp"
#include "plat/window.hpp"

namespace plat::test {

namespace {
void Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam, std::uint32_t ch,
          UINT keyState) {
    MSG m;
    m.hwnd = window;
    m.message = message;
    m.wParam = wParam;
    m.lParam = lParam;
    m.charCode = ch;
    m.keyState = keyState;
    PostInput(m);
}

bool AltHeld(UINT keyState) {
    return (keyState & KS_ALT) != 0;
}
} // namespace

void keyDown(HWND window, UINT virtualKey, char ch, UINT keyState) {
    // With Alt held the desktop reports system keys, as the menu keys are.
    Post(window, AltHeld(keyState) ? WM_SYSKEYDOWN : WM_KEYDOWN, virtualKey, 1,
         std::uint32_t(static_cast<unsigned char>(ch)), keyState);
}

void keyUp(HWND window, UINT virtualKey, UINT keyState) {
    Post(window, AltHeld(keyState) ? WM_SYSKEYUP : WM_KEYUP, virtualKey, LPARAM(0xC0000001), 0,
         keyState);
}

void key(HWND window, UINT virtualKey, char ch, UINT keyState) {
    keyDown(window, virtualKey, ch, keyState);
    keyUp(window, virtualKey, keyState);
}

void mouse(HWND window, UINT message, int x, int y, UINT keyState) {
    if (HWND captor = GetCapture())
        window = captor;
    Post(window, message, keyState, MAKELPARAM(x, y), 0, keyState);
}

void click(HWND window, int x, int y, UINT keyState) {
    mouse(window, WM_LBUTTONDOWN, x, y, keyState | MK_LBUTTON);
    mouse(window, WM_LBUTTONUP, x, y, keyState);
}

void drop(HWND window, std::vector<std::string> paths, TPoint point) {
    if (window)
        PostDrop(*window, std::move(paths), point);
}

void menuHelpKey(HWND window, int highlightedId) {
    if (window)
        MenuHelpKey(*window, highlightedId);
}

void command(HWND window, int id) {
    if (window)
        PostMenuCommand(*window, id);
}

void resize(HWND window, int width, int height) {
    if (window)
        ClientResized(*window, width, height);
}

void closeBox(HWND window) {
    if (window)
        PostClose(*window);
}

void advanceTimers(DWORD milliseconds) {
    Headless().AdvanceTimers(milliseconds);
}

bool windowPng(TWindow& window, const std::string& path) {
    return WritePng(window.GetSurface(), path);
}

const std::vector<SoundCall>& sounds() {
    return Headless().soundCalls;
}
const std::vector<UINT>& beeps() {
    return Headless().beepCalls;
}
const std::vector<ProcessRequest>& processes() {
    return Headless().processCalls;
}
void setProcessResult(int result) {
    Headless().processResult = result;
}
const std::vector<HelpCall>& helpCalls() {
    return Headless().help;
}
const ClipData& clipboard() {
    return Headless().clip;
}
const std::vector<std::string>& clipboardTexts() {
    return Headless().clipTexts;
}

std::vector<int> cursorHistory(const TWindow* window) {
    auto& c = Headless().cursors;
    auto it = c.find(window);
    return it == c.end() ? std::vector<int>{} : it->second;
}

int presentCount(const TWindow* window) {
    auto& p = Headless().presents;
    auto it = p.find(window);
    return it == p.end() ? 0 : it->second.first;
}

TRect lastPresented(const TWindow* window) {
    auto& p = Headless().presents;
    auto it = p.find(window);
    return it == p.end() ? TRect{} : it->second.second;
}

void clearRecords() {
    Headless().Clear();
}

} // namespace plat::test
