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
class QMenuBar;
class TWindow;

namespace plat::qt {

// Builds the bar from the model and follows its edits: check marks and graying update the
// existing actions; an insert or delete rebuilds the bar. Choosing an item posts WM_COMMAND
// with its id to the window; F1 on a highlighted item posts WM_ENTERIDLE (help mode).
class MenuBarMirror : public QObject {
    Q_OBJECT
  public:
    MenuBarMirror(QMenuBar& bar, TWindow& owner);

    void Sync(const plat::MenuModel& model);

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

    QMenuBar& bar_;
    TWindow& owner_;
    std::string shape_; // ids and texts in menu order: equal shapes need no rebuild
    std::map<int, QAction*> actions_;
    std::vector<QPointer<QMenu>> menus_;
};

// The ids, texts and kinds of the whole tree, as one string.
std::string MenuShape(const std::vector<plat::MenuItem>& items);

} // namespace plat::qt
