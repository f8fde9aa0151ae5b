// CScreenButton. The picture is recorded with a window extent of 1399 x 1000 (1.4 x 1000 in single
// precision, floored) and played with the same extent over the client rectangle, so a client of
// 1399 x 1000 pixels shows it one to one.
#include "plotting/screen_button.h"

#include "plat/sound.hpp"
#include "plat/surface.hpp"
#include "plat/window.hpp"
#include "plat/window_dc.hpp"
#include "plotting/plot_globals.h"
#include "state/window_services.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

TSize ButtonExtent() {
    return TSize{LogicalPageWidth(), LogicalPageHeight()};
}

constexpr int kLabelHeight = 16;
// Logical units between the button's outline and its label: the two edge lines and one clear.
constexpr int kLabelMargin = 3;

TFont LabelFont(int height, bool bold) {
    return CreateFont(height, 0, 0, 0, bold ? FW_HEAVY : FW_NORMAL, 0, 0, 0, ANSI_CHARSET,
                      OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY, DEFAULT_PITCH | FF_SWISS,
                      nullptr);
}

const TFont& ButtonFont(bool bold) {
    static const TFont normal = LabelFont(kLabelHeight, false);
    static const TFont heavy = LabelFont(kLabelHeight, true);
    return bold ? heavy : normal;
}

// Width of the label in logical units as it shows: played onto a client of `played` pixels, or
// one to one on the logical page when no client size is known.
int LabelWidth(const TFont& font, const char* label, TSize played) {
    plat::Surface scratch(1, 1);
    TSurfaceDC page(scratch);
    if (played.cx > 0 && played.cy > 0) {
        page.SetMapMode(MM_ANISOTROPIC);
        page.SetWindowExt(ButtonExtent());
        page.SetViewportExt(played);
    }
    page.SelectObject(font);
    return page.GetTextExtent(label).cx;
}

// The label's font: the normal one when the label fits inside, else the same face as large as
// still fits (hinting makes widths step, so each smaller height is measured).
TFont FittedLabelFont(const char* label, bool bold, int inside, TSize played) {
    const TFont& normal = ButtonFont(bold);
    const int width = LabelWidth(normal, label, played);
    if (width <= inside || inside <= 0)
        return normal;
    int height = std::max(1, kLabelHeight * inside / width);
    TFont font = LabelFont(height, bold);
    while (height > 1 && LabelWidth(font, label, played) > inside)
        font = LabelFont(--height, bold);
    return font;
}

char* NewLabel(const char* text, int capacity) {
    char* buffer = new char[std::size_t(capacity) + 1];
    std::strncpy(buffer, text, std::size_t(capacity));
    buffer[capacity] = '\0';
    return buffer;
}

void CopyLabel(char* target, const char* text, int length, int capacity) {
    length = std::min(length, capacity - 1);
    if (length <= 0 || !text) {
        target[0] = '\0';
        return;
    }
    std::memcpy(target, text, std::size_t(length));
    target[length] = '\0';
}

void Line(TDC& dc, COLORREF colour, int x0, int y0, int x1, int y1) {
    const TPen previous = dc.SelectObject(TPen(colour));
    dc.MoveTo(x0, y0);
    dc.LineTo(x1, y1);
    dc.SelectObject(previous);
}

void ClosedPath(TDC& dc, COLORREF colour, const TPoint (&p)[5]) {
    const TPen previous = dc.SelectObject(TPen(colour));
    dc.MoveTo(p[0]);
    for (int i = 1; i < 5; ++i)
        dc.LineTo(p[i]);
    dc.SelectObject(previous);
}

} // namespace

CScreenButton::CScreenButton()
    : offText(NewLabel("ScreenButton", 1000)), onText(NewLabel("ON STATE", 1000)) {}

CScreenButton::~CScreenButton() {
    delete[] offText;
    delete[] onText;
    if (pictureValid)
        DeleteMetaFile(picture);
}

void CScreenButton::SetRect(float top_, float left_, float bottom_, float right_) {
    top = int(std::floor(top_));
    left = int(std::floor(left_));
    bottom = int(std::floor(bottom_));
    right = int(std::floor(right_));
}

void CScreenButton::SetTexts(const char* off, int offLength, const char* on_, int onLength) {
    CopyLabel(offText, off, offLength, textCapacity);
    CopyLabel(onText, on_, onLength, textCapacity);
}

void CScreenButton::Toggle() {
    on = !on;
    Rebuild();
}

bool CScreenButton::HitTest(float x, float y) {
    if (disabled)
        return false;
    const float xs = x * gScreenScale;
    const bool insideX =
        (left < right && left <= xs && xs <= right) || (right < left && right <= xs && xs <= left);
    const bool insideY =
        (bottom < top && bottom <= y && y <= top) || (top < bottom && top <= y && y <= bottom);
    if (!insideX || !insideY)
        return false;
    if (kind == 2)
        Toggle();
    return true;
}

bool CScreenButton::Draw(TDC& dc) {
    if (disabled)
        return true;
    const TBrush oldBrush = dc.SelectObject(GetStockBrush(NULL_BRUSH));
    const TPen oldPen = dc.SelectObject(GetStockPen(BLACK_PEN));
    dc.SelectObject(GetStockPen(NULL_PEN));
    const TFont oldFont = dc.GetFont();

    const COLORREF face = flat ? RGB(255, 255, 255) : (on ? onFaceColour : offFaceColour);
    dc.SelectObject(TBrush(face));
    dc.Rectangle(left + 1, bottom + 1, right, top);

    const int L = left, R = right, T = top, B = bottom;
    if (!flat) {
        DrawRaisedEdge(dc);
    } else {
        ClosedPath(dc, offFaceColour, {{R, T}, {R, B}, {L, B}, {L, T}, {R, T}});
        ClosedPath(
            dc, offFaceColour,
            {{R - 1, T - 1}, {R - 1, B + 1}, {L + 1, B + 1}, {L + 1, T - 1}, {R - 1, T - 1}});
    }

    dc.SetBkColor(flat ? RGB(255, 255, 255) : offFaceColour);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(textColour);
    const bool onBaseline = baselineLabel || raisedLabel;
    dc.SetTextAlign(TA_CENTER | (onBaseline ? TA_BASELINE : TA_BOTTOM));
    const char* label = on ? onText : offText;
    // A label wider than the inside is drawn smaller, centred as ever.
    const int inside = std::abs(R - L) - 2 * kLabelMargin;
    dc.SelectObject(FittedLabelFont(label, bold, inside, playedOn));
    const int x = int(std::trunc(L + (R - L) * 0.5));
    const int y = raisedLabel ? B - 3 : B - 1;
    const TRect clip{std::min(L, R), std::min(T, B), std::max(L, R), std::max(T, B)};
    dc.ExtTextOut(x, y, ETO_CLIPPED, &clip, label);

    dc.SelectObject(oldPen);
    dc.SelectObject(oldBrush);
    dc.SelectObject(oldFont);
    return true;
}

void CScreenButton::DrawRaisedEdge(TDC& dc) const {
    const int L = left, R = right, T = top, B = bottom;
    Line(dc, lightColour, R, T, R, B);
    Line(dc, lightColour, R, T, L, T);
    Line(dc, darkColour, L, B, R, B);
    Line(dc, darkColour, L, B, L, T);
    Line(dc, midColour, L + 1, B - 1, R - 1, B - 1);
    Line(dc, midColour, L + 1, B - 1, L + 1, T + 1);
}

bool CScreenButton::Rebuild() {
    if (disabled)
        return true;
    TMetaFileDC recorder;
    recorder.SetWindowExt(ButtonExtent());
    Draw(recorder);
    return KeepRecording(recorder);
}

bool CScreenButton::KeepRecording(TMetaFileDC& recorder) {
    HMETAFILE made = recorder.Close();
    if (!made)
        return false;
    if (picture && pictureValid)
        DeleteMetaFile(picture);
    picture = made;
    pictureValid = true;
    return true;
}

void CScreenButton::Paint(TXLAWindow* window) {
    if (disabled || !window || !picture)
        return;
    const TRect client = WindowServices::PlatformWindow(window)->GetClientRect();
    TClientDC dc(WindowServices::PlatformWindow(window));
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowExt(ButtonExtent());
    dc.SetViewportExt(TSize{client.right, client.bottom});
    PlayMetaFile(dc, picture);
    MarkShown();
}

void CScreenButton::MarkShown() {
    static std::uint64_t drawn = 0;
    shownOrder = ++drawn;
}

void CScreenButton::DrawMarker(TXLAWindow* window, int x, int y, int radius, COLORREF ring,
                               COLORREF trail) {
    if (disabled || !window)
        return;
    if (markerRadius > 0)
        EraseMarker(window, markerX, markerY, markerRadius);
    if (radius < 1)
        return;
    markerX = x;
    markerY = y;
    markerRadius = radius;
    markerTrailColour = trail;
    TClientDC dc(WindowServices::PlatformWindow(window));
    dc.SelectObject(TPen(ring));
    dc.SetROP2(R2_COPYPEN);
    dc.SelectObject(GetStockBrush(WHITE_BRUSH));
    for (int k = 0; k <= 2; ++k)
        dc.Ellipse(x - radius + k, y - radius + k, x + radius - k, y + radius - k);
}

void CScreenButton::EraseMarker(TXLAWindow* window, int x, int y, int radius) {
    if (disabled || !window)
        return;
    {
        TClientDC dc(WindowServices::PlatformWindow(window));
        dc.SetROP2(R2_COPYPEN);
        dc.SelectObject(GetStockBrush(WHITE_BRUSH));
        dc.SelectObject(TPen(RGB(255, 255, 255)));
        dc.Ellipse(x - radius, y - radius, x + radius, y + radius);
        dc.SelectObject(TPen(markerTrailColour));
        dc.Ellipse(x - 2, y - 2, x + 2, y + 2);
        dc.Ellipse(x - 1, y - 1, x + 1, y + 1);
        dc.Ellipse(x, y, x + 1, y + 1);
    }
    markerX = markerY = markerRadius = 0;
}

TRect CScreenButton::BackgroundRect(const TXLAWindow* window) const {
    const double w = WindowServices::ClientWidth(window), h = WindowServices::ClientHeight(window);
    const double page = double(gScreenScale) * double(gLogicalHeight);
    int x1 = int(std::floor(left * w / page)) - 2;
    int x2 = int(std::floor(right * w / page)) + 2;
    int y1 = int(std::floor(top * h / gLogicalHeight)) - 1;
    int y2 = int(std::floor(bottom * h / gLogicalHeight)) + 2;
    if (x1 > x2)
        std::swap(x1, x2);
    if (y1 > y2)
        std::swap(y1, y2);
    return TRect{x1, y1, x2 + 1, y2 + 1};
}

bool CScreenButton::SaveBackground(TXLAWindow* window) {
    if (!window)
        return false;
    const TRect r = BackgroundRect(window);
    TBitmap snapshot(r.Width(), r.Height());
    TClientDC screen(WindowServices::PlatformWindow(window));
    TMemoryDC memory(snapshot);
    memory.BitBlt(0, 0, r.Width(), r.Height(), screen, r.left, r.top, SRCCOPY);
    background = snapshot;
    backgroundSaved = true;
    return true;
}

bool CScreenButton::RestoreBackground(TXLAWindow* window) {
    if (!window)
        return false;
    if (backgroundSaved) {
        const TRect r = BackgroundRect(window);
        TClientDC screen(WindowServices::PlatformWindow(window));
        TMemoryDC memory(background);
        screen.BitBlt(r.left, r.top, background.Width(), background.Height(), memory, 0, 0,
                      SRCCOPY);
    }
    if (markerRadius > 0)
        EraseMarker(window, markerX, markerY, markerRadius);
    return true;
}

void CScreenButton::DrawLabelIn(TXLAWindow* window, COLORREF colour) {
    if (disabled || !window)
        return;
    TClientDC dc(WindowServices::PlatformWindow(window));
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(colour);
    dc.SetTextAlign(TA_CENTER | TA_BOTTOM);
    dc.SelectObject(ButtonFont(bold));
    dc.TextOut(left + (right - left) / 2, bottom - 1, on ? onText : offText);
}

void CScreenButton::DrawLabel(TXLAWindow* window) {
    DrawLabelIn(window, textColour);
}

void CScreenButton::EraseLabel(TXLAWindow* window) {
    DrawLabelIn(window, RGB(255, 255, 255));
}

void CScreenButton::Beep() {
    MessageBeep(0);
}
