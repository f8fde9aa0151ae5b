// The test script: expected prompts with their answers, matched in order, and the prompt log.
#include "core/msg_queue.hpp"
#include "headless/headless_backend.hpp"
#include "plat/dialog.hpp"
#include "plat/fault.hpp"
#include "plat/filedlg.hpp"
#include "plat/msgbox.hpp"
#include "plat/window.hpp"

#include <filesystem>
#include <sstream>

namespace plat::test {

namespace {
Script* gActive = nullptr;
std::function<void(const Script&)> gEndHook;

std::string Quoted(const std::string& s) {
    std::string q;
    q.reserve(s.size() + 2);
    q.append(1, '"').append(s).append(1, '"');
    return q;
}

std::string Describe(PromptKind kind, const std::string& caption, const std::string& text,
                     int dialogId) {
    std::string d = KindName(kind);
    if (kind == PromptKind::Dialog)
        d.append(" ").append(std::to_string(dialogId));
    if (!caption.empty())
        d.append(" ").append(Quoted(caption));
    if (!text.empty())
        d.append(": ").append(Quoted(text));
    return d;
}

std::string ButtonName(int result) {
    switch (result) {
    case IDOK:
        return "OK";
    case IDCANCEL:
        return "Cancel";
    case IDYES:
        return "Yes";
    case IDNO:
        return "No";
    default:
        return std::to_string(result);
    }
}

int CancelAnswer(UINT flags) {
    switch (flags & MB_TYPEMASK) {
    case MB_YESNO:
        return IDNO;
    case MB_OK:
        return IDOK;
    default:
        return IDCANCEL;
    }
}
} // namespace

const char* KindName(PromptKind kind) {
    switch (kind) {
    case PromptKind::Box:
        return "message box";
    case PromptKind::Input:
        return "input box";
    case PromptKind::Dialog:
        return "dialog";
    case PromptKind::FileOpen:
        return "open dialog";
    case PromptKind::FileSave:
        return "save dialog";
    case PromptKind::Edit:
        return "text window";
    }
    return "prompt";
}

std::string Step::mismatch(PromptKind kind, const std::string& caption, const std::string& text,
                           int dialogId) const {
    if (kind != kind_)
        return std::string("expected a ") + KindName(kind_);
    if (dialogId_ && *dialogId_ != dialogId)
        return "expected dialog " + std::to_string(*dialogId_);
    if (caption_ && *caption_ != caption)
        return "expected caption " + Quoted(*caption_);
    if (text_ && *text_ != text)
        return "expected text " + Quoted(*text_);
    if (textHas_ && text.find(*textHas_) == std::string::npos)
        return "expected text containing " + Quoted(*textHas_);
    return {};
}

Script* ActiveScript() {
    return gActive;
}

void SetScriptEndHook(std::function<void(const Script&)> hook) {
    gEndHook = std::move(hook);
}

Script::Script() {
    if (!dynamic_cast<HeadlessBackend*>(&GetBackend()))
        previous_ = SetBackend(MakeHeadlessBackend());
    MsgQueue::Current()->Clear();
    Headless().Clear();
    outer_ = gActive;
    gActive = this;
}

Script::~Script() {
    gActive = outer_;
    if (!done())
        ReportFault(std::to_string(remaining()) + " scripted prompt(s) never shown, the first a " +
                    KindName(steps_[next_]->kind()));
    if (gEndHook)
        gEndHook(*this);
    if (previous_)
        SetBackend(std::move(previous_));
}

Step& Script::add(PromptKind kind) {
    steps_.push_back(std::make_unique<Step>(kind));
    return *steps_.back();
}

Step& Script::expectBox() {
    return add(PromptKind::Box);
}
Step& Script::expectInput() {
    return add(PromptKind::Input);
}
Step& Script::expectDialog(int dialogId) {
    Step& s = add(PromptKind::Dialog);
    s.dialogId_ = dialogId;
    return s;
}
Step& Script::expectFileOpen() {
    return add(PromptKind::FileOpen);
}
Step& Script::expectFileSave() {
    return add(PromptKind::FileSave);
}
Step& Script::expectEdit() {
    return add(PromptKind::Edit);
}

Step* Script::take(PromptKind kind, const std::string& caption, const std::string& text,
                   int dialogId) {
    std::string why;
    if (done())
        why = "no prompt was expected";
    else
        why = steps_[next_]->mismatch(kind, caption, text, dialogId);
    if (why.empty())
        return steps_[next_++].get();
    // A surplus prompt keeps the script where it is, so the later prompts still line up.
    if (policy_ == Unexpected::Fail)
        ReportFault("unexpected " + Describe(kind, caption, text, dialogId) + " (" + why + ")");
    return nullptr;
}

void Script::pumpUntilIdle() {
    while (PumpOnce(false)) {
    }
}

std::string Script::logText() const {
    std::ostringstream out;
    for (const PromptRecord& r : log_) {
        out << Describe(r.kind, r.caption, r.text, r.dialogId) << " -> " << ButtonName(r.result);
        if (!r.answer.empty())
            out << ' ' << Quoted(r.answer);
        out << '\n';
    }
    return out.str();
}

int Script::box(HWND owner, const std::string& text, const std::string& caption, UINT flags) {
    Step* s = take(PromptKind::Box, caption, text, 0);
    int result;
    if (s && s->button_)
        result = *s->button_;
    else if (!s && policy_ == Unexpected::Cancel)
        result = CancelAnswer(flags);
    else
        result = DefaultBoxAnswer(flags);
    std::string answer;
    if (s && s->clicked_) {
        answer = "clicked";
        if (HWND captor = GetCapture()) {
            // The desktop hands the click to the window holding the capture.
            const TRect r = captor->GetClientRect();
            click(captor, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
            ReportFault("the click on " + Describe(PromptKind::Box, caption, text, 0) +
                        " went to the window holding the mouse capture");
            answer = "click taken by the window holding the mouse capture";
            result = DefaultBoxAnswer(flags);
        }
    }
    log_.push_back({PromptKind::Box, owner, caption, text, flags, 0, answer, result});
    return result;
}

bool Script::input(HWND owner, const std::string& title, const std::string& prompt, std::string& io,
                   int limit) {
    Step* s = take(PromptKind::Input, title, prompt, 0);
    bool ok = s && s->button_.value_or(IDOK) == IDOK && s->text_answer_;
    if (ok)
        io = s->text_answer_->substr(0, limit > 0 ? std::size_t(limit - 1) : 0);
    log_.push_back({PromptKind::Input, owner, title, prompt, 0, 0, ok ? io : std::string(),
                    ok ? IDOK : IDCANCEL});
    return ok;
}

namespace {

// Checking a radio button clears the others of its group, as the desktop's buttons do.
void CheckRadio(TDialog& dialog, int id) {
    const DialogTemplate* t = dialog.GetTemplate();
    if (!t)
        return;
    std::size_t at = 0;
    while (at < t->controls.size() && t->controls[at].id != id)
        ++at;
    if (at == t->controls.size())
        return;
    std::size_t first = at;
    while (first > 0 && !t->controls[first].groupStart)
        --first;
    for (std::size_t i = first; i < t->controls.size(); ++i) {
        if (i > first && t->controls[i].groupStart)
            break;
        if (t->controls[i].kind != ControlKind::Radio || t->controls[i].id == id)
            continue;
        if (auto* r = dynamic_cast<TRadioButton*>(dialog.FindControl(t->controls[i].id)))
            r->SetCheck(BF_UNCHECKED);
    }
}

} // namespace

int Script::dialog(TDialog& dialog) {
    const int id = dialog.GetResourceId();
    while (!dialog.IsEnded()) {
        Step* s = take(PromptKind::Dialog, dialog.GetCaption(), {}, id);
        if (!s) {
            if (policy_ == Unexpected::DefaultButton)
                dialog.CmOk();
            if (!dialog.IsEnded())
                dialog.CmCancel();
            break;
        }
        for (const auto& [control, text] : s->edits_) {
            if (auto* e = dynamic_cast<TEdit*>(dialog.FindControl(control)))
                e->SetText(text);
            else
                ReportFault("dialog " + std::to_string(id) + " has no edit " +
                            std::to_string(control));
        }
        for (const auto& [control, on] : s->checks_) {
            auto* c = dynamic_cast<TCheckBox*>(dialog.FindControl(control));
            if (!c) {
                ReportFault("dialog " + std::to_string(id) + " has no check box or radio button " +
                            std::to_string(control));
                continue;
            }
            if (on && dynamic_cast<TRadioButton*>(c))
                CheckRadio(dialog, control);
            c->SetCheck(on ? BF_CHECKED : BF_UNCHECKED);
        }
        std::size_t before = log_.size();
        int button = s->button_.value_or(IDOK);
        if (button == IDOK)
            dialog.CmOk();
        else
            dialog.CmCancel();
        // The dialog's entry goes before the boxes it showed while refusing to close.
        PromptRecord r{PromptKind::Dialog,
                       dialog.GetParent(),
                       dialog.GetCaption(),
                       {},
                       0,
                       id,
                       {},
                       dialog.IsEnded() ? dialog.GetResult() : 0};
        r.answer = dialog.IsEnded() ? "" : "stayed open";
        log_.insert(log_.begin() + std::ptrdiff_t(before), r);
        if (!dialog.IsEnded() && (done() || steps_[next_]->kind() != PromptKind::Dialog)) {
            ReportFault("dialog " + std::to_string(id) +
                        " stayed open after OK and the script has no "
                        "further step for it");
            dialog.CmCancel();
        }
    }
    return dialog.GetResult();
}

bool Script::file(const OpenFileRecord& record, bool save, std::vector<std::string>& paths,
                  DWORD& filterIndex) {
    PromptKind kind = save ? PromptKind::FileSave : PromptKind::FileOpen;
    Step* s = take(kind, record.lpstrTitle, {}, 0);
    // answer("path") and answer({"path"}) both name one file.
    if (s && s->paths_.empty() && s->text_answer_)
        s->paths_ = {*s->text_answer_};
    bool ok = s && s->button_.value_or(IDOK) == IDOK && !s->paths_.empty();
    std::string joined;
    if (ok) {
        paths = s->paths_;
        if (s->filterIndex_)
            filterIndex = DWORD(*s->filterIndex_);
        for (const std::string& p : paths) {
            joined += (joined.empty() ? "" : "\n") + p;
            // The desktop's dialog would not let the user pick a file that is not there.
            if ((record.Flags & OFN_FILEMUSTEXIST) && !std::filesystem::exists(p))
                ReportFault(std::string(KindName(kind)) + " " + Quoted(record.lpstrTitle) +
                            " requires an existing file, " + Quoted(p) + " does not exist");
        }
        if (paths.size() > 1 && (save || !(record.Flags & OFN_ALLOWMULTISELECT)))
            ReportFault(std::string(KindName(kind)) + " " + Quoted(record.lpstrTitle) +
                        " allows one file only");
    }
    std::string patterns;
    for (const auto& filter : record.filters)
        patterns += (patterns.empty() ? "" : "\n") + filter.second;
    log_.push_back({kind, record.hwndOwner, record.lpstrTitle, patterns, record.Flags, 0, joined,
                    ok ? IDOK : IDCANCEL, record.lpstrInitialDir, record.InitialName()});
    return ok;
}

bool Script::edit(std::string& io, std::size_t limit) {
    Step* s = take(PromptKind::Edit, {}, {}, 0);
    if (s && s->text_answer_)
        io = *s->text_answer_;
    log_.push_back({PromptKind::Edit, nullptr, {}, {}, 0, 0, io, IDOK});
    return true;
}

} // namespace plat::test
