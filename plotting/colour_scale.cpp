// The colour scale of colour-scaled plots: a value 0..1 to white, blue, cyan, yellow, red.
#include "plotting/win_plot.h"

#include <cmath>

COLORREF CWINPlot::ValueToColor(float v) const {
    if (missingAsBlack && v == -1)
        return 0x000000;
    if ((missingHidden || missingAsWhite) && v == -1)
        return 0xFFFFFF;
    float t = v;
    if (std::isnan(t) || t < 0)
        t = 0;
    if (t > 1)
        t = 1;

    constexpr float b1 = 0.05f, b2 = 0.2f, b3 = 0.4f, b4 = 0.65f, b5 = 0.9f;
    double r, g, b;
    if (t <= b2) {
        r = 1 - t / b2;
        g = 1 - t / b2;
        b = 1;
    } else if (t <= b3) {
        r = 0;
        g = (t - b2) / (b3 - b2);
        b = 1;
    } else if (t <= b4) {
        r = (t - b3) / (b4 - b3);
        g = 1;
        b = 1 - (t - b3) / (b4 - b3);
    } else if (t <= b5) {
        r = 1;
        g = 1 - (t - b4) / (b5 - b4);
        b = 0;
    } else {
        r = 1 - (t - b5) / (4 * (1 - b5));
        g = 0;
        b = 0;
    }
    if (greyColourScale) {
        // Grey at 0 through violet at 0.05 into blue, and red down to black at the top end.
        if (t <= b1) {
            r = (t / b1) * (150.0 / 255) + ((b1 - t) / b1) * (100.0 / 255);
            g = ((b1 - t) / b1) * (100.0 / 255);
            b = (t / b1) * (211.0 / 255) + ((b1 - t) / b1) * (100.0 / 255);
        } else if (t <= b2) {
            r = (1 - t / b2) * (150.0 / 255);
            g = 0;
            b = t / b2 + ((b2 - t) / b2) * (211.0 / 255);
        } else if (t > b5) {
            r = 1 - (t - b5) / (1 - b5);
        }
    }
    auto byte = [](double f) {
        const double c = std::floor(255 * f);
        return COLORREF(c < 0 ? 0 : c > 255 ? 255 : int(c));
    };
    return byte(r) + 256 * byte(g) + 65536 * byte(b);
}
