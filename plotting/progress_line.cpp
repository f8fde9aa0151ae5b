// CProgressLine. The bar is four pixels thick (rows y - 1 to y + 2) over a grey track; a call
// that does not advance it returns before any context is opened, so the fits can call it once per
// data point. The gauge style of the original class is left out: nothing selects it.
#include "plotting/progress_line.h"

#include "plat/window_dc.hpp"
#include "state/window_services.h"

#include <cmath>

CProgressLine::CProgressLine() : barPen(barColour), trackPen(trackColour) {}

void CProgressLine::Show(TXLAWindow* window, int x, int y) {
    left = x;
    right = x + length;
    top = y;
    bottom = y + thickness;
    if (!WindowServices::PlatformWindow(window))
        return;
    // Columns left - 1 .. right + 1, rows top - thickness .. bottom, inclusive.
    const int w = right - left + 3;
    const int h = bottom - (top - thickness) + 1;
    TBitmap snapshot(w, h);
    {
        TClientDC screen(WindowServices::PlatformWindow(window));
        TMemoryDC memory(snapshot);
        memory.BitBlt(0, 0, w, h, screen, left - 1, top - thickness, SRCCOPY);
    }
    background = snapshot;
    backgroundSaved = true;
    Draw(0.0f, window);
}

void CProgressLine::SetBlueBar() {
    barColour = 0xff6400;
    barPen = TPen(barColour);
}

void CProgressLine::SetPurpleBar() {
    barColour = 0xb400b4;
    barPen = TPen(barColour);
}

bool CProgressLine::Advance(float v) {
    if (!(v > value))
        return false;
    value = v;
    return true;
}

void CProgressLine::DrawBar(TDC& dc) {
    const int end = int(std::trunc(left + length * value / scale));
    const int rows[4] = {top, top + 1, top + 2, top - 1};
    dc.SetROP2(R2_COPYPEN);
    dc.SelectObject(trackPen);
    for (int row : rows) {
        dc.MoveTo(left, row);
        dc.LineTo(right, row);
    }
    dc.SelectObject(barPen);
    for (int row : rows) {
        dc.MoveTo(left, row);
        dc.LineTo(end, row);
    }
}

void CProgressLine::Draw(float v, TXLAWindow* window) {
    if (!Advance(v) || !WindowServices::PlatformWindow(window))
        return;
    TClientDC dc(WindowServices::PlatformWindow(window));
    DrawBar(dc);
}

void CProgressLine::DrawOnDC(float v, TDC& dc) {
    if (Advance(v))
        DrawBar(dc);
}

void CProgressLine::Hide(TXLAWindow* window) {
    if (!WindowServices::PlatformWindow(window) || !backgroundSaved)
        return;
    TClientDC screen(WindowServices::PlatformWindow(window));
    TMemoryDC memory(background);
    screen.BitBlt(left - 1, top - thickness, background.Width(), background.Height(), memory, 0, 0,
                  SRCCOPY);
}
