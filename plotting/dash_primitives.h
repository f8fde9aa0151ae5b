// Dotted and dashed drawing that shares one program-wide phase (gDashPhase) across all calls.
#pragma once

#include "plat/gdi.hpp"

// Paints the pixel (x, y) and leaves the current position on it.
void DrawDot(TDC& dc, int x, int y);
// Paints the pixel only while the dash phase is set; sets the phase in both cases.
void DrawDotPhased(TDC& dc, int x, int y);
// A segment 5 pixels on, 5 off from its start; very short pieces alternate with the phase, so a
// dense curve of them shows dotted. Returns the result of the last drawing call.
bool DrawDashedLine(TDC& dc, int x1, int y1, int x2, int y2);
