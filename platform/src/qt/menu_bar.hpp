// The desktop menu bar as a mirror of a window's menu model.
#pragma once

#include "plat/menu.hpp"

#include <QtCore/QObject>
#include <QtCore/QPointer>
#include <map>
#include <string>
#include <vector>

class QAction;
class QMenu;
class QEvent;
class QMenuBar;
class QWidget;
class TWindow;

namespace plat::qt {

// Builds the bar from the model and follows its edits: check marks and graying update the
// existing actions; an insert or delete rebuilds the bar. Choosing an item posts WM_COMMAND
// with its id to the window; F1 on a highlighted item posts WM_ENTERIDLE (help mode). Alt with a
// title's letter opens that title unless the window's accelerators claim the key; Alt alone
// reaches the program, which hands the keyboard to the bar when it does not handle the key.
class MenuBarMirror : public QObject {
    Q_OBJECT
  public:
    MenuBarMirror(QMenuBar& bar, QWidget& client, TWindow& owner);

    void Sync(const plat::MenuModel& model);
    // The bar holds the keyboard with its first title current and shown: the arrows move, Down
    // or Enter opens, Escape or a click leaves.
    void EnterKeyboardMode();

    QAction* Action(int id) const;
    // The popup containing the command, for tests that walk the menus.
    QMenu* PopupOf(int id) const;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Rebuild(const plat::MenuModel& model);
    void AddItems(QMenu* menu, const std::vector<plat::MenuItem>& items);
    QAction* MakeAction(const plat::MenuItem& item, QObject* parent);
    void Update(const std::vector<plat::MenuItem>& items);
    void Watch(QMenu* menu);
    // An accelerator key event sent to the bar that holds the keyboard goes to the client.
    bool HandOverAccelerator(QEvent* event);
    // A title's letter typed while the bar holds the keyboard: runs the title's command, or opens
    // its menu where the bar itself would not.
    bool TakeTitleLetter(QEvent* event);
    // The bar keeps the focus only while it holds the keyboard: once it has no current title and
    // no open menu, the window takes the keyboard back. The bar gives it back itself only on some
    // roads (not after Alt, a title's letter with Alt and two Escapes).
    void ReturnKeyboardIfLetGo();

    QMenuBar& bar_;
    QWidget& client_;
    TWindow& owner_;
    bool replaying_ = false;
    std::string shape_; // ids and texts in menu order: equal shapes need no rebuild
    std::map<int, QAction*> actions_;
    std::vector<QPointer<QMenu>> menus_;
};

// The ids, texts and kinds of the whole tree, as one string.
std::string MenuShape(const std::vector<plat::MenuItem>& items);

} // namespace plat::qt
