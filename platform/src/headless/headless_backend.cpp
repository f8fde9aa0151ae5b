// The headless backend.
#include "headless/headless_backend.hpp"

#include "plat/app.hpp"
#include "plat/dialog.hpp"
#include "plat/fault.hpp"
#include "plat/filedlg.hpp"
#include "plat/msgbox.hpp"
#include "plat/png.hpp"
#include "plat/printer.hpp"
#include "plat/window.hpp"

#include <algorithm>

namespace plat {

std::unique_ptr<Backend> MakeHeadlessBackend() {
    return std::make_unique<test::HeadlessBackend>();
}

namespace test {

HeadlessBackend& Headless() {
    if (auto* h = dynamic_cast<HeadlessBackend*>(&GetBackend()))
        return *h;
    SetBackend(MakeHeadlessBackend());
    return static_cast<HeadlessBackend&>(GetBackend());
}

int DefaultBoxAnswer(UINT flags) {
    switch (flags & MB_TYPEMASK) {
    case MB_YESNO:
    case MB_YESNOCANCEL:
        return (flags & MB_DEFBUTTON2) ? IDNO : IDYES;
    case MB_OKCANCEL:
        return (flags & MB_DEFBUTTON2) ? IDCANCEL : IDOK;
    default:
        return IDOK;
    }
}

void HeadlessBackend::pump(bool wait) {
    if (!wait)
        return;
    // Nobody will type: the program waits for input that never comes. Under a script that is a
    // test fault; otherwise (the program run headless) the user closes the main window.
    if (ActiveScript()) {
        ReportFault("the program waits for input on an empty message queue");
        PostQuitMessage(0);
        return;
    }
    TApplication* app = GetApplicationObject();
    if (app && app->GetMainWindow() && app->GetMainWindow()->IsWindow())
        PostClose(*app->GetMainWindow());
    else
        PostQuitMessage(0);
}

void HeadlessBackend::destroyWindow(TWindow& window) {
    std::erase_if(timers, [&](const Timer& t) { return t.window == &window; });
}

void HeadlessBackend::present(TWindow& window, const TRect& dirty) {
    auto& p = presents[&window];
    ++p.first;
    p.second = dirty;
}

void HeadlessBackend::startTimer(TWindow& window, UINT id, UINT milliseconds) {
    stopTimer(window, id);
    timers.push_back(
        {&window, id, std::max<DWORD>(milliseconds, 1), now + std::max<DWORD>(milliseconds, 1)});
}

void HeadlessBackend::stopTimer(TWindow& window, UINT id) {
    std::erase_if(timers, [&](const Timer& t) { return t.window == &window && t.id == id; });
}

void HeadlessBackend::AdvanceTimers(DWORD milliseconds) {
    now += milliseconds;
    for (Timer& t : timers) {
        if (t.next > now)
            continue;
        while (t.next <= now)
            t.next += t.interval;
        TimerFired(*t.window, t.id);
    }
}

void HeadlessBackend::Clear() {
    cursors.clear();
    presents.clear();
    soundCalls.clear();
    beepCalls.clear();
    processCalls.clear();
    processResult = 33;
    help.clear();
    clip = {};
    clipTexts.clear();
}

int HeadlessBackend::messageBox(TWindow* owner, const std::string& text, const std::string& caption,
                                UINT flags) {
    if (Script* s = ActiveScript())
        return s->box(owner, text, caption, flags);
    return DefaultBoxAnswer(flags);
}

bool HeadlessBackend::inputBox(TWindow* owner, const std::string& title, const std::string& prompt,
                               std::string& io, int limit) {
    if (Script* s = ActiveScript())
        return s->input(owner, title, prompt, io, limit);
    return false;
}

int HeadlessBackend::runDialog(TDialog& dialog) {
    if (Script* s = ActiveScript())
        return s->dialog(dialog);
    dialog.CmCancel();
    return dialog.GetResult();
}

bool HeadlessBackend::fileDialog(const OpenFileRecord& record, bool save,
                                 std::vector<std::string>& paths, DWORD& filterIndex) {
    if (Script* s = ActiveScript())
        return s->file(record, save, paths, filterIndex);
    return false;
}

bool HeadlessBackend::editText(std::string& io, std::size_t limit) {
    if (Script* s = ActiveScript())
        return s->edit(io, limit);
    return true;
}

bool HeadlessBackend::printDialog(TWindow* owner, const std::string& title, PrintTarget& target) {
    Script* s = ActiveScript();
    if (!s)
        return false;
    char name[1024] = "";
    OpenFileRecord record;
    record.hwndOwner = owner;
    record.filters = {{"PNG image (*.png)", "*.png"}};
    record.lpstrFile = name;
    record.nMaxFile = sizeof name;
    record.lpstrTitle = title;
    record.lpstrDefExt = "png";
    std::vector<std::string> paths;
    DWORD filterIndex = 1;
    if (!s->file(record, true, paths, filterIndex) || paths.empty())
        return false;
    target.printer.clear();
    target.file = paths[0];
    // A letter page, landscape, at 100 dots per inch.
    target.pageSize = TSize{1100, 850};
    return true;
}

bool HeadlessBackend::printPage(const PrintTarget& target, const Surface& page, bool) {
    return WritePng(page, target.file);
}

int HeadlessBackend::startProcess(const ProcessRequest& request) {
    processCalls.push_back(request);
    return processResult;
}

} // namespace test
} // namespace plat
