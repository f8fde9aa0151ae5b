// Window peers: the frame on the desktop and the translation of its input into messages.
#include "qt/window_peer.hpp"

#include "plat/backend.hpp"
#include "plat/window.hpp"
#include "qt/frame_view.hpp"
#include "qt/key_codes.hpp"
#include "qt/menu_bar.hpp"

#include <QtCore/QTimer>
#include <QtGui/QGuiApplication>
#include <QtGui/QScreen>
#include <QtWidgets/QMenuBar>

namespace plat::qt {
namespace {

std::map<const TWindow*, QWidget*>& DialogWidgets() {
    static std::map<const TWindow*, QWidget*> widgets;
    return widgets;
}

// A first client size: most of the screen, as a main window opens on the desktop.
QSize DefaultClientSize() {
    QSize size(1024, 700);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QSize avail = screen->availableSize();
        if (avail.width() > 200 && avail.height() > 200)
            size = QSize(avail.width() * 4 / 5, avail.height() * 4 / 5);
    }
    return size;
}

// lParam of a key message: repeat count 1, the previous-state bit for a held key, the
// transition bit for a release, the context bit with Alt.
LPARAM KeyLParam(bool down, bool autoRepeat, unsigned keyState) {
    std::uint32_t lp = 1;
    if (keyState & KS_ALT)
        lp |= 1u << 29;
    if (!down || autoRepeat)
        lp |= 1u << 30;
    if (!down)
        lp |= 1u << 31;
    return LPARAM(lp);
}

} // namespace

WindowPeer::WindowPeer(TWindow& window) : window_(window) {
    frame_ = std::make_unique<FrameView>(window.GetSurface(), *this);
    frame_->setWindowTitle(QString::fromStdString(window.GetCaption()));
    window.backendData = this;
    SyncMenu();
    const TRect area = window.GetClientRect();
    const QSize size = area.IsEmpty() ? DefaultClientSize() : QSize(area.Width(), area.Height());
    frame_->client().resize(size);
    frame_->resize(size.width(),
                   size.height() + (menu_ ? frame_->menuBar()->sizeHint().height() : 0));
    client().setAcceptFiles(window.AcceptsFiles());
    frame_->show();
    // Without a window manager nobody else gives the new window the keyboard, and the menu
    // bar's letters work only in the active window.
    frame_->activateWindow();
}

WindowPeer::~WindowPeer() {
    for (auto& [id, timer] : timers_)
        delete timer;
    window_.backendData = nullptr;
}

WindowPeer* WindowPeer::Of(const TWindow* window) {
    return window ? static_cast<WindowPeer*>(window->backendData) : nullptr;
}

SurfaceView& WindowPeer::client() {
    return frame_->client();
}

void WindowPeer::SyncMenu() {
    const plat::MenuModel* model = window_.GetMenuModel();
    if (!model)
        return;
    if (!menu_)
        menu_ = new MenuBarMirror(*frame_->menuBar(), frame_->client(), window_);
    menu_->Sync(*model);
}

void WindowPeer::StartTimer(unsigned id, unsigned ms) {
    QTimer*& timer = timers_[id];
    if (!timer) {
        timer = new QTimer;
        QObject::connect(timer, &QTimer::timeout, this, [this, id] { TimerFired(window_, id); });
    }
    timer->start(int(ms));
}

void WindowPeer::StopTimer(unsigned id) {
    auto it = timers_.find(id);
    if (it == timers_.end())
        return;
    delete it->second;
    timers_.erase(it);
}

void WindowPeer::Key(bool down, int vk, const std::string& text, unsigned keyState,
                     bool autoRepeat) {
    if (vk == int(VK_F1))
        f1Down_ = down;
    MSG m;
    m.hwnd = &window_;
    const bool system = (keyState & KS_ALT) != 0 || vk == int(VK_MENU) || vk == int(VK_F10);
    m.message = down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
    m.wParam = WPARAM(vk);
    m.lParam = KeyLParam(down, autoRepeat, keyState);
    const QString typed = QString::fromStdString(text);
    if (down && typed.size() == 1)
        m.charCode = typed.at(0).unicode();
    m.keyState = keyState | (f1Down_ ? KS_F1 : 0);
    PostInput(m);
}

bool WindowPeer::IsAccelerator(int vk, unsigned keyState) {
    const plat::AcceleratorTable* table = window_.GetAcceleratorTable();
    return table && table->Match(UINT(vk), keyState).has_value();
}

void WindowPeer::Mouse(unsigned message, unsigned keyState, int x, int y) {
    MSG m;
    m.hwnd = &window_;
    m.message = message;
    m.wParam = WPARAM(keyState & kMouseKeyMask);
    m.lParam = MAKELPARAM(x, y);
    const QPoint screen = client().mapToGlobal(QPoint(x, y));
    m.pt = TPoint{screen.x(), screen.y()};
    m.keyState = keyState | (f1Down_ ? KS_F1 : 0);
    PostInput(m);
}

void WindowPeer::Dropped(const std::vector<std::string>& paths, int x, int y) {
    PostDrop(window_, paths, TPoint{x, y});
}

void WindowPeer::Resized(int width, int height) {
    ClientResized(window_, width, height);
}

void WindowPeer::CloseRequested() {
    PostClose(window_);
}

QWidget* OwnerWidget(TWindow* window) {
    if (!window)
        return nullptr;
    auto it = DialogWidgets().find(window);
    if (it != DialogWidgets().end())
        return it->second;
    if (WindowPeer* peer = WindowPeer::Of(window))
        return &peer->frame();
    return OwnerWidget(window->GetParent());
}

void SetDialogWidget(TWindow* dialog, QWidget* widget) {
    if (widget)
        DialogWidgets()[dialog] = widget;
    else
        DialogWidgets().erase(dialog);
}

} // namespace plat::qt
