// The modal text editor.
#include "qt/text_editor.hpp"

#include <QtGui/QKeyEvent>
#include <QtWidgets/QPlainTextEdit>
#include <QtWidgets/QVBoxLayout>

namespace plat::qt {

TextEditor::TextEditor(const std::string& text) : edit_(new QPlainTextEdit(this)) {
    // A window of its own, closed through its close box; there are no buttons.
    setWindowFlags(Qt::Window | Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    edit_->setPlainText(QString::fromStdString(text));
    edit_->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(edit_);
    resize(640, 480);
}

void TextEditor::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape)
        return;
    QDialog::keyPressEvent(e);
}

std::string TextEditor::text(std::size_t limit) const {
    if (limit == 0)
        return {};
    std::string s = edit_->toPlainText().toStdString();
    if (s.size() > limit - 1)
        s.resize(limit - 1);
    return s;
}

} // namespace plat::qt
