// CWINPlot: one x-y plot of curves it does not own, with its scaling, texts and recorded picture.
#pragma once

#include "plat/gdi.hpp"
#include "plat/metafile.hpp"
#include "plotting/screen_button.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class CVector;
class CCurve;

class CWINPlot {
  public:
    CWINPlot();
    explicit CWINPlot(CCurve* curve);
    ~CWINPlot();
    CWINPlot(const CWINPlot&) = delete;
    CWINPlot& operator=(const CWINPlot&) = delete;

    // Curves (index i counted from 0).
    void AddCurve(CCurve* curve);
    // Many curves at once, scaled once to all of them (AddCurve rescales after each).
    void AddCurves(const std::vector<CCurve*>& added);
    void ReplaceLastCurve(CCurve* curve);
    void SetCurve(int i, CCurve* curve);
    void RemoveLastCurve();
    void RemoveAllCurves();
    void SetCurveColor(int i, COLORREF colour);
    COLORREF GetCurveColor(int i) const;
    void SetCurveStyle(int i, int style);
    int GetCurveStyle(int i) const;
    void SetCurveRange(int i, int first, int last);
    void SetCurveLegend(int i, const char* text);
    void AddShadedInterval(CVector* interval);
    void SetColourValues(int curve, float* values, int first, int last, bool projections);
    void SetY2Range(float a, float b);
    void DrawValueLabel(TDC& dc, int x, int y, int curve, int point);
    void SetStyle(int style);

    // On-plot buttons: a numbered button and the four one-letter buttons of frame stepping
    // ("F" first, "P" previous, "N" next, "L" last) in a row at the top right of the plot. The
    // first call makes them, later calls change the number only. They are part of the plot's
    // picture, so they follow it through rescaling, zoom and window size.
    void ShowButtons(int number);
    // Gives each button its square of side buttonSize (logical units), right to left from the
    // plot's top right corner, and records the plot again.
    void PlaceButtons();
    // The button (1-based) under a point in per-mille of the client area, or 0.
    int ButtonAt(float x, float y);
    CScreenButton* Button(int i) const;

    // Texts: each copies the text (cut to its field), sets its shown flag and returns the field.
    char* SetAnnotation1(const char* text);
    char* SetAnnotation2(const char* text);
    char* SetXLabel(const char* text);
    char* SetYLabel(const char* text);
    char* SetTitle(const char* text);
    void ClearXLabel();
    void ClearYLabel();
    void SetXLabelOffset(int v) { xLabelOffset = v; }
    void SetYLabelShift(int v) { yLabelShift = v; }
    void SetTitleShiftX(int v) { titleShiftX = v; }
    void SetTitleOffsetY(int v) { titleOffsetY = v; }

    // Switches.
    void ToggleYFromZero() { yFromZero = !yFromZero; }
    void ClearYFromZero() { yFromZero = 0; }
    void ToggleConnectPoints() { connectPoints = !connectPoints; }
    void ClearConnectPoints() { connectPoints = 0; }
    void SetNoTickLabels() { noTickLabels = 1; }
    void ClearNoTickLabels() { noTickLabels = 0; }
    void SetFillBackground(bool on) { fillBackground = on ? 1 : 0; }
    void SetRightAxisLabels() { rightAxisLabels = 1; }
    void ClearRightAxisLabels() { rightAxisLabels = 0; }
    void ShowLegends() { legendsOn = 1; }
    void HideLegends() { legendsOn = 0; }

    // Palette and colour scale.
    void InitPalette();
    COLORREF GetPaletteColor(int index) const;
    void SetPaletteColor(int index, COLORREF colour);
    void SetColourRange(float min, float max);
    void ShowColourBarTicks() { colourBarTicks = 1; }
    void SetGreyColourScale(bool on) { greyColourScale = on ? 1 : 0; }
    void SetMissingAsBlack() { missingAsBlack = 1; }
    void ClearMissingAsBlack() { missingAsBlack = 0; }
    void SetMissingHidden() { missingHidden = 1; }
    void ClearMissingHidden() { missingHidden = 0; }
    void SetMissingAsWhite() { missingAsWhite = 1; }
    void ClearMissingAsWhite() { missingAsWhite = 0; }
    void SetColourBarLabels(int shift, const char* low, const char* high);
    void SetColourBarTitle(int x, int y, const char* text);
    COLORREF ValueToColor(float v) const;

    // Point mask, error bars and thinning.
    void SetPointMask(const int* mask, int count, int style, COLORREF colour, int markSize);
    void AttachUpperErrors(int i, float* values, int n);
    void AttachLowerErrors(int i, float* values, int n);
    void DrawErrorBars(TDC& dc, int i, const float* upper, const float* lower, COLORREF colour);
    void UpdateThinMask(int first, int n);

    // Scaling, ranges and zoom.
    void SetPlotRect(int top, int left, int bottom, int right);
    void AutoScale();
    void Rescale() { AutoScale(); }
    void FullRange();
    void SetRanges(float x0, float x1, float y0, float y1);
    void SetXRange(float x0, float x1);
    void SetYRange(float y0, float y1);
    void ZoomX(float x0, float x1);
    float Y2FromPixel(int row) const;
    static float MinOf(float a, float b) { return a < b ? a : b; }
    static float MaxOf(float a, float b) { return (a < b || a == b) ? b : a; }
    bool PixelToValue(int windowX, int row, float& x, float& y) const;

    // Drawing. Draw records the picture in metaFile, or only notes the plot while recording is
    // deferred; Picture records a noted plot first, so it is the current picture either way.
    bool Draw();
    HMETAFILE Picture();
    // Draw without deferral: the picture recorded at once (false without curves).
    bool RecordNow();
    // While on, Draw records nothing (a batch shows no set but its last); turned off, it records
    // every plot noted meanwhile.
    static void DeferRecording(bool on);
    std::unique_ptr<CVector> ComputeTicks(int major, float lo, float hi) const;
    void DrawCurves(TDC& dc, int i);
    void DrawFunction(TDC& dc, double (*fn)(double), int n, COLORREF colour);
    std::unique_ptr<TMetaFileDC> BeginMetafile();
    HMETAFILE MarkerLineDashedMetafile(float x, COLORREF colour);
    HMETAFILE MarkerLineMetafile(float x, COLORREF colour);
    HMETAFILE FrameDashedMetafile(COLORREF colour);

    // Value to logical position, truncated toward zero.
    int Column(float x) const;
    int Row(float y) const;

    // Fields, in the order of the plot record.
    HMETAFILE metaFile{};
    std::uint8_t hideCurves = 0;
    std::uint8_t ownsMetaFile = 0;
    std::uint8_t clipSymbols = 0;
    int pointStep = 1;
    std::uint8_t upperErrorsOn = 0;
    std::uint8_t lowerErrorsOn = 0;
    std::vector<std::unique_ptr<CVector>> upperErrors; // index 0 .. errorCapacity, or empty
    std::vector<std::unique_ptr<CVector>> lowerErrors;
    int errorCapacity = 100;
    int colourCurve = -1;
    std::uint8_t colourCurveOn = 0;
    std::uint8_t colourBarOn = 0;
    int colourBarOffset = 0;
    float colourRangeMax = 0;
    float colourRangeMin = 0;
    std::uint8_t colourRangeFixed = 0;
    std::vector<int> pointMask; // 1-based: entry j + 1 belongs to point j
    int pointMaskCount = 0;
    COLORREF maskedColour = 0xC8C8C8;
    int maskedMarkSize = 3;
    int maskedStyle = 1;
    std::uint8_t yRangeFromMask = 0;
    int colourBarLabelShift = 0;
    std::uint8_t colourBarLabelsOn = 0;
    char colourBarLowLabel[100] = "";
    char colourBarHighLabel[100] = "";
    std::vector<int> thinMask; // 1-based
    int thinMaskCount = 0;
    std::uint8_t thinningOn = 0;
    std::uint8_t colourBarTitleOn = 0;
    int colourBarTitleX = 0;
    int colourBarTitleY = 0;
    char colourBarTitle[500] = "";
    std::uint8_t missingAsBlack = 0;
    std::uint8_t missingHidden = 0;
    std::uint8_t missingAsWhite = 0;
    int shadedCount = 0;
    int shadedCapacity = 10;
    std::vector<CVector*> shadedIntervals; // 1-based, not owned
    float* colourValues = nullptr;         // not owned
    float colourValuesMax = 0;
    int colourValueCount = 0;
    std::uint8_t colourBarTicks = 0;
    std::uint8_t greyColourScale = 0;
    std::uint8_t colourProjections = 0;
    std::uint8_t y2On = 0;
    float y2Min = 0;
    float y2Max = 0;
    int projXCount = 0;
    std::vector<float> projX, projXValues;
    int projYCount = 0;
    std::vector<float> projY, projYValues;
    std::uint8_t rightAxisLabels = 0;
    std::uint8_t fillBackground = 1;
    int keyEntries = 0;
    std::uint8_t noTickLabels = 0;
    std::vector<COLORREF> curveColour;
    std::vector<int> curveColourSet;
    int markSize = 10;
    int barHalfWidth = 10;
    int squareHalfHeight = 10;
    int squareHalfWidth = 10;
    int xLogTicks = 0;
    int yLogTicks = 0;
    std::uint8_t breakOnXBack = 0;
    float yLabelFactor = 1.0f;
    std::uint8_t xLog = 0;
    std::uint8_t yLog = 0;
    int outsideMargin = 20;
    std::vector<int> partialRange;
    std::vector<int> rangeFirst;
    std::vector<int> rangeLast;
    std::uint8_t noYAxis = 0;
    std::uint8_t noXAxis = 0;
    std::uint8_t noTopGap = 0;
    std::uint8_t innerTopTicks = 0;
    int nCurves = 0;
    std::vector<CCurve*> curves; // not owned
    std::vector<int> curveStyle;
    char annotation1[100] = "";
    int annotation1Shown = 0;
    char annotation2[100] = "";
    int annotation2Shown = 0;
    char xLabel[100] = "";
    int xLabelOffset = 0;
    char yLabel[100] = "";
    int yLabelShift = 0;
    char title[100] = "";
    int titleShiftX = 0;
    int titleOffsetY = 0;
    int titleShown = 0;
    int xLabelShown = 0;
    int yLabelShown = 0;
    std::vector<std::unique_ptr<char[]>> legends; // 100-byte copies, or null
    int legendsOn = 0;
    int plotLeft = 0, plotRight = 0;
    int plotBottom = 0, plotTop = 0;
    int xFixed = 0, yFixed = 0;
    int yFromZero = 0;
    int scaleChanged = 1;
    float xScale = 0, yScale = 0;
    float xOffset = 0, yOffset = 0;
    float xMin = 0, xMax = 0, yMin = 0, yMax = 0;
    int frameLeft = 0, frameBottom = 0, frameRight = 0, frameTop = 0;
    int connectPoints = 0;
    int newCurveStyle = -1;
    std::array<COLORREF, 10> palette{};
    COLORREF backgroundColour = 0xFFFFFF;
    COLORREF foregroundColour = 0;
    std::vector<std::unique_ptr<CScreenButton>> buttons; // button i at index i - 1
    int buttonCount = 0;
    int buttonSize = 20;

  private:
    void AppendCurve(CCurve* curve);
    void EmptyPlotRule();
    bool BeginRangeChange(float a, float b);
    void UpdateXScale();
    void UpdateYScale();
    void CurveIndexRange(int i, int& first, int& last) const;
    bool PointUnmasked(int j) const;
    bool RecordOnce();
    void AttachErrors(std::vector<std::unique_ptr<CVector>>& set, std::uint8_t& on, int i,
                      float* values, int n);
};
