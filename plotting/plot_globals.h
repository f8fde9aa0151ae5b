// Program-wide values shared by every plot: the page, the screen scale and the drawing state.
#pragma once

#include <cstdint>

// x positions of the logical page are window units times this single-precision scale.
extern float gScreenScale;
// Height of the logical page every plot is recorded on.
extern float gLogicalHeight;
// Half-size of symbols and error-bar caps used by the drawing code.
extern int gMarkSize;
// Phase of dotted drawing, carried across every dashed line, curve and plot.
extern std::uint8_t gDashPhase;
// Set around tick placement when an axis holds decimal logarithms.
extern int gLogTicks;
// Set by the curve drawing when a point lies inside the x range but outside the y range.
extern int gRescaleRequest;

// Window units to logical columns. The float scale 1.4 lies just below 1.4; the product is formed
// in double and truncated, so 475 gives 664 and 950 gives 1329 (in float they would round up).
int ScreenColumn(double windowX);

// Width and height of the logical page: 1399 x 1000 by the rule above.
int LogicalPageWidth();
int LogicalPageHeight();
