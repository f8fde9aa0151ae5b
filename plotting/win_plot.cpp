// CWINPlot construction, curves, texts, palette, masks and error bars.
#include "plotting/win_plot.h"

#include "foundations/ccurve.h"
#include "foundations/cvector.h"
#include "plotting/plot_globals.h"
#include "plotting/plot_recording_deferral.h"

#include <cmath>
#include <cstring>

namespace {

// Copies text into a fixed field, cut to the field so that the terminating zero fits.
char* CopyText(char* field, std::size_t size, const char* text) {
    if (text == nullptr)
        text = "";
    std::size_t n = std::strlen(text);
    if (n > size - 1)
        n = size - 1;
    std::memcpy(field, text, n);
    field[n] = '\0';
    return field;
}

} // namespace

CWINPlot::CWINPlot() {
    InitPalette();
}

CWINPlot::CWINPlot(CCurve* curve) {
    InitPalette();
    newCurveStyle = 0;
    if (curve != nullptr) {
        AppendCurve(curve);
        AutoScale();
    }
}

CWINPlot::~CWINPlot() {
    ForgetDeferredDraw(this);
    if (ownsMetaFile && metaFile)
        DeleteMetaFile(metaFile);
}

void CWINPlot::InitPalette() {
    palette = {0x000000, 0x0000FF, 0x00FFFF, 0x00FF00, 0x6464FF,
               0xFFFF00, 0xFF0000, 0xFFC864, 0xFF00FF, 0x006464};
}

COLORREF CWINPlot::GetPaletteColor(int index) const {
    if (index < 0)
        return 0xC8C8C8;
    return palette[std::size_t(index % 10)];
}

void CWINPlot::SetPaletteColor(int index, COLORREF colour) {
    if (index >= 0 && index <= 9)
        palette[std::size_t(index)] = colour;
}

void CWINPlot::AddCurve(CCurve* curve) {
    AppendCurve(curve);
    AutoScale();
    if (scaleChanged == 0 && nCurves == 1)
        Draw();
}

void CWINPlot::AddCurves(const std::vector<CCurve*>& added) {
    for (CCurve* curve : added)
        AppendCurve(curve);
    AutoScale();
}

void CWINPlot::AppendCurve(CCurve* curve) {
    // The first two curves both take palette colour 1; later ones walk the palette by index.
    const int n = nCurves;
    curves.push_back(curve);
    legends.emplace_back(nullptr);
    curveStyle.push_back(newCurveStyle);
    partialRange.push_back(0);
    rangeFirst.push_back(0);
    rangeLast.push_back(0);
    curveColour.push_back(n == 0 ? palette[1] : GetPaletteColor(n));
    curveColourSet.push_back(0);
    nCurves = n + 1;
}

void CWINPlot::ReplaceLastCurve(CCurve* curve) {
    if (nCurves == 0)
        return;
    curves[std::size_t(nCurves - 1)] = curve;
    AutoScale();
    Draw();
}

void CWINPlot::SetCurve(int i, CCurve* curve) {
    if (i >= 0 && i < nCurves)
        curves[std::size_t(i)] = curve;
}

void CWINPlot::RemoveLastCurve() {
    if (nCurves == 0)
        return;
    --nCurves;
    const auto n = std::size_t(nCurves);
    curves.resize(n);
    legends.resize(n);
    curveStyle.resize(n);
    partialRange.resize(n);
    rangeFirst.resize(n);
    rangeLast.resize(n);
    curveColour.resize(n);
    curveColourSet.resize(n);
    if (nCurves == 0) {
        xScale = yScale = 0;
        xOffset = yOffset = 0;
    }
}

void CWINPlot::RemoveAllCurves() {
    curves.clear();
    legends.clear();
    curveStyle.clear();
    partialRange.clear();
    rangeFirst.clear();
    rangeLast.clear();
    curveColour.clear();
    curveColourSet.clear();
    legendsOn = 0;
    nCurves = 0;
}

void CWINPlot::SetCurveColor(int i, COLORREF colour) {
    if (i < 0 || i >= nCurves)
        return;
    curveColour[std::size_t(i)] = colour;
    curveColourSet[std::size_t(i)] = 1;
}

COLORREF CWINPlot::GetCurveColor(int i) const {
    return (i >= 0 && i < nCurves) ? curveColour[std::size_t(i)] : 0;
}

void CWINPlot::SetCurveStyle(int i, int style) {
    if (i >= 0 && i < nCurves)
        curveStyle[std::size_t(i)] = style;
}

int CWINPlot::GetCurveStyle(int i) const {
    return (i >= 0 && i < nCurves) ? curveStyle[std::size_t(i)] : 0;
}

void CWINPlot::SetCurveRange(int i, int first, int last) {
    if (i < 0 || i >= nCurves)
        return;
    const CCurve* c = curves[std::size_t(i)];
    const int n = (c != nullptr && c->x != nullptr) ? int(c->x->length) : 0;
    partialRange[std::size_t(i)] = 1;
    rangeFirst[std::size_t(i)] = first < 0 ? 0 : first;
    rangeLast[std::size_t(i)] = last >= n ? n - 1 : last;
}

void CWINPlot::SetCurveLegend(int i, const char* text) {
    // Checked like every other per-curve setter: an unchecked index would write past the list.
    if (i < 0 || i >= nCurves)
        return;
    auto copy = std::make_unique<char[]>(100);
    CopyText(copy.get(), 100, text);
    legends[std::size_t(i)] = std::move(copy);
}

void CWINPlot::AddShadedInterval(CVector* interval) {
    // Sized by the capacity, so a plot with fewer curves than intervals stays within its list.
    if (shadedIntervals.empty())
        shadedIntervals.assign(std::size_t(shadedCapacity) + 1, nullptr);
    if (shadedCount < shadedCapacity) {
        ++shadedCount;
        shadedIntervals[std::size_t(shadedCount)] = interval;
    }
}

void CWINPlot::SetColourValues(int curve, float* values, int first, int last, bool projections) {
    if (values == nullptr)
        return;
    colourValues = values + first;
    colourValueCount = last - first + 1;
    colourCurveOn = 1;
    colourCurve = curve;
    colourProjections = projections ? 1 : 0;
}

void CWINPlot::SetY2Range(float a, float b) {
    if (a == b) {
        y2On = 0;
        y2Min = y2Max = 0;
        return;
    }
    y2On = 1;
    y2Min = a < b ? a : b;
    y2Max = a < b ? b : a;
}

void CWINPlot::SetStyle(int style) {
    newCurveStyle = style < 5 ? style : style % 4;
}

char* CWINPlot::SetAnnotation1(const char* text) {
    annotation1Shown = 1;
    return CopyText(annotation1, sizeof annotation1, text);
}

char* CWINPlot::SetAnnotation2(const char* text) {
    annotation2Shown = 1;
    return CopyText(annotation2, sizeof annotation2, text);
}

char* CWINPlot::SetXLabel(const char* text) {
    xLabelShown = 1;
    return CopyText(xLabel, sizeof xLabel, text);
}

char* CWINPlot::SetYLabel(const char* text) {
    yLabelShown = 1;
    return CopyText(yLabel, sizeof yLabel, text);
}

char* CWINPlot::SetTitle(const char* text) {
    titleShown = 1;
    return CopyText(title, sizeof title, text);
}

void CWINPlot::ClearXLabel() {
    xLabel[0] = '\0';
    xLabelShown = 0;
}

void CWINPlot::ClearYLabel() {
    yLabel[0] = '\0';
    yLabelShown = 0;
}

void CWINPlot::SetColourRange(float min, float max) {
    colourRangeMin = min;
    if (max == min)
        max = 2 * min;
    if (max == min)
        max = min + 1;
    colourRangeMax = max;
    colourRangeFixed = 1;
}

void CWINPlot::SetColourBarLabels(int shift, const char* low, const char* high) {
    colourBarLabelShift = shift;
    CopyText(colourBarLowLabel, sizeof colourBarLowLabel, low);
    CopyText(colourBarHighLabel, sizeof colourBarHighLabel, high);
    colourBarLabelsOn = 1;
}

void CWINPlot::SetColourBarTitle(int x, int y, const char* text) {
    colourBarTitleX = x;
    colourBarTitleY = y;
    CopyText(colourBarTitle, sizeof colourBarTitle, text);
    colourBarTitleOn = 1;
}

void CWINPlot::SetPointMask(const int* mask, int count, int style, COLORREF colour, int size) {
    pointMask.clear();
    pointMaskCount = 0;
    if (mask != nullptr && count > 0) {
        pointMask.assign(mask, mask + count + 1);
        pointMaskCount = count;
    }
    maskedStyle = style;
    maskedColour = colour;
    maskedMarkSize = size;
}

bool CWINPlot::PointUnmasked(int j) const {
    return j >= 0 && j < pointMaskCount && pointMask[std::size_t(j) + 1] != 0;
}

void CWINPlot::AttachErrors(std::vector<std::unique_ptr<CVector>>& set, std::uint8_t& on, int i,
                            float* values, int n) {
    if (i < 0 || i >= nCurves || i > errorCapacity || values == nullptr)
        return;
    const CCurve* c = curves[std::size_t(i)];
    if (c == nullptr || c->x == nullptr || int(c->x->length) != n)
        return;
    if (set.empty())
        set.resize(std::size_t(errorCapacity) + 1);
    auto view = std::make_unique<CVector>();
    view->SetView(values, n);
    set[std::size_t(i)] = std::move(view);
    on = 1;
    gMarkSize = int(1.5 * markSize);
}

void CWINPlot::AttachUpperErrors(int i, float* values, int n) {
    AttachErrors(upperErrors, upperErrorsOn, i, values, n);
}

void CWINPlot::AttachLowerErrors(int i, float* values, int n) {
    AttachErrors(lowerErrors, lowerErrorsOn, i, values, n);
}

bool CWINPlot::PixelToValue(int windowX, int row, float& x, float& y) const {
    const int col = ScreenColumn(windowX);
    if (xScale == 0 || yScale == 0)
        return false;
    x = (float(col) - xOffset) / xScale;
    y = (float(row) - yOffset) / yScale;
    return col >= plotLeft && col <= plotRight && row >= plotTop && row <= plotBottom;
}
