// The data symbols of styles -1 .. 19, shared by the plot's curve drawing and the one-curve
// painters.
#pragma once

#include "plat/gdi.hpp"

struct MarkContext {
    int size = 10;            // half-size s of the symbol
    int barHalfWidth = 10;    // style 11
    int squareHalfWidth = 10; // style 19
    int squareHalfHeight = 10;
    int zeroRow = 0; // row of the value 0, foot of the style-8 stick
    TPen pointPen;   // pen taken up again after the white halo of style 13
};

// Draws the symbol of style at (x, y). (px, py) is the previous point of the run and hasPrevious
// says whether there is one; lastPoint marks the last point of the range (style 14). Every symbol
// ends with the current position back on (x, y), except the one-pixel forms, which leave it at
// (x + 1, y + 1). Styles 4 and 20 and unknown styles draw nothing here.
void DrawMark(TDC& dc, int style, int x, int y, bool hasPrevious, int px, int py, bool lastPoint,
              const MarkContext& mark);
