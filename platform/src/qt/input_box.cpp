// The one-value input box.
#include "qt/input_box.hpp"

#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QVBoxLayout>

namespace plat::qt {

InputBox::InputBox(QWidget* owner, const std::string& title, const std::string& prompt,
                   const std::string& text, int limit)
    : QDialog(owner), edit_(new QLineEdit(this)) {
    setWindowTitle(QString::fromStdString(title));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QString::fromStdString(prompt), this);
    label->setTextFormat(Qt::PlainText);
    layout->addWidget(label);
    if (limit > 1)
        edit_->setMaxLength(limit - 1);
    edit_->setText(QString::fromStdString(text));
    edit_->selectAll();
    edit_->setMinimumWidth(260);
    layout->addWidget(edit_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    edit_->setFocus();
}

std::string InputBox::text() const {
    return edit_->text().toStdString();
}

} // namespace plat::qt
