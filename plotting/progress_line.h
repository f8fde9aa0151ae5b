// CProgressLine: a 100-pixel bar drawn straight into the main window while a long computation
// runs, with the pixels under it saved at Show and put back at Hide.
#pragma once

#include "plat/gdi.hpp"

#include <cstdint>

class TXLAWindow;

class CProgressLine {
  public:
    CProgressLine();
    ~CProgressLine() = default;
    CProgressLine(const CProgressLine&) = delete;
    CProgressLine& operator=(const CProgressLine&) = delete;

    // Places the line at pixel (x, y), saves the pixels under it and draws value 0.
    void Show(TXLAWindow* window, int x, int y);
    void SetBlueBar();
    void SetPurpleBar();
    // Advances the bar to v (of scale); values that do not advance it are ignored.
    void Draw(float v, TXLAWindow* window);
    void DrawOnDC(float v, TDC& dc);
    // Puts the saved pixels back.
    void Hide(TXLAWindow* window);

    float scale = 1.0f;
    float value = 0.0f;
    std::int32_t length = 100;
    std::int32_t thickness = 3;
    COLORREF barColour = 0x0000ff;
    COLORREF trackColour = 0xc8c8c8;
    TPen barPen;
    TPen trackPen;
    std::int32_t right = 0, left = 0, bottom = 0, top = 0;
    bool backgroundSaved = false;
    TBitmap background;

  private:
    bool Advance(float v);
    void DrawBar(TDC& dc);
};
