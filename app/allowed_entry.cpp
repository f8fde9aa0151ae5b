#include "app/allowed_entry.h"

#include "app/txla_window.h"
#include "foundations/input_boxes.h"
#include "foundations/sounds.h"

#include <cmath>
#include <cstdio>

bool AskAllowed(TXLAWindow* window, float& value, float defaultValue, const char* prompt,
                const char* caption, Allowed allowed) {
    float shown = defaultValue;
    for (;;) {
        if (!InputFloatForWindow(window, &value, shown, true, prompt, caption))
            return false;
        // Compared in single precision, as typed: -273.15 itself is below absolute zero.
        const auto lo = static_cast<float>(allowed.lo);
        const auto hi = static_cast<float>(allowed.hi);
        if (std::isfinite(value) && (allowed.lowClosed ? value >= lo : value > lo) && value <= hi)
            return true;
        char bounds[80];
        if (allowed.hi < 3.4e38)
            std::snprintf(bounds, sizeof bounds, "from %g up to %g", allowed.lo, allowed.hi);
        else
            std::snprintf(bounds, sizeof bounds, "%s %g", allowed.lowClosed ? "from" : "above",
                          allowed.lo);
        char text[300];
        std::snprintf(text, sizeof text, "%s\n%g cannot be used: enter a number %s", prompt,
                      static_cast<double>(value), bounds);
        PlayErrorSound();
        window->MessageBox(text, caption, MB_OK | MB_ICONEXCLAMATION);
        shown = value;
    }
}
