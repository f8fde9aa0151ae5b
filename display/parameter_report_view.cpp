// The parameter report's lines drawn and copied.
#include "display/parameter_report_view.h"

#include "display/noise_integrate_buttons.h"
#include "fitting/parameter_report.h"
#include "plat/clipboard.hpp"
#include "plat/window.hpp"
#include "plat/window_dc.hpp"
#include "state/scan_store.h"
#include "state/window_services.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

// The window's report: pixel sizes of its font and left margin.
constexpr int kLargestReportFontPx = 13;
constexpr int kSmallestReportFontPx = 10;
constexpr int kReportMarginPx = 10;

TFont ReportFont(int px) {
    return CreateFont(px, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, OUT_DEFAULT_PRECIS, 0, DEFAULT_QUALITY,
                      DEFAULT_PITCH | FF_SWISS, nullptr);
}

// The report's lines as items of a flowing text: each line as many whole items as fit in width.
std::vector<std::string> WrapItems(const std::vector<std::string>& items, const TDC& dc,
                                   int width) {
    constexpr const char* kGap = "     ";
    std::vector<std::string> lines;
    std::string line;
    for (const std::string& item : items) {
        const std::string longer = line.empty() ? item : line + kGap + item;
        if (!line.empty() && dc.GetTextExtent(longer).cx > width) {
            lines.push_back(line);
            line = item;
        } else {
            line = longer;
        }
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

} // namespace

void DisplayBestFitParams2(TXLAWindow* window, TDC& dc, int x, int y) {
    (void)window;
    for (const std::string& line : ParameterReportLines()) {
        dc.TextOut(x, y, line);
        y += 15;
    }
}

void DisplayBestFitParams(TXLAWindow* window) {
    TWindow* surface = WindowServices::PlatformWindow(window);
    if (!surface)
        return;
    float width = WindowServices::ClientWidth(window);
    float height = WindowServices::ClientHeight(window);
    if (width <= 0.0f || height <= 0.0f) {
        const TRect client = surface->GetClientRect();
        width = float(client.Width());
        height = float(client.Height());
    }
    // The strip above the data plot, whose top is in units of a 1000-high client area.
    const int strip = int(float(ScanStore::distPlotRect[0]) * height / 1000.0f);
    // The lines end short of the noise buttons at the strip's right.
    const int buttons = NoiseButtonsLeftPixel(width);
    const int right = buttons > 0 ? std::min(buttons, int(width)) : int(width);
    const int lineWidth = std::max(1, right - 2 * kReportMarginPx);
    const std::vector<std::string> items = ParameterReportLines();
    TClientDC dc(surface);
    TFont previousFont = dc.GetFont();
    std::vector<std::string> lines;
    int fontPx = kLargestReportFontPx;
    for (;; --fontPx) {
        dc.SelectObject(ReportFont(fontPx));
        lines = WrapItems(items, dc, lineWidth);
        if (int(lines.size()) * (fontPx + 1) + 2 <= strip || fontPx == kSmallestReportFontPx)
            break;
    }
    // Opaque on white: a line that a small window pushes onto the data plot still reads.
    const COLORREF previousColour = dc.SetTextColor(0x000000);
    const COLORREF previousBk = dc.SetBkColor(0xFFFFFF);
    const int previousMode = dc.SetBkMode(OPAQUE);
    const unsigned previousAlign = dc.SetTextAlign(TA_LEFT | TA_TOP);
    int y = 2;
    for (const std::string& line : lines) {
        dc.TextOut(kReportMarginPx, y, line);
        y += fontPx + 1;
    }
    dc.SetTextAlign(previousAlign);
    dc.SetBkMode(previousMode);
    dc.SetBkColor(previousBk);
    dc.SetTextColor(previousColour);
    dc.SelectObject(previousFont);
}

bool CopyParameterReport(TXLAWindow* window) {
    TClipboard clipboard(WindowServices::PlatformWindow(window));
    if (!clipboard.IsOpen())
        return false;
    std::string text;
    for (const std::string& line : ParameterReportLines())
        text += line + "\r\n";
    clipboard.EmptyClipboard();
    const bool ok = clipboard.SetText(text);
    clipboard.CloseClipboard();
    return ok;
}
