// CWINPlot::Draw: records the whole plot (background, curves, frame, axes, colour bar, texts) as
// a picture in the 1399 x 1000 logical page; and the small recordings offered beside it.
#include "foundations/ccurve.h"
#include "foundations/cvector.h"
#include "foundations/show_error.h"
#include "plotting/dash_primitives.h"
#include "plotting/plot_fonts.h"
#include "plotting/plot_globals.h"
#include "plotting/plot_recording_deferral.h"
#include "plotting/win_plot.h"

#include <cmath>
#include <cstring>

namespace {

constexpr int kMajorTick = 8;
constexpr int kMinorTick = 5;
constexpr int kLabelGap = 2;
constexpr int kCharWidth = kTickLabelFontHeight; // estimated width of one tick-label character
constexpr int kBaselineShift = kTickLabelFontHeight / 3;
constexpr COLORREF kShadedColour = RGB(230, 250, 230);
constexpr int kBarHalfWidth = 10;

std::unique_ptr<TMetaFileDC> OpenRecording() {
    auto dc = std::make_unique<TMetaFileDC>();
    dc->SetWindowExt(TSize{LogicalPageWidth(), LogicalPageHeight()});
    return dc;
}

int Trunc(double v) {
    return int(std::trunc(v));
}

} // namespace

bool CWINPlot::Draw() {
    if (nCurves == 0)
        return false;
    if (NoteDeferredDraw(this))
        return true;
    return RecordNow();
}

bool CWINPlot::RecordNow() {
    if (nCurves == 0)
        return false;
    gRescaleRequest = 0;
    const bool recorded = RecordOnce();
    if (!recorded)
        return false;
    // A point above or below the y range asks for one rescale and a second recording.
    if (gRescaleRequest == 1 && (!xFixed || !yFixed)) {
        Rescale();
        return RecordOnce();
    }
    return true;
}

bool CWINPlot::RecordOnce() {
    auto rec = OpenRecording();
    TDC& dc = *rec;
    dc.SelectObject(GetStockBrush(NULL_BRUSH));
    dc.SelectObject(GetStockPen(BLACK_PEN));
    dc.SelectObject(GetStockPen(NULL_PEN));

    const TBrush background(backgroundColour);
    dc.SelectObject(background);
    if (fillBackground)
        dc.Rectangle(frameLeft, frameTop, frameRight, frameBottom);

    if (!shadedIntervals.empty()) {
        const TBrush shade(kShadedColour);
        dc.SelectObject(shade);
        for (int k = 1; k <= shadedCount && k < int(shadedIntervals.size()); ++k) {
            const CVector* v = shadedIntervals[std::size_t(k)];
            if (v == nullptr || v->length < 2)
                continue;
            dc.Rectangle(Column(v->data[0]), plotTop, Column(v->data[1]), plotBottom);
        }
        dc.SelectObject(background);
    }

    if (!hideCurves) {
        const int step = pointStep > 0 ? pointStep : 1;
        for (int i = 0; i < nCurves; i += step) {
            DrawCurves(dc, i);
        }
    }

    const TPen framePen(foregroundColour);
    dc.SelectObject(framePen);
    dc.Rectangle(plotLeft, plotTop, plotRight, plotBottom);

    dc.SetBkColor(backgroundColour);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(foregroundColour);
    dc.SetTextAlign(TA_CENTER | TA_TOP);
    dc.SelectObject(gTickLabelFont);

    char text[32];
    // x axis: labelled major ticks below, plain ticks above (and inside when asked).
    gLogTicks = xLogTicks ? 1 : 0;
    auto ticks = ComputeTicks(1, xMin, xMax);
    gLogTicks = 0;
    for (std::uint32_t k = 0; k < ticks->length; ++k) {
        const int c = Column(ticks->data[k]);
        dc.MoveTo(c, plotBottom);
        dc.LineTo(c, plotBottom + kMajorTick);
        if (!noTickLabels && ticks->FormatElement(k, text, 20, 1.0f) > 0) {
            dc.TextOut(c, plotBottom + kMajorTick + kLabelGap, text);
        }
        dc.MoveTo(c, plotTop);
        dc.LineTo(c, plotTop - kMajorTick);
        if (innerTopTicks) {
            dc.MoveTo(c, plotTop);
            dc.LineTo(c, plotTop + kMajorTick);
        }
    }
    gLogTicks = xLogTicks ? 1 : 0;
    ticks = ComputeTicks(0, xMin, xMax);
    gLogTicks = 0;
    for (std::uint32_t k = 0; k < ticks->length; ++k) {
        const int c = Column(ticks->data[k]);
        dc.MoveTo(c, plotBottom);
        dc.LineTo(c, plotBottom + kMinorTick);
        dc.MoveTo(c, plotTop);
        dc.LineTo(c, plotTop - kMinorTick);
        if (innerTopTicks) {
            dc.MoveTo(c, plotTop);
            dc.LineTo(c, plotTop + kMinorTick);
        }
    }

    // y axis: labels right-aligned left of the axis, optionally repeated on the right.
    gLogTicks = yLogTicks ? 1 : 0;
    ticks = ComputeTicks(1, yMin, yMax);
    gLogTicks = 0;
    dc.SetTextAlign(TA_BASELINE | TA_RIGHT);
    int labelWidth = 0;
    for (std::uint32_t k = 0; k < ticks->length; ++k) {
        const int r = Row(ticks->data[k]);
        dc.MoveTo(plotLeft, r);
        dc.LineTo(plotLeft - kMajorTick, r);
        const int len = ticks->FormatElement(k, text, 20, yLabelFactor);
        if (len * kCharWidth > labelWidth)
            labelWidth = len * kCharWidth;
        if (!noTickLabels && len > 0)
            dc.TextOut(plotLeft - kMajorTick - kLabelGap, r + kBaselineShift, text);
        dc.MoveTo(plotRight, r);
        dc.LineTo(plotRight + kMajorTick, r);
        if (rightAxisLabels && !noTickLabels && len > 0) {
            dc.SetTextAlign(TA_BASELINE | TA_LEFT);
            dc.TextOut(plotRight + kMajorTick + kLabelGap, r + kBaselineShift, text);
            dc.SetTextAlign(TA_BASELINE | TA_RIGHT);
        }
    }
    gLogTicks = yLogTicks ? 1 : 0;
    ticks = ComputeTicks(0, yMin, yMax);
    gLogTicks = 0;
    for (std::uint32_t k = 0; k < ticks->length; ++k) {
        const int r = Row(ticks->data[k]);
        dc.MoveTo(plotLeft, r);
        dc.LineTo(plotLeft - kMinorTick, r);
        dc.MoveTo(plotRight, r);
        dc.LineTo(plotRight + kMinorTick, r);
    }

    if (colourCurveOn && colourBarOn && !hideCurves) {
        const int x0 = plotRight + colourBarOffset;
        int n = Trunc(std::floor(double(plotBottom - plotTop) / 10)) + 1;
        if (n == 1)
            n = 2;
        for (int i = 1; i <= n; ++i) {
            const COLORREF c = ValueToColor(float(i) / float(n));
            dc.SelectObject(TPen(c));
            dc.SelectObject(TBrush(c));
            const int y = Trunc(std::floor(double(plotTop + 20 - plotBottom) * (i - 1) / (n - 1))) +
                          plotBottom - 10;
            if (i < n) {
                dc.Rectangle(x0, y - 5, x0 + 2 * kBarHalfWidth + 1, y + 5);
            } else {
                dc.Rectangle(x0, plotTop, x0 + 2 * kBarHalfWidth + 1, y + 5);
            }
        }
        dc.SelectObject(GetStockPen(BLACK_PEN));
        const TPoint outline[] = {{x0 - 1, plotBottom - 1},
                                  {x0 + 20, plotBottom - 1},
                                  {x0 + 20, plotTop},
                                  {x0 - 1, plotTop},
                                  {x0 - 1, plotBottom - 1}};
        dc.Polyline(outline, 5);
        if (colourBarLabelsOn) {
            dc.SetTextAlign(TA_BASELINE | TA_LEFT);
            const int col = x0 + 22 + titleShiftX + colourBarLabelShift;
            dc.TextOut(col, plotBottom + kBaselineShift, colourBarLowLabel);
            dc.TextOut(col, plotTop + kBaselineShift, colourBarHighLabel);
        }
        if (colourBarTitleOn) {
            dc.SetTextAlign(TA_BASELINE | TA_LEFT);
            dc.TextOut(x0 + colourBarTitleX, plotTop - 6 + colourBarTitleY, colourBarTitle);
        }
        const float lo = colourRangeFixed ? colourRangeMin : 0.0f;
        const float hi = colourRangeFixed ? colourRangeMax : colourValuesMax;
        if (colourBarTicks && hi != lo) {
            dc.SetTextAlign(TA_BASELINE | TA_LEFT);
            const int barRight = x0 + 2 * kBarHalfWidth;
            for (int major = 1; major >= 0; --major) {
                auto barTicks = ComputeTicks(major, lo, hi);
                const int len = major ? kMajorTick : kMinorTick;
                for (std::uint32_t k = 0; k < barTicks->length; ++k) {
                    const float t = barTicks->data[k];
                    const int r =
                        Trunc(plotBottom - double(plotBottom - plotTop) * (t - lo) / (hi - lo));
                    dc.MoveTo(barRight, r);
                    dc.LineTo(barRight + len, r);
                    if (major && barTicks->FormatElement(k, text, 20, yLabelFactor) > 0) {
                        dc.TextOut(barRight + len + kLabelGap, r + kBaselineShift, text);
                    }
                }
            }
        }
    }

    dc.SelectObject(gLabelFont);
    dc.SetTextAlign(TA_CENTER | TA_TOP);
    const int halfWidth = labelWidth / 2;
    if (xLabelShown) {
        dc.TextOut(Trunc(plotLeft + (plotRight - plotLeft) * 0.5),
                   plotBottom + kMajorTick + kTickLabelFontHeight + kLabelGap + xLabelOffset,
                   xLabel);
    }
    const int textColumn = plotLeft - halfWidth - kMajorTick - yLabelShift;
    if (annotation1Shown || annotation2Shown) {
        dc.SetTextAlign(TA_BASELINE | TA_RIGHT);
        if (annotation1Shown)
            dc.TextOut(textColumn, plotBottom, annotation1);
        if (annotation2Shown)
            dc.TextOut(textColumn, plotTop, annotation2);
        dc.SetTextAlign(TA_CENTER | TA_TOP);
    }
    if (yLabelShown) {
        dc.SetTextAlign(TA_BOTTOM | TA_CENTER);
        dc.SelectObject(gRotatedLabelFont);
        dc.TextOut(textColumn, Trunc(plotBottom + (plotTop - plotBottom) * 0.5), yLabel);
        dc.SelectObject(gLabelFont);
        dc.SetTextAlign(TA_CENTER | TA_TOP);
    }
    if (titleShown) {
        dc.SelectObject(gTitleFont);
        dc.SetTextAlign(TA_CENTER | TA_TOP);
        dc.TextOut(Trunc(plotLeft + (plotRight - plotLeft) * 0.5 - titleShiftX),
                   plotTop - kTitleFontHeight - kLabelGap + titleOffsetY, title);
    }

    for (const auto& button : buttons)
        button->Draw(dc);

    // Later recordings reach out far enough to take in the widest y tick label.
    const int labelLeft = plotLeft - kMajorTick - 10 - labelWidth;
    if (labelLeft < frameLeft)
        frameLeft = labelLeft;

    HMETAFILE mf = rec->Close();
    if (mf == nullptr)
        return false;
    if (ownsMetaFile && metaFile)
        DeleteMetaFile(metaFile);
    metaFile = mf;
    ownsMetaFile = 1;
    return true;
}

void CWINPlot::DrawFunction(TDC& dc, double (*fn)(double), int n, COLORREF colour) {
    if (nCurves == 0) {
        ShowError("Plot function without data not yet implemented", 0);
        return;
    }
    if (fn == nullptr || n < 1)
        return;
    const TPen previous = dc.SelectObject(TPen(colour));
    dc.MoveTo(Column(xMin), Row(float(fn(xMin))));
    for (int i = 1; i < n; ++i) {
        const double x = xMin + double(xMax - xMin) * i / n;
        dc.LineTo(Column(float(x)), Row(float(fn(x))));
    }
    dc.SelectObject(previous);
}

std::unique_ptr<TMetaFileDC> CWINPlot::BeginMetafile() {
    auto rec = OpenRecording();
    rec->SelectObject(GetStockPen(BLACK_PEN));
    rec->SelectObject(TBrush(backgroundColour));
    if (fillBackground) {
        rec->SelectObject(GetStockPen(NULL_PEN));
        rec->Rectangle(frameLeft, frameTop, frameRight, frameBottom);
        rec->SelectObject(GetStockPen(BLACK_PEN));
    }
    return rec;
}

HMETAFILE CWINPlot::MarkerLineDashedMetafile(float x, COLORREF colour) {
    auto rec = OpenRecording();
    rec->SelectObject(TPen(colour));
    const int c = Column(x);
    DrawDashedLine(*rec, c, plotBottom - 2, c, plotTop + 1);
    return rec->Close();
}

HMETAFILE CWINPlot::MarkerLineMetafile(float x, COLORREF colour) {
    auto rec = OpenRecording();
    rec->SelectObject(TPen(colour));
    const int c = Column(x);
    rec->MoveTo(c, plotBottom - 2);
    rec->LineTo(c, plotTop + 1);
    return rec->Close();
}

HMETAFILE CWINPlot::FrameDashedMetafile(COLORREF colour) {
    auto rec = OpenRecording();
    rec->SelectObject(TPen(colour));
    for (int d = -1; d <= 1; ++d) {
        DrawDashedLine(*rec, plotLeft, plotBottom + d, plotRight, plotBottom + d);
        DrawDashedLine(*rec, plotRight + d, plotBottom, plotRight + d, plotTop);
        DrawDashedLine(*rec, plotRight, plotTop + d, plotLeft, plotTop + d);
        DrawDashedLine(*rec, plotLeft + d, plotTop, plotLeft + d, plotBottom);
    }
    return rec->Close();
}
