// Menu bar mirror: model items become actions, choices become WM_COMMAND messages.
#include "qt/menu_bar.hpp"

#include "plat/backend.hpp"
#include "plat/window.hpp"
#include "qt/key_codes.hpp"

#include <QtCore/QCoreApplication>
#include <QtGui/QAction>
#include <QtGui/QKeyEvent>
#include <QtGui/QKeySequence>
#include <QtGui/QShortcutEvent>
#include <QtWidgets/QApplication>
#include <QtWidgets/QMenu>
#include <QtWidgets/QMenuBar>
#include <QtWidgets/QProxyStyle>
#include <QtWidgets/QStyleOption>

namespace plat::qt {
namespace {

constexpr const char* kIdProperty = "tarnixCommand";

void AppendShape(std::string& out, const std::vector<plat::MenuItem>& items) {
    for (const plat::MenuItem& it : items) {
        if (it.separator) {
            out += "-;";
        } else if (it.popup) {
            out += "P" + it.text + "{";
            AppendShape(out, it.children);
            out += "};";
        } else {
            out += std::to_string(it.id) + "=" + it.text + ";";
        }
    }
}

// Only a checked item is checkable: the style would draw an empty box beside every other one,
// where the menus show nothing.
void ShowCheck(QAction& action, bool checked) {
    action.setCheckable(checked);
    action.setChecked(checked);
}

// Whether the bar holds its window's keyboard, as the bar's keyboard mode leaves it.
bool HoldsKeyboard(const QWidget& bar) {
    return bar.window()->focusWidget() == &bar;
}

// The bar's style: the desktop's, except that while the bar holds the keyboard its current title
// is drawn as an open one, so that the user sees where the arrows and Down will go. Some styles
// draw nothing for a title that is only current.
class KeyboardTitleStyle : public QProxyStyle {
  public:
    using QProxyStyle::QProxyStyle;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
        if (element == CE_MenuBarItem && widget && HoldsKeyboard(*widget) &&
            (option->state & State_Selected)) {
            if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option)) {
                QStyleOptionMenuItem shown = *item;
                shown.state |= State_Sunken;
                QProxyStyle::drawControl(element, &shown, painter, widget);
                return;
            }
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }
};

bool IsAltAlone(const QEvent* event) {
    const auto* k = static_cast<const QKeyEvent*>(event);
    return k->key() == Qt::Key_Alt && (k->modifiers() & ~Qt::KeypadModifier) == Qt::AltModifier;
}

// Whether the key is the letter, with Alt, of a title that runs a command.
bool IsCommandTitleShortcut(const QMenuBar& bar, const QKeySequence& key) {
    for (const QAction* a : bar.actions())
        if (!a->menu() && QKeySequence::mnemonic(a->text()) == key)
            return true;
    return false;
}

} // namespace

std::string MenuShape(const std::vector<plat::MenuItem>& items) {
    std::string s;
    AppendShape(s, items);
    return s;
}

MenuBarMirror::MenuBarMirror(QMenuBar& bar, QWidget& client, TWindow& owner)
    : QObject(&bar), bar_(bar), client_(client), owner_(owner) {
    bar_.setNativeMenuBar(false);
    auto* style = new KeyboardTitleStyle(bar_.style()->name());
    style->setParent(&bar_);
    bar_.setStyle(style);
    // Installed after the bar's own watch of the window, so seen first.
    bar_.window()->installEventFilter(this);
    bar_.installEventFilter(this);
}

void MenuBarMirror::EnterKeyboardMode() {
    if (!bar_.isVisible() || HoldsKeyboard(bar_) || QApplication::activePopupWidget())
        return;
    // The bar's own road for Alt pressed and released alone, taken now that the program has let
    // the key through. A modifier key's event reports the modifiers as they are after it: given
    // none, the press reads as Alt held, and given Alt, the release as none.
    replaying_ = true;
    QKeyEvent press(QEvent::ShortcutOverride, Qt::Key_Alt, Qt::NoModifier);
    QCoreApplication::sendEvent(bar_.window(), &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Alt, Qt::AltModifier);
    QCoreApplication::sendEvent(bar_.window(), &release);
    replaying_ = false;
}

bool MenuBarMirror::TakeTitleLetter(QEvent* event) {
    const auto* k = static_cast<QKeyEvent*>(event);
    if (k->modifiers() & ~(Qt::AltModifier | Qt::ShiftModifier))
        return false;
    // The titles with that letter, from the one after the current title on: the first is chosen.
    const QList<QAction*> titles = bar_.actions();
    const qsizetype count = titles.size();
    const qsizetype current = titles.indexOf(bar_.activeAction());
    QAction* chosen = nullptr;
    int matches = 0;
    for (qsizetype i = 1; i <= count; ++i) {
        QAction* a = titles[(current + i + count) % count];
        const QKeySequence letter = QKeySequence::mnemonic(a->text());
        if (letter.isEmpty() || letter[0].key() != k->key() || !a->isEnabled())
            continue;
        chosen = chosen ? chosen : a;
        ++matches;
    }
    // The bar opens the menu of a title whose letter is its own; it does nothing for a letter
    // that two titles share ("M&odel", "&Options").
    if (!chosen || (matches == 1 && chosen->menu()))
        return false;
    if (chosen->menu()) {
        bar_.setActiveAction(chosen);
        return true;
    }
    client_.setFocus(Qt::ShortcutFocusReason);
    chosen->trigger();
    return true;
}

bool MenuBarMirror::HandOverAccelerator(QEvent* event) {
    auto* k = static_cast<QKeyEvent*>(event);
    const int vk = VirtualKey(k->key(), k->modifiers() & Qt::KeypadModifier);
    const plat::AcceleratorTable* table = owner_.GetAcceleratorTable();
    if (vk == 0 || !table || !table->Match(UINT(vk), KeyState(Qt::NoButton, k->modifiers())))
        return false;
    event->accept();
    if (event->type() == QEvent::KeyPress) {
        client_.setFocus(Qt::ShortcutFocusReason); // the bar lets go of the keyboard
        QCoreApplication::sendEvent(&client_, event);
    }
    return true;
}

void MenuBarMirror::Sync(const plat::MenuModel& model) {
    std::string shape = MenuShape(model.Items());
    if (shape != shape_) {
        shape_ = std::move(shape);
        Rebuild(model);
    } else {
        Update(model.Items());
    }
}

QAction* MenuBarMirror::Action(int id) const {
    auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

QMenu* MenuBarMirror::PopupOf(int id) const {
    QAction* a = Action(id);
    return a ? qobject_cast<QMenu*>(a->parent()) : nullptr;
}

void MenuBarMirror::Rebuild(const plat::MenuModel& model) {
    for (QAction* a : bar_.actions())
        bar_.removeAction(a);
    for (QPointer<QMenu>& m : menus_)
        if (m)
            m->deleteLater();
    menus_.clear();
    for (auto& [id, action] : actions_)
        action->deleteLater();
    actions_.clear();

    for (const plat::MenuItem& item : model.Items()) {
        if (item.separator)
            continue; // a bar has no separators
        if (item.popup) {
            auto* menu = new QMenu(QString::fromStdString(item.text), &bar_);
            Watch(menu);
            AddItems(menu, item.children);
            bar_.addMenu(menu);
        } else {
            bar_.addAction(MakeAction(item, &bar_));
        }
    }
}

void MenuBarMirror::AddItems(QMenu* menu, const std::vector<plat::MenuItem>& items) {
    for (const plat::MenuItem& item : items) {
        if (item.separator) {
            menu->addSeparator();
        } else if (item.popup) {
            QMenu* sub = menu->addMenu(QString::fromStdString(item.text));
            Watch(sub);
            AddItems(sub, item.children);
        } else {
            menu->addAction(MakeAction(item, menu));
        }
    }
}

QAction* MenuBarMirror::MakeAction(const plat::MenuItem& item, QObject* parent) {
    // "Text\tCtrl+L": the part after the tab is shown in the shortcut column, but Qt binds no
    // shortcut to it; the program's accelerator table does the work.
    auto* action = new QAction(QString::fromStdString(item.text), parent);
    action->setProperty(kIdProperty, item.id);
    ShowCheck(*action, item.checked);
    action->setEnabled(!item.grayed);
    const int id = item.id;
    connect(action, &QAction::triggered, this, [this, action, id] {
        // The program sets check marks itself; undo the toggle the toolkit made.
        if (const plat::MenuModel* m = owner_.GetMenuModel())
            ShowCheck(*action, m->IsChecked(id));
        PostMenuCommand(owner_, id);
    });
    actions_[item.id] = action;
    return action;
}

void MenuBarMirror::Update(const std::vector<plat::MenuItem>& items) {
    for (const plat::MenuItem& item : items) {
        if (item.popup) {
            Update(item.children);
        } else if (!item.separator) {
            if (QAction* a = Action(item.id)) {
                ShowCheck(*a, item.checked);
                a->setEnabled(!item.grayed);
            }
        }
    }
}

void MenuBarMirror::Watch(QMenu* menu) {
    menu->installEventFilter(this);
    menus_.emplace_back(menu);
}

void MenuBarMirror::ReturnKeyboardIfLetGo() {
    if (HoldsKeyboard(bar_) && !bar_.activeAction() && !QApplication::activePopupWidget())
        client_.setFocus(Qt::MenuBarFocusReason);
}

bool MenuBarMirror::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    // Once the bar has done with a key or a change of focus, see whether it let go.
    if (watched == &bar_ && (type == QEvent::KeyPress || type == QEvent::KeyRelease ||
                             type == QEvent::FocusIn || type == QEvent::Shortcut))
        QMetaObject::invokeMethod(this, &MenuBarMirror::ReturnKeyboardIfLetGo,
                                  Qt::QueuedConnection);
    // Alt alone goes to the program as a key; the bar takes the keyboard only when the program
    // does not handle it (EnterKeyboardMode). While the bar holds the keyboard, Alt leaves it.
    if (watched == bar_.window() && type == QEvent::ShortcutOverride && !replaying_ &&
        !HoldsKeyboard(bar_) && IsAltAlone(event))
        return true;
    // An accelerator typed while the bar holds the keyboard leaves the bar and acts; so does the
    // letter of a title that is a command. A title's letter opens its menu.
    if (watched == &bar_ && HoldsKeyboard(bar_) &&
        (type == QEvent::ShortcutOverride || type == QEvent::KeyPress))
        return HandOverAccelerator(event) || (type == QEvent::KeyPress && TakeTitleLetter(event));
    // The letter of a title that is a command, typed with Alt while the bar holds the keyboard,
    // comes as the bar's shortcut: the keyboard goes back to the window before the command runs,
    // as for an accelerator.
    if (watched == &bar_ && type == QEvent::Shortcut && HoldsKeyboard(bar_) &&
        IsCommandTitleShortcut(bar_, static_cast<QShortcutEvent*>(event)->key()))
        client_.setFocus(Qt::ShortcutFocusReason);
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1) {
        auto* menu = qobject_cast<QMenu*>(watched);
        QAction* active = menu ? menu->activeAction() : nullptr;
        if (active && !active->menu()) {
            // The window hears that the menu is idle with F1 down and answers with Enter, which
            // the layer turns into the highlighted command. The popup has done its part.
            MenuHelpKey(owner_, active->property(kIdProperty).toInt());
            for (QPointer<QMenu>& m : menus_)
                if (m && m->isVisible())
                    m->hide();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace plat::qt
