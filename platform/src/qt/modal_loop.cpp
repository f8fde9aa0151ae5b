// The nested message loop of every modal window.
#include "qt/modal_loop.hpp"

#include "plat/app.hpp"
#include "plat/backend.hpp"
#include "qt/modal_answers.hpp"

#include <QtCore/QPointer>
#include <QtWidgets/QApplication>
#include <QtWidgets/QDialog>

namespace plat::qt {

bool QuitPending() {
    MSG m;
    // The range selects nothing but the quit request, which ignores filters.
    return PeekMessage(&m, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) && m.message == WM_QUIT;
}

bool RunModal(QDialog& dialog, const std::function<void()>& step,
              const std::function<bool()>& pending) {
    bool finished = false;
    bool accepted = false;
    const auto connection = QObject::connect(&dialog, &QDialog::finished, [&](int r) {
        finished = true;
        accepted = r == QDialog::Accepted;
    });
    // The window that had the keyboard gets it back when the modal window is gone.
    QPointer<QWidget> back = QApplication::activeWindow();
    if (!back && dialog.parentWidget())
        back = dialog.parentWidget()->window();
    // What the window owed the screen is painted before the modal window covers it.
    DispatchPendingPaints();
    dialog.open();
    ModalOpened(dialog);
    while (true) {
        if (step)
            step();
        if (finished)
            break;
        if (QuitPending()) {
            dialog.reject();
            break;
        }
        if (PumpOnce(false))
            continue;
        // The pump may have closed the dialog or pressed a button without queueing a message:
        // look again before waiting for the desktop.
        if (finished || (pending && pending()))
            continue;
        GetBackend().pump(true);
    }
    QObject::disconnect(connection);
    dialog.hide();
    // A window manager would do this; without one the keyboard stays with no window.
    if (back && back->isVisible())
        back->activateWindow();
    return accepted;
}

} // namespace plat::qt
