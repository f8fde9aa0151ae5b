// A dialog made from its template: widgets at the template's positions, bound to the dialog's
// control objects by id.
#pragma once

#include <QtWidgets/QDialog>
#include <map>

class TDialog;

namespace plat::qt {

class DialogView : public QDialog {
    Q_OBJECT
  public:
    DialogView(QWidget* owner, TDialog& dialog);

    // Control objects -> widgets (on opening, and after a refused OK).
    void Load();
    // Widgets -> control objects (before a button is handled).
    void Store();
    // The id of the button pressed since the last call (IDOK, IDCANCEL or another), else 0.
    // The close box and Esc count as IDCANCEL, Enter as the default button.
    int TakePressed();
    bool HasPressed() const { return pressed_ != 0; }

    QWidget* Control(int id) const;
    const std::map<int, QWidget*>& Controls() const { return widgets_; }
    // Closes the window once the program has ended the dialog.
    void Finish(int result) { QDialog::done(result); }

  public slots:
    void accept() override;
    void reject() override;

  protected:
    // Enter without a default button is OK, as the dialog manager of the templates does it.
    void keyPressEvent(QKeyEvent* e) override;

  private:
    void Build();

    TDialog& dialog_;
    std::map<int, QWidget*> widgets_;
    int pressed_ = 0;
};

// Removes single '&' mnemonic marks and turns "&&" into '&', for texts that show no mnemonic.
QString PlainLabel(const std::string& text);

} // namespace plat::qt
