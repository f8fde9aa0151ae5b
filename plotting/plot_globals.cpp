// Program-wide values shared by every plot.
#include "plotting/plot_globals.h"

#include <cmath>

float gScreenScale = 1.4f;
float gLogicalHeight = 1000.0f;
int gMarkSize = 8;
std::uint8_t gDashPhase = 1;
int gLogTicks = 0;
int gRescaleRequest = 0;

int ScreenColumn(double windowX) {
    return int(std::trunc(windowX * double(gScreenScale)));
}

int LogicalPageWidth() {
    return int(std::floor(double(gScreenScale) * double(gLogicalHeight)));
}

int LogicalPageHeight() {
    return int(std::floor(gLogicalHeight));
}
