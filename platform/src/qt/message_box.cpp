// Message boxes on the toolkit's box, with the program's result codes.
#include "qt/message_box.hpp"

#include "plat/msgbox.hpp"

#include <QtWidgets/QAbstractButton>
#include <QtWidgets/QMessageBox>

namespace plat::qt {
namespace {

QMessageBox::Icon IconOf(unsigned flags) {
    switch (flags & MB_ICONMASK) {
    case MB_ICONSTOP:
        return QMessageBox::Critical;
    case MB_ICONQUESTION:
        return QMessageBox::Question;
    case MB_ICONEXCLAMATION:
        return QMessageBox::Warning;
    case MB_ICONINFORMATION:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

} // namespace

QMessageBox* MakeMessageBox(QWidget* owner, const std::string& text, const std::string& caption,
                            unsigned flags, bool* rings) {
    QString shown = QString::fromStdString(text);
    if (rings)
        *rings = shown.contains(QChar('\a'));
    shown.remove(QChar('\a'));

    auto* box = new QMessageBox(owner);
    box->setAttribute(Qt::WA_DeleteOnClose, false);
    box->setWindowTitle(QString::fromStdString(caption));
    box->setText(shown);
    box->setTextFormat(Qt::PlainText);
    box->setIcon(IconOf(flags));

    QMessageBox::StandardButton first = QMessageBox::Ok;
    QMessageBox::StandardButton second = QMessageBox::NoButton;
    switch (flags & MB_TYPEMASK) {
    case MB_OKCANCEL:
        box->setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        second = QMessageBox::Cancel;
        box->setEscapeButton(QMessageBox::Cancel);
        break;
    case MB_YESNO:
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        first = QMessageBox::Yes;
        second = QMessageBox::No;
        break;
    case MB_YESNOCANCEL:
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        first = QMessageBox::Yes;
        second = QMessageBox::No;
        box->setEscapeButton(QMessageBox::Cancel);
        break;
    default:
        box->setStandardButtons(QMessageBox::Ok);
        box->setEscapeButton(QMessageBox::Ok);
        break;
    }
    box->setDefaultButton((flags & MB_DEFBUTTON2) && second != QMessageBox::NoButton ? second
                                                                                     : first);
    return box;
}

int MessageBoxResult(const QMessageBox& box) {
    switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Ok:
        return IDOK;
    case QMessageBox::Yes:
        return IDYES;
    case QMessageBox::No:
        return IDNO;
    case QMessageBox::Cancel:
        return IDCANCEL;
    default:
        break;
    }
    // Closed without a button: the box's escape answer, as a box without Cancel gives no other.
    const unsigned buttons = unsigned(box.standardButtons());
    if (buttons & QMessageBox::Cancel)
        return IDCANCEL;
    if (buttons & QMessageBox::No)
        return IDNO;
    return IDOK;
}

} // namespace plat::qt
