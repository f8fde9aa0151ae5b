// The desktop backend: windows, modal windows, timers, cursors and the event pump.
#include "qt/qt_backend.hpp"

#include "plat/dialog.hpp"
#include "plat/window.hpp"
#include "qt/clipboard_mime.hpp"
#include "qt/dialog_view.hpp"
#include "qt/file_dialog.hpp"
#include "qt/frame_view.hpp"
#include "qt/input_box.hpp"
#include "qt/menu_bar.hpp"
#include "qt/message_box.hpp"
#include "qt/modal_answers.hpp"
#include "qt/modal_loop.hpp"
#include "qt/print_job.hpp"
#include "qt/text_editor.hpp"
#include "qt/window_peer.hpp"

#include <QtCore/QCoreApplication>
#include <QtCore/QEvent>
#include <QtWidgets/QApplication>
#include <QtWidgets/QMenuBar>
#include <QtWidgets/QMessageBox>
#include <memory>

namespace plat::qt {
namespace {

Qt::CursorShape CursorShape(int id) {
    switch (id) {
    case IDC_WAIT:
        return Qt::WaitCursor;
    case IDC_CROSS:
        return Qt::CrossCursor;
    case IDC_SIZEWE:
        return Qt::SizeHorCursor;
    case IDC_IBEAM:
        return Qt::IBeamCursor;
    default:
        return Qt::ArrowCursor;
    }
}

} // namespace

QtBackend::QtBackend() = default;
QtBackend::~QtBackend() = default;

void QtBackend::pump(bool wait) {
    QCoreApplication::processEvents(wait ? QEventLoop::WaitForMoreEvents : QEventLoop::AllEvents);
    // Our loop is not the toolkit's, so objects released with deleteLater go here.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void QtBackend::wake() {
    // Posting is thread-safe and makes a waiting processEvents return.
    if (QCoreApplication* app = QCoreApplication::instance())
        QCoreApplication::postEvent(app, new QEvent(QEvent::None));
}

void QtBackend::createWindow(TWindow& window) {
    if (WindowPeer::Of(&window))
        return;
    new WindowPeer(window);
}

void QtBackend::destroyWindow(TWindow& window) {
    if (capture_ == &window)
        setCapture(nullptr);
    delete WindowPeer::Of(&window);
}

void QtBackend::present(TWindow& window, const TRect& dirty) {
    WindowPeer* peer = WindowPeer::Of(&window);
    if (!peer || dirty.IsEmpty())
        return;
    // Synchronous: drawing outside a paint shows before the computation goes on.
    peer->client().repaint(QRect(dirty.left, dirty.top, dirty.Width(), dirty.Height()));
}

void QtBackend::setCaption(TWindow& window, const std::string& caption) {
    if (WindowPeer* peer = WindowPeer::Of(&window))
        peer->frame().setWindowTitle(QString::fromStdString(caption));
}

void QtBackend::setCursor(TWindow& window, int cursorId) {
    if (WindowPeer* peer = WindowPeer::Of(&window))
        peer->client().setCursor(CursorShape(cursorId));
}

void QtBackend::setCapture(TWindow* window) {
    if (WindowPeer* old = WindowPeer::Of(capture_))
        old->client().releaseMouse();
    capture_ = window;
    if (WindowPeer* peer = WindowPeer::Of(window))
        peer->client().grabMouse();
}

void QtBackend::buildMenu(TWindow& window, const plat::MenuModel&) {
    if (WindowPeer* peer = WindowPeer::Of(&window))
        peer->SyncMenu();
}

void QtBackend::enterMenuBar(TWindow& window) {
    if (WindowPeer* peer = WindowPeer::Of(&window))
        if (MenuBarMirror* menu = peer->menu())
            menu->EnterKeyboardMode();
}

void QtBackend::startTimer(TWindow& window, UINT id, UINT milliseconds) {
    if (WindowPeer* peer = WindowPeer::Of(&window))
        peer->StartTimer(id, milliseconds);
}

void QtBackend::stopTimer(TWindow& window, UINT id) {
    if (WindowPeer* peer = WindowPeer::Of(&window))
        peer->StopTimer(id);
}

void QtBackend::acceptDrops(TWindow& window, bool accept) {
    if (WindowPeer* peer = WindowPeer::Of(&window))
        peer->client().setAcceptFiles(accept);
}

int QtBackend::messageBox(TWindow* owner, const std::string& text, const std::string& caption,
                          UINT flags) {
    bool rings = false;
    std::unique_ptr<QMessageBox> box(
        MakeMessageBox(OwnerWidget(owner), text, caption, flags, &rings));
    if (rings)
        QApplication::beep();
    RunModal(*box);
    return MessageBoxResult(*box);
}

bool QtBackend::printDialog(TWindow* owner, const std::string& title, PrintTarget& target) {
    return RunPrintDialog(OwnerWidget(owner), title, target);
}

void QtBackend::printerSetup(TWindow* owner, PrintTarget& target) {
    RunPrinterSetup(OwnerWidget(owner), target);
}

bool QtBackend::printPage(const PrintTarget& target, const Surface& page, bool first) {
    return PrintSurface(target, page, first);
}

bool QtBackend::endPrint(const PrintTarget& target) {
    return EndPrint(target);
}

bool QtBackend::inputBox(TWindow* owner, const std::string& title, const std::string& prompt,
                         std::string& io, int limit) {
    InputBox box(OwnerWidget(owner), title, prompt, io, limit);
    if (!RunModal(box))
        return false;
    io = box.text();
    return true;
}

int QtBackend::runDialog(TDialog& dialog) {
    DialogView view(OwnerWidget(dialog.GetParent()), dialog);
    SetDialogWidget(&dialog, &view);
    // Buttons are handled between messages, outside the toolkit's event delivery, because the
    // program's CloseWindow and CanClose may show boxes of their own.
    RunModal(
        view,
        [&] {
            const int pressed = view.TakePressed();
            if (pressed == 0)
                return;
            view.Store();
            if (pressed == IDOK)
                dialog.CmOk();
            else if (pressed == IDCANCEL)
                dialog.CmCancel();
            else
                SendMessage(&dialog, WM_COMMAND, WPARAM(pressed), 0);
            if (dialog.IsEnded())
                view.Finish(dialog.GetResult() == IDOK ? QDialog::Accepted : QDialog::Rejected);
            else {
                // A refused OK: the dialog is the user's again, with what CanClose left in it.
                view.Load();
                ModalOpened(view);
            }
        },
        [&] { return view.HasPressed(); });
    SetDialogWidget(&dialog, nullptr);
    if (!dialog.IsEnded())
        dialog.EndDialog(IDCANCEL); // ended by a quit request
    return dialog.GetResult();
}

bool QtBackend::fileDialog(const OpenFileRecord& record, bool save, std::vector<std::string>& paths,
                           DWORD& filterIndex) {
    std::unique_ptr<QFileDialog> dlg = MakeFileDialog(OwnerWidget(record.hwndOwner), record, save);
    if (!RunModal(*dlg))
        return false;
    return ChosenFiles(*dlg, paths, filterIndex);
}

bool QtBackend::editText(std::string& io, std::size_t limit) {
    TextEditor editor(io);
    RunModal(editor);
    // Closing is the only way out, and it keeps the text.
    io = editor.text(limit);
    return true;
}

void QtBackend::clipboardSet(const plat::ClipData& data) {
    SetClipboard(data);
}

void QtBackend::beep(UINT) {
    QApplication::beep();
}

} // namespace plat::qt
