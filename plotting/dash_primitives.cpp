// Dotted and dashed drawing with the shared dash phase.
#include "plotting/dash_primitives.h"

#include "plotting/plot_globals.h"

#include <cmath>

namespace {
constexpr float kDash = 5.0f;
}

void DrawDot(TDC& dc, int x, int y) {
    dc.MoveTo(x, y);
    dc.LineTo(x + 1, y + 1);
    dc.MoveTo(x, y);
}

void DrawDotPhased(TDC& dc, int x, int y) {
    if (gDashPhase)
        DrawDot(dc, x, y);
    gDashPhase = 1;
}

bool DrawDashedLine(TDC& dc, int x1, int y1, int x2, int y2) {
    const float dx = float(x2 - x1);
    const float dy = float(y2 - y1);
    if (std::fabs(dx) <= 2 && std::fabs(dy) <= 2) {
        if (!gDashPhase) {
            gDashPhase = 1;
            return true;
        }
        DrawDot(dc, x1, y1);
        gDashPhase = 0;
        return dc.MoveTo(x2, y2);
    }
    gDashPhase = 1;
    if (std::fabs(dx) < kDash && std::fabs(dy) < kDash) {
        dc.MoveTo(x1, y1);
        dc.LineTo(x1 + int(std::floor(dx / 2)), y1 + int(std::floor(dy / 2)));
        return dc.MoveTo(x2, y2);
    }
    // Each pass draws one dash and skips one gap; the last stretch under two dash lengths stays
    // empty. The pass count is bounded by the length, so float steps can never stall the loop.
    const float length = std::sqrt(dx * dx + dy * dy);
    const float n = length / kDash;
    const float sx = dx / n, sy = dy / n;
    float x = float(x1), y = float(y1);
    bool ok = true;
    const long maxPasses = long(length / (2 * kDash)) + 2;
    for (long pass = 0; pass < maxPasses && (std::fabs(float(x2) - x) >= 2 * kDash ||
                                             std::fabs(float(y2) - y) >= 2 * kDash);
         ++pass) {
        dc.MoveTo(int(std::floor(x)), int(std::floor(y)));
        x += sx;
        y += sy;
        ok = dc.LineTo(int(std::floor(x)), int(std::floor(y)));
        x += sx;
        y += sy;
    }
    dc.MoveTo(x2, y2);
    return ok;
}
