// Template dialogs: building the widgets and moving values between them and the controls.
#include "qt/dialog_view.hpp"

#include "plat/dialog.hpp"
#include "qt/dialog_units.hpp"

#include <QtGui/QKeyEvent>
#include <QtWidgets/QButtonGroup>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QRadioButton>
#include <algorithm>

namespace plat::qt {

QString PlainLabel(const std::string& text) {
    QString out;
    const QString in = QString::fromStdString(text);
    for (int i = 0; i < in.size(); ++i) {
        if (in[i] == QChar('&')) {
            if (i + 1 < in.size() && in[i + 1] == QChar('&'))
                out += QChar('&'), ++i;
            continue;
        }
        out += in[i];
    }
    return out;
}

DialogView::DialogView(QWidget* owner, TDialog& dialog) : QDialog(owner), dialog_(dialog) {
    Build();
    Load();
}

void DialogView::Build() {
    const plat::DialogTemplate* tpl = dialog_.GetTemplate();
    if (!tpl)
        return;
    setWindowTitle(QString::fromStdString(tpl->caption));
    setFont(DialogFont());
    const DialogScale scale = ScaleOf(font());
    setFixedSize(scale.x(tpl->w), scale.y(tpl->h));

    QButtonGroup* radios = nullptr;
    for (const plat::ControlSpec& item : tpl->controls) {
        if (item.groupStart)
            radios = nullptr;
        QRect r = scale.rect(item.x, item.y, item.w, item.h);
        QWidget* w = nullptr;
        switch (item.kind) {
        case plat::ControlKind::Static: {
            auto* label = new QLabel(PlainLabel(item.text), this);
            label->setTextFormat(Qt::PlainText);
            // A label without a width is as wide as its text.
            if (item.w <= 0)
                r.setWidth(label->fontMetrics().horizontalAdvance(label->text()) + 2);
            if (item.h <= 0)
                r.setHeight(label->fontMetrics().height());
            w = label;
            break;
        }
        case plat::ControlKind::Edit: {
            auto* edit = new QLineEdit(this);
            int limit = item.limit;
            if (limit <= 0)
                if (auto* c = dynamic_cast<TEdit*>(dialog_.FindControl(item.id)))
                    limit = int(c->GetTextLimit());
            if (limit > 1)
                edit->setMaxLength(limit - 1);
            edit->setText(QString::fromStdString(item.text));
            w = edit;
            break;
        }
        case plat::ControlKind::Check:
            w = new QCheckBox(QString::fromStdString(item.text), this);
            break;
        case plat::ControlKind::Radio: {
            auto* radio = new QRadioButton(QString::fromStdString(item.text), this);
            // Exclusive within the template's group only, not among all radios of the dialog.
            radio->setAutoExclusive(false);
            if (!radios) {
                radios = new QButtonGroup(this);
                radios->setExclusive(true);
            }
            radios->addButton(radio);
            w = radio;
            break;
        }
        case plat::ControlKind::Group: {
            auto* box = new QGroupBox(PlainLabel(item.text), this);
            box->lower();
            w = box;
            break;
        }
        case plat::ControlKind::Button:
        case plat::ControlKind::DefButton: {
            auto* button = new QPushButton(QString::fromStdString(item.text), this);
            button->setAutoDefault(false);
            button->setDefault(item.kind == plat::ControlKind::DefButton);
            const int id = item.id;
            connect(button, &QPushButton::clicked, this, [this, id] { pressed_ = id; });
            w = button;
            break;
        }
        }
        w->setGeometry(r);
        if (item.kind == plat::ControlKind::Group)
            w->lower();
        if (item.id > 0)
            widgets_[item.id] = w;
    }
}

QWidget* DialogView::Control(int id) const {
    auto it = widgets_.find(id);
    return it == widgets_.end() ? nullptr : it->second;
}

void DialogView::Load() {
    for (TControl* c : dialog_.Controls()) {
        QWidget* w = Control(c->GetId());
        if (auto* e = dynamic_cast<TEdit*>(c)) {
            if (auto* edit = qobject_cast<QLineEdit*>(w))
                edit->setText(QString::fromStdString(e->GetText()));
        } else if (auto* b = dynamic_cast<TCheckBox*>(c)) {
            if (auto* button = qobject_cast<QAbstractButton*>(w))
                button->setChecked(b->GetCheck() == BF_CHECKED);
        }
    }
}

void DialogView::Store() {
    for (TControl* c : dialog_.Controls()) {
        QWidget* w = Control(c->GetId());
        if (auto* e = dynamic_cast<TEdit*>(c)) {
            if (auto* edit = qobject_cast<QLineEdit*>(w))
                e->SetText(edit->text().toStdString());
        } else if (auto* b = dynamic_cast<TCheckBox*>(c)) {
            if (auto* button = qobject_cast<QAbstractButton*>(w))
                b->SetCheck(button->isChecked() ? BF_CHECKED : BF_UNCHECKED);
        }
    }
}

int DialogView::TakePressed() {
    const int id = pressed_;
    pressed_ = 0;
    return id;
}

void DialogView::keyPressEvent(QKeyEvent* e) {
    const bool enter = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
    if (enter && e->modifiers() == Qt::NoModifier) {
        const QList<QPushButton*> buttons = findChildren<QPushButton*>();
        const bool hasDefault = std::any_of(buttons.begin(), buttons.end(), [](QPushButton* b) {
            return b->isDefault() && b->isVisible();
        });
        if (!hasDefault) {
            pressed_ = IDOK;
            return;
        }
    }
    QDialog::keyPressEvent(e);
}

// The toolkit's own accept and reject would close the window; the program decides instead.
void DialogView::accept() {
    pressed_ = IDOK;
}
void DialogView::reject() {
    pressed_ = IDCANCEL;
}

} // namespace plat::qt
