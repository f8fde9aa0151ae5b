// CScreenButton: a labelled button drawn on top of the plots, recorded as a picture in the
// logical plot space and played into the main window scaled to its size.
#pragma once

#include "plat/gdi.hpp"
#include "plat/metafile.hpp"

#include <cstdint>

class TXLAWindow;

class CScreenButton {
  public:
    CScreenButton();
    ~CScreenButton();
    CScreenButton(const CScreenButton&) = delete;
    CScreenButton& operator=(const CScreenButton&) = delete;

    // Rectangle in logical plot units, each value floored.
    void SetRect(float top, float left, float bottom, float right);
    // Copies offLength and onLength characters (cut to textCapacity - 1, empty when <= 0).
    void SetTexts(const char* off, int offLength, const char* on, int onLength);
    void SetBold() { bold = true; }
    void SetLabelStyle1() { baselineLabel = true; }
    void SetLabelStyle2() { raisedLabel = true; }
    void Toggle();
    // x and y in per-mille of the client area; a hit on a toggle button flips it.
    bool HitTest(float x, float y);
    bool Draw(TDC& dc);
    // The raised edge of the rectangle: light right and top, dark bottom and left, a mid-grey
    // line inside the dark one.
    void DrawRaisedEdge(TDC& dc) const;
    bool Rebuild();
    // Ends the recording and makes it the picture in place of the one there was; false, with
    // the old picture kept, when nothing was recorded.
    bool KeepRecording(TMetaFileDC& recorder);
    void Paint(TXLAWindow* window);
    // The button has just been drawn on the screen, over whatever it covers.
    void MarkShown();
    void DrawMarker(TXLAWindow* window, int x, int y, int radius, COLORREF ring, COLORREF trail);
    void EraseMarker(TXLAWindow* window, int x, int y, int radius);
    bool SaveBackground(TXLAWindow* window);
    bool RestoreBackground(TXLAWindow* window);
    void DrawLabel(TXLAWindow* window);
    void EraseLabel(TXLAWindow* window);
    void Beep();

    std::int32_t kind = 2; // 2: toggle button, 1: push button
    bool on = false;
    bool flat = false;
    bool baselineLabel = false;
    bool raisedLabel = false;
    bool disabled = false;
    char* offText = nullptr;
    char* onText = nullptr;
    std::int32_t textCapacity = 1000;
    COLORREF lightColour = 0xdcdcdc;
    COLORREF darkColour = 0x646464;
    COLORREF midColour = 0x969696;
    COLORREF offFaceColour = 0xc8c8c8;
    COLORREF onFaceColour = 0xe6e6e6;
    COLORREF textColour = 0x960000;
    bool bold = false;
    // The client size in pixels the picture is played onto, for which a label too wide for the
    // button is drawn smaller; 0 x 0: the label is measured on the logical page.
    TSize playedOn{0, 0};
    HMETAFILE picture = nullptr;
    bool pictureValid = false;
    std::int32_t right = 0, left = 0, top = 0, bottom = 0;
    std::int32_t markerX = 0, markerY = 0, markerRadius = 0;
    COLORREF markerTrailColour = 0;
    bool backgroundSaved = false;
    TBitmap background;
    // When the button was last drawn: of two overlapping buttons the later one is seen.
    std::uint64_t shownOrder = 0;

  private:
    void DrawLabelIn(TXLAWindow* window, COLORREF colour);
    TRect BackgroundRect(const TXLAWindow* window) const;
};
