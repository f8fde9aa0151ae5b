// Menu bar mirror: model items become actions, choices become WM_COMMAND messages.
#include "qt/menu_bar.hpp"

#include "plat/backend.hpp"
#include "plat/window.hpp"

#include <QtGui/QAction>
#include <QtGui/QKeyEvent>
#include <QtWidgets/QMenu>
#include <QtWidgets/QMenuBar>
#include <QtWidgets/QProxyStyle>

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

// The bar's style: the desktop's, without the keyboard mode that Alt alone or Escape out of a menu
// would leave the bar in, holding every key while it shows nothing. Alt with a title's letter
// still opens that menu, and the arrow keys still move between open menus.
class NoKeyboardModeStyle : public QProxyStyle {
  public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returned) const override {
        if (hint == SH_MenuBar_AltKeyNavigation)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, returned);
    }
};

} // namespace

std::string MenuShape(const std::vector<plat::MenuItem>& items) {
    std::string s;
    AppendShape(s, items);
    return s;
}

MenuBarMirror::MenuBarMirror(QMenuBar& bar, TWindow& owner)
    : QObject(&bar), bar_(bar), owner_(owner) {
    // Alt alone must not move the focus into the bar while the program reads keys.
    bar_.setNativeMenuBar(false);
    auto* style = new NoKeyboardModeStyle(bar_.style()->name());
    style->setParent(&bar_);
    bar_.setStyle(style);
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

bool MenuBarMirror::eventFilter(QObject* watched, QEvent* event) {
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
