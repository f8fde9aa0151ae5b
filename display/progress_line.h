// The progress bar drawn straight into the main window during long commands.
#pragma once

class TXLAWindow;

class CProgressLine {
  public:
    CProgressLine() = default;
    ~CProgressLine() = default;
    // Places the bar at (x, y) of the window and draws it empty.
    void Show(TXLAWindow* window, int x, int y);
    // Draws the bar filled to fraction (0..1).
    void Draw(float fraction, TXLAWindow* window);
    // Restores the background under the bar.
    void Hide(TXLAWindow* window);

    bool shown = false;
    float fraction = 0.0f;
};
