// Progress texts of the module-wide solvers.
#include "simulation/progress_texts.h"

#include "state/compute_observer.h"
#include "state/lamm_grid.h"

#include <cstdio>

namespace {

void Draw(int y, const char* text) {
    if (CComputeObserver* observer = LammGrid::progressObserver)
        observer->StatusText(10, y, text);
}

} // namespace

const char* FormatTimeStepText(char* buffer, int size, double dt) {
    std::snprintf(buffer, size, "dt = %f sec  ", dt);
    return buffer;
}

const char* FormatIterationText(char* buffer, int size, int steps) {
    std::snprintf(buffer, size, "#it = %d   ", steps);
    return buffer;
}

const char* FormatSimTimeText(char* buffer, int size, double time) {
    if (LammGrid::profileCurves)
        std::snprintf(buffer, size, "t = %.0f sec (M=%f) ", time, LammGrid::totalAmount);
    else
        std::snprintf(buffer, size, "t = %.0f sec  ", time);
    return buffer;
}

const char* FormatRiText(char* buffer, int size, float value) {
    std::snprintf(buffer, size, "ri=%f  ", value);
    return buffer;
}

void ShowTimeStepText(double dt) {
    char text[80];
    Draw(70, FormatTimeStepText(text, sizeof text, dt));
}

void ShowIterationText(int steps) {
    char text[80];
    Draw(90, FormatIterationText(text, sizeof text, steps));
}

void ShowSimTimeText(double time) {
    char text[120];
    Draw(110, FormatSimTimeText(text, sizeof text, time));
}

void ShowRiText(float value) {
    char text[80];
    Draw(130, FormatRiText(text, sizeof text, value));
}
