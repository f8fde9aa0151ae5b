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

const char* FormatTimeStepText(char* buffer, int size) {
    std::snprintf(buffer, size, "dt = %f sec  ", LammGrid::dt);
    return buffer;
}

const char* FormatIterationText(char* buffer, int size) {
    std::snprintf(buffer, size, "#it = %d   ", LammGrid::stepCount);
    return buffer;
}

const char* FormatSimTimeText(char* buffer, int size) {
    if (LammGrid::profileCurves)
        std::snprintf(buffer, size, "t = %.0f sec (M=%f) ", LammGrid::time, LammGrid::totalAmount);
    else
        std::snprintf(buffer, size, "t = %.0f sec  ", LammGrid::time);
    return buffer;
}

const char* FormatRiText(char* buffer, int size, float value) {
    std::snprintf(buffer, size, "ri=%f  ", value);
    return buffer;
}

void ShowTimeStepText() {
    char text[80];
    Draw(70, FormatTimeStepText(text, sizeof text));
}

void ShowIterationText() {
    char text[80];
    Draw(90, FormatIterationText(text, sizeof text));
}

void ShowSimTimeText() {
    char text[120];
    Draw(110, FormatSimTimeText(text, sizeof text));
}

void ShowRiText(float value) {
    char text[80];
    Draw(130, FormatRiText(text, sizeof text, value));
}
