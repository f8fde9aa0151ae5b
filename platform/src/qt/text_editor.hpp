// The modal plain-text editor window: shows a text, gives back what the user left in it.
#pragma once

#include <QtWidgets/QDialog>
#include <string>

class QPlainTextEdit;

namespace plat::qt {

class TextEditor : public QDialog {
    Q_OBJECT
  public:
    explicit TextEditor(const std::string& text);

    // The text as it is now, cut to `limit - 1` characters (the caller's buffer holds a
    // terminator too); a limit of 0 gives nothing back.
    std::string text(std::size_t limit) const;
    QPlainTextEdit& edit() { return *edit_; }

  protected:
    // Esc is a key for the text, not a way to close the window.
    void keyPressEvent(QKeyEvent* e) override;

  private:
    QPlainTextEdit* edit_;
};

} // namespace plat::qt
