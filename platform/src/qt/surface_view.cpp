// The client area widget: blits the surface and forwards input as messages.
#include "qt/surface_view.hpp"

#include "plat/messages.hpp"
#include "qt/key_codes.hpp"

#include <QtCore/QMimeData>
#include <QtCore/QUrl>
#include <QtGui/QGuiApplication>
#include <QtGui/QImage>
#include <QtGui/QKeyEvent>
#include <QtGui/QMouseEvent>
#include <QtGui/QPainter>

namespace plat::qt {
namespace {

// The left button's messages; the right and middle buttons' follow at +3 and +6.
int ButtonOffset(Qt::MouseButton b) {
    switch (b) {
    case Qt::LeftButton:
        return 0;
    case Qt::RightButton:
        return 3;
    case Qt::MiddleButton:
        return 6;
    default:
        return -1;
    }
}

std::vector<std::string> LocalPaths(const QMimeData* mime) {
    std::vector<std::string> paths;
    if (!mime || !mime->hasUrls())
        return paths;
    for (const QUrl& url : mime->urls())
        if (url.isLocalFile())
            paths.push_back(url.toLocalFile().toStdString());
    return paths;
}

} // namespace

SurfaceView::SurfaceView(const plat::Surface& surface, InputSink& sink, QWidget* parent)
    : QWidget(parent), surface_(surface), sink_(sink) {
    // Every pixel comes from the surface: no background fill, no double buffering of our own.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
}

bool SurfaceView::event(QEvent* e) {
    // Claim accelerator keys before the menu bar's mnemonics and shortcuts see them.
    if (e->type() == QEvent::ShortcutOverride) {
        auto* k = static_cast<QKeyEvent*>(e);
        const int vk = VirtualKey(k->key(), k->modifiers() & Qt::KeypadModifier);
        if (vk != 0 && sink_.IsAccelerator(vk, KeyState(Qt::NoButton, k->modifiers()))) {
            e->accept();
            return true;
        }
    }
    return QWidget::event(e);
}

void SurfaceView::paintEvent(QPaintEvent* e) {
    ++paints_;
    QPainter p(this);
    if (surface_.Empty()) {
        p.fillRect(e->rect(), Qt::white);
        return;
    }
    // A view over the surface's memory: no copy, no conversion.
    const QImage image(reinterpret_cast<const uchar*>(surface_.Pixels().data()), surface_.Width(),
                       surface_.Height(), surface_.Width() * 4, QImage::Format_RGB32);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(e->rect(), image, e->rect());
    // Between a resize and the repaint that follows, the surface may be smaller than the widget.
    const QRect covered(0, 0, surface_.Width(), surface_.Height());
    const QRegion uncovered = QRegion(e->rect()).subtracted(covered);
    for (const QRect& r : uncovered)
        p.fillRect(r, Qt::white);
}

void SurfaceView::resizeEvent(QResizeEvent*) {
    sink_.Resized(width(), height());
}

void SurfaceView::key(QKeyEvent* e, bool down) {
    const int vk = VirtualKey(e->key(), e->modifiers() & Qt::KeypadModifier);
    if (vk == 0) {
        e->ignore();
        return;
    }
    // Held keys repeat as key-downs without key-ups in between.
    if (!down && e->isAutoRepeat())
        return;
    sink_.Key(down, vk, down ? e->text().toStdString() : std::string(),
              KeyState(QGuiApplication::mouseButtons(), e->modifiers()), e->isAutoRepeat());
}

void SurfaceView::keyPressEvent(QKeyEvent* e) {
    key(e, true);
}
void SurfaceView::keyReleaseEvent(QKeyEvent* e) {
    key(e, false);
}

void SurfaceView::mouse(QMouseEvent* e, unsigned leftMsg) {
    const int offset = ButtonOffset(e->button());
    if (offset < 0)
        return;
    const QPoint pos = e->position().toPoint();
    sink_.Mouse(leftMsg + unsigned(offset), KeyState(e->buttons(), e->modifiers()), pos.x(),
                pos.y());
}

void SurfaceView::mousePressEvent(QMouseEvent* e) {
    mouse(e, WM_LBUTTONDOWN);
}
void SurfaceView::mouseReleaseEvent(QMouseEvent* e) {
    mouse(e, WM_LBUTTONUP);
}
void SurfaceView::mouseDoubleClickEvent(QMouseEvent* e) {
    mouse(e, WM_LBUTTONDBLCLK);
}

void SurfaceView::mouseMoveEvent(QMouseEvent* e) {
    const QPoint pos = e->position().toPoint();
    sink_.Mouse(WM_MOUSEMOVE, KeyState(e->buttons(), e->modifiers()), pos.x(), pos.y());
}

void SurfaceView::dragEnterEvent(QDragEnterEvent* e) {
    if (!LocalPaths(e->mimeData()).empty())
        e->acceptProposedAction();
}

void SurfaceView::dragMoveEvent(QDragMoveEvent* e) {
    if (!LocalPaths(e->mimeData()).empty())
        e->acceptProposedAction();
}

void SurfaceView::dropEvent(QDropEvent* e) {
    std::vector<std::string> paths = LocalPaths(e->mimeData());
    if (paths.empty())
        return;
    e->acceptProposedAction();
    const QPoint pos = e->position().toPoint();
    sink_.Dropped(paths, pos.x(), pos.y());
}

} // namespace plat::qt
