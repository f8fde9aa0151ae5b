// A top-level window of the program: menu bar plus the client area that presents its surface.
#pragma once

#include "qt/surface_view.hpp"

#include <QtWidgets/QMainWindow>

namespace plat::qt {

class FrameView : public QMainWindow {
    Q_OBJECT
  public:
    FrameView(const plat::Surface& surface, InputSink& sink);

    SurfaceView& client() { return *client_; }

  protected:
    // The close box asks the program (WM_CLOSE); the program decides whether the window goes.
    void closeEvent(QCloseEvent*) override;

  private:
    SurfaceView* client_;
    InputSink& sink_;
};

} // namespace plat::qt
