// The box that asks for one value: a prompt, an edit line with a length limit, OK and Cancel.
#pragma once

#include <QtWidgets/QDialog>
#include <string>

class QLineEdit;

namespace plat::qt {

class InputBox : public QDialog {
    Q_OBJECT
  public:
    // `limit` counts the terminator of the caller's buffer: at most limit - 1 characters fit.
    InputBox(QWidget* owner, const std::string& title, const std::string& prompt,
             const std::string& text, int limit);

    std::string text() const;
    QLineEdit& edit() { return *edit_; }

  private:
    QLineEdit* edit_;
};

} // namespace plat::qt
