// Coordinate conversions of the main window's plots. Products are formed in double and then
// truncated or floored, so a 1400-pixel client maps pixels one to one onto logical units.
#include "display/plot_coordinates.h"

#include "plotting/win_plot.h"

#include <cmath>

namespace {
constexpr double kLogicalWidth = 1.4 * 1000.0;
constexpr double kLogicalHeight = 1000.0;
// A value far outside the plot (a bottom of 1e30 cm on a 7 cm axis) lies this far out in logical
// units: every such point is clipped alike, and the pixel arithmetic on it stays inside int.
constexpr double kFarOutside = 1e7;

int Logical(double v) {
    if (std::isnan(v))
        return 0;
    return int(std::trunc(std::fmax(-kFarOutside, std::fmin(kFarOutside, v))));
}
} // namespace

int PixelToPerMille(int v, int extent) {
    return extent > 0 ? Logical(std::floor(1000.0 * v / extent)) : 0;
}

int PixelToLogicalX(int x, float clientWidth) {
    return clientWidth > 0 ? Logical(x * kLogicalWidth / clientWidth) : 0;
}

int PixelToLogicalY(int y, float clientHeight) {
    return clientHeight > 0 ? Logical(y * kLogicalHeight / clientHeight) : 0;
}

int LogicalToPixelX(int x, float clientWidth) {
    return Logical(std::floor(x * double(clientWidth) / kLogicalWidth));
}

int LogicalToPixelY(int y, float clientHeight) {
    return Logical(std::floor(y * double(clientHeight) / kLogicalHeight));
}

int DataToLogicalX(const CWINPlot& plot, float v) {
    if (plot.xLog) {
        if (v <= 0.0f)
            return plot.plotLeft - plot.outsideMargin;
        return Logical(double(plot.xScale) * std::log10(double(v)) + plot.xOffset);
    }
    return Logical(double(plot.xScale) * v + plot.xOffset);
}

int DataToLogicalY(const CWINPlot& plot, float v) {
    if (plot.yLog) {
        if (v <= 0.0f)
            return plot.plotBottom - plot.outsideMargin;
        return Logical(double(plot.yScale) * std::log10(double(v)) + plot.yOffset);
    }
    return Logical(double(plot.yScale) * v + plot.yOffset);
}

float LogicalToDataX(const CWINPlot& plot, int x) {
    if (plot.xScale == 0.0f)
        return 0.0f;
    const double value = (x - double(plot.xOffset)) / plot.xScale;
    return float(plot.xLog ? std::pow(10.0, value) : value);
}

float LogicalToDataY(const CWINPlot& plot, int y) {
    if (plot.yScale == 0.0f)
        return 0.0f;
    const double value = (y - double(plot.yOffset)) / plot.yScale;
    return float(plot.yLog ? std::pow(10.0, value) : value);
}

int MarkerColumn(const CWINPlot& plot, float v, float clientWidth) {
    return LogicalToPixelX(DataToLogicalX(plot, v), clientWidth);
}
