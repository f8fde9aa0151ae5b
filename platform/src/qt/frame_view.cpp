// The top-level window: owns the client view, hands the close box to the program.
#include "qt/frame_view.hpp"

#include <QtGui/QCloseEvent>

namespace plat::qt {

FrameView::FrameView(const plat::Surface& surface, InputSink& sink)
    : client_(new SurfaceView(surface, sink, this)), sink_(sink) {
    setCentralWidget(client_);
    client_->setFocus();
}

void FrameView::closeEvent(QCloseEvent* e) {
    e->ignore();
    sink_.CloseRequested();
}

} // namespace plat::qt
