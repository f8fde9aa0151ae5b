// Modal dialogs made from templates, their controls and transfer records, and the input box.
#pragma once

#include "plat/msgbox.hpp"
#include "plat/window.hpp"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace plat {

enum class ControlKind { Static, Edit, Check, Radio, Group, Button, DefButton };

// One control of a template, in dialog units. `groupStart` opens a new radio group; `limit` is
// the text limit of an edit (0: as the dialog's TEdit says).
struct ControlSpec {
    int id = -1;
    ControlKind kind = ControlKind::Static;
    std::string text;
    int x = 0, y = 0, w = 0, h = 0;
    bool groupStart = false;
    int limit = 0;
};

struct DialogTemplate {
    int id = 0;
    std::string caption;
    std::string font = "MS Sans Serif";
    int fontSize = 8;
    int w = 0, h = 0;
    std::vector<ControlSpec> controls;

    const ControlSpec* Find(int controlId) const;
};

// The templates the program's resources provide, looked up by resource id.
void RegisterDialogTemplate(DialogTemplate dialog);
const DialogTemplate* FindDialogTemplate(int id);

} // namespace plat

class TDialog;

constexpr unsigned BF_UNCHECKED = 0;
constexpr unsigned BF_CHECKED = 1;

// A control object of a dialog, made with new in the dialog's constructor in transfer order; the
// dialog deletes it. Controls hold their text or state here; the desktop copies it to
// its widgets when the dialog opens and back before OK is handled.
class TControl {
  public:
    TControl(TDialog* parent, int id);
    virtual ~TControl() = default;
    int GetId() const { return id_; }
    TDialog* GetParentDialog() const { return parent_; }
    virtual plat::ControlKind Kind() const = 0;
    // Bytes this control takes in the transfer record.
    virtual std::size_t TransferSize() const = 0;
    virtual void TransferIn(const std::uint8_t* record) = 0;
    virtual void TransferOut(std::uint8_t* record) const = 0;

  private:
    TDialog* parent_;
    int id_;
};

// An edit field. Its transfer field is `textLimit` bytes: the text, NUL-terminated, at most
// textLimit - 1 characters.
class TEdit : public TControl {
  public:
    TEdit(TDialog* parent, int id, unsigned textLimit);
    plat::ControlKind Kind() const override { return plat::ControlKind::Edit; }
    std::size_t TransferSize() const override { return limit_; }
    void TransferIn(const std::uint8_t* record) override;
    void TransferOut(std::uint8_t* record) const override;
    const std::string& GetText() const { return text_; }
    // Cut to the limit as the field does.
    void SetText(const std::string& text);
    unsigned GetTextLimit() const { return limit_; }

  private:
    unsigned limit_;
    std::string text_;
};

// A check box; its transfer field is a u32 state.
class TCheckBox : public TControl {
  public:
    TCheckBox(TDialog* parent, int id);
    plat::ControlKind Kind() const override { return plat::ControlKind::Check; }
    std::size_t TransferSize() const override { return sizeof(std::uint32_t); }
    void TransferIn(const std::uint8_t* record) override;
    void TransferOut(std::uint8_t* record) const override;
    unsigned GetCheck() const { return state_; }
    void SetCheck(unsigned state) { state_ = state; }

  private:
    unsigned state_ = BF_UNCHECKED;
};

// A radio button: a check box whose template group makes its siblings exclusive.
class TRadioButton : public TCheckBox {
  public:
    TRadioButton(TDialog* parent, int id) : TCheckBox(parent, id) {}
    plat::ControlKind Kind() const override { return plat::ControlKind::Radio; }
};

class TDialog : public TWindow {
  public:
    // transferSize, when given, is checked against the controls at Execute.
    TDialog(TWindow* parent, int resourceId, void* transfer = nullptr,
            std::size_t transferSize = 0);
    ~TDialog() override;

    // Transfers the record into the controls, checks them against the template and runs the
    // dialog modally. Returns IDOK or IDCANCEL, or -1 when the dialog cannot be made (unknown
    // template, a control the template lacks, a record of the wrong size).
    virtual int Execute();
    // The OK path: transfers the controls into the record, then asks CanClose; a refusal keeps
    // the dialog open. Any other result ends it at once.
    void CloseWindow(int result) override;
    // What the desktop's OK and Cancel buttons call.
    void CmOk() { CloseWindow(IDOK); }
    void CmCancel() { EndDialog(IDCANCEL); }
    void EndDialog(int result);
    bool IsEnded() const { return ended_; }
    int GetResult() const { return result_; }

    int GetResourceId() const { return resourceId_; }
    const plat::DialogTemplate* GetTemplate() const;
    const std::vector<TControl*>& Controls() const { return controls_; }
    TControl* FindControl(int id) const;

    void SetTransferBuffer(void* transfer, std::size_t size = 0);
    void* GetTransferBuffer() const { return transfer_; }
    // Sum of the controls' transfer fields.
    std::size_t TransferRecordSize() const;
    // Record -> controls (true) or controls -> record (false).
    void TransferData(bool intoControls);

  private:
    friend class TControl;
    void AddControl(TControl* control) { controls_.push_back(control); }

    int resourceId_;
    void* transfer_;
    std::size_t transferSize_;
    std::vector<TControl*> controls_;
    bool ended_ = false;
    int result_ = IDCANCEL;
};

// A box asking for one line of text. On OK the text is copied into the caller's buffer (at most
// size - 1 characters and a terminator).
class TInputDialog {
  public:
    TInputDialog(TWindow* owner, const char* title, const char* prompt, char* buffer, int size);
    int Execute();
    const std::string& GetTitle() const { return title_; }
    const std::string& GetPrompt() const { return prompt_; }

  private:
    TWindow* owner_;
    std::string title_;
    std::string prompt_;
    char* buffer_;
    int size_;
};

namespace plat {

// A modal text window prefilled with `text`; when the user closes it, `text` holds what the
// window held, cut to limit - 1 characters.
void EditTextModal(std::string& text, std::size_t limit);

} // namespace plat

// The free-text editor of the commands: a window of its own holding `initial` (when hasInitial
// is set), run modally until the user closes it; then at most size - 1 characters of what it
// holds and a terminator are written to buffer. A null buffer or a size of 0 is refused (false)
// and nothing is written.
bool EditTextModal(char* buffer, unsigned size, bool hasInitial, const char* initial);
