// The residuals bitmap: one pixel row per scan (earliest on top), one column per common-grid point
// inside the fit limits, each residual shown by its sign and size.
#pragma once

#include "plat/gdi.hpp"
#include "plat/messages.hpp"

#include <cstdint>

// Settings of the picture, kept by the main window's commands.
extern bool gShowResidualsBitmap;
extern bool gBitmapBlackWhite;
extern bool gBitmapShading;
extern float gBitmapFullScale; // 0: from the residual plot's y range

// What the picture is made of: 1-based tables as the scan store keeps them.
struct ResidualsBitmapSource {
    int scanCount = 0;
    const int* scanOrder = nullptr;  // [1..scanCount]: scan indices in time order
    const int* pointCount = nullptr; // [1..scanCount]
    float* const* radius = nullptr;  // [1..scanCount][1..pointCount]
    float* const* residuals = nullptr;
    const float* gridRadius = nullptr; // [1..gridCount]
    int gridCount = 0;
    int gridFirstFit = 0;
    int gridLastFit = 0;
    float fullScale = 0; // residual shown at full colour
};

// Level of a residual r at full scale f: floor(128 r / f) limited to -128 .. 127; 0 when f is 0
// or r is not a number.
int ResidualLevel(float r, float fullScale);
// Colour of a level by the two switches: plain red / blue / white, or shaded from grey.
COLORREF ResidualLevelColour(int level, bool blackWhite, bool shading);
// The source as the scan store holds it, with the full scale of the settings: the residual plot's
// larger |y| end when the setting is 0, three times the rms deviation for fluorescence data.
ResidualsBitmapSource ResidualsBitmapSourceFromStore();
// The picture, W = gridLastFit - gridFirstFit + 1 columns by scanCount rows; a null bitmap when
// either is 0 or the grid is missing.
TBitmap RenderResidualsBitmap(const ResidualsBitmapSource& source, bool blackWhite, bool shading);
class TWindow;

// Renders the picture of the loaded scans (after recomputing the residuals and rescaling the
// residual plot) and puts it, unstretched, on the clipboard for the main window.
void CopyResidualsBitmap(TWindow* mainWindow);
// Renders the picture and copies it, stretched to the width of the data plot area, into the main
// window's client area.
void DrawResidualsBitmap(TWindow* mainWindow);

// Puts the picture on the clipboard as a bitmap; false when the clipboard cannot be opened.
bool CopyBitmapToClipboard(const TBitmap& bitmap, HWND owner);
// Copies the picture into dc, stretched to the width of the data plot area: client size Wc x Hc,
// bottom anchored at row anchorRow of the 1000-unit page, one device row per scan.
void StretchResidualsBitmap(TDC& dc, const TBitmap& bitmap, float clientWidth, float clientHeight,
                            int anchorRow);
