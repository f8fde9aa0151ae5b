// The desktop side of one program window: its frame, client view, menu bar and timers.
#pragma once

#include "qt/surface_view.hpp"

#include <QtCore/QObject>
#include <map>
#include <memory>

class QTimer;
class TWindow;

namespace plat::qt {

class FrameView;
class MenuBarMirror;

class WindowPeer : public QObject, public InputSink {
    Q_OBJECT
  public:
    explicit WindowPeer(TWindow& window);
    ~WindowPeer() override;

    static WindowPeer* Of(const TWindow* window);

    TWindow& window() { return window_; }
    FrameView& frame() { return *frame_; }
    SurfaceView& client();
    MenuBarMirror* menu() { return menu_; }

    void SyncMenu();
    void StartTimer(unsigned id, unsigned ms);
    void StopTimer(unsigned id);

    // InputSink: desktop input becomes messages on the queue.
    void Key(bool down, int vk, const std::string& text, unsigned keyState,
             bool autoRepeat) override;
    bool IsAccelerator(int vk, unsigned keyState) override;
    void Mouse(unsigned message, unsigned keyState, int x, int y) override;
    void Dropped(const std::vector<std::string>& paths, int x, int y) override;
    void Resized(int width, int height) override;
    void CloseRequested() override;

  private:
    TWindow& window_;
    std::unique_ptr<FrameView> frame_;
    MenuBarMirror* menu_ = nullptr;
    std::map<unsigned, QTimer*> timers_;
    bool f1Down_ = false;
};

// The widget that owns boxes shown for `window`: its frame, an open dialog, or none.
QWidget* OwnerWidget(TWindow* window);
// Registers the open view of a dialog so boxes it shows are owned by it.
void SetDialogWidget(TWindow* dialog, QWidget* widget);

} // namespace plat::qt
