// The client area of a window: presents the retained surface and reports input.
#pragma once

#include "plat/surface.hpp"

#include <QtWidgets/QWidget>
#include <string>
#include <vector>

namespace plat::qt {

// Receives what the user does in a client area. The backend turns each call into a message on
// the GUI thread's queue; nothing here runs a handler of the program.
class InputSink {
  public:
    virtual ~InputSink() = default;
    // A key went down or up. `vk` is the virtual-key code, `text` the characters it typed,
    // `keyState` the MK_SHIFT/MK_CONTROL/KS_ALT bits and held buttons.
    virtual void Key(bool down, int vk, const std::string& text, unsigned keyState,
                     bool autoRepeat) = 0;
    // Whether the key belongs to the program's accelerator table, which wins over the menu
    // bar's mnemonics (Alt+F runs a command although a menu title is "&Fit").
    virtual bool IsAccelerator(int vk, unsigned keyState) = 0;
    // A mouse message (WM_MOUSEMOVE .. WM_MBUTTONDBLCLK) at a client position; `keyState` holds
    // the MK_ flags and KS_ALT.
    virtual void Mouse(unsigned message, unsigned keyState, int x, int y) = 0;
    virtual void Dropped(const std::vector<std::string>& paths, int x, int y) = 0;
    virtual void Resized(int width, int height) = 0;
    virtual void CloseRequested() = 0;
};

// Shows the surface's pixels as they are (0x00RRGGBB is the toolkit's RGB32), so presenting
// needs no conversion and a grab of the widget equals the surface.
class SurfaceView : public QWidget {
    Q_OBJECT
  public:
    SurfaceView(const plat::Surface& surface, InputSink& sink, QWidget* parent = nullptr);

    void setAcceptFiles(bool on) { setAcceptDrops(on); }
    // Paint events handled so far: presenting must paint before it returns.
    int paintCount() const { return paints_; }

  protected:
    bool event(QEvent*) override;
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void keyPressEvent(QKeyEvent*) override;
    void keyReleaseEvent(QKeyEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void mouseDoubleClickEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void dragEnterEvent(QDragEnterEvent*) override;
    void dragMoveEvent(QDragMoveEvent*) override;
    void dropEvent(QDropEvent*) override;
    bool focusNextPrevChild(bool) override { return false; } // Tab is a key for the program

  private:
    void key(QKeyEvent* e, bool down);
    void mouse(QMouseEvent* e, unsigned leftMsg);

    const plat::Surface& surface_;
    InputSink& sink_;
    int paints_ = 0;
};

} // namespace plat::qt
