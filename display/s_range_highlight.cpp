// The s-range highlight: each scan's fitted curve redrawn point by point, red where the fitted
// boundary belongs to the chosen sedimentation coefficients and fading to grey outside, with the
// width of the fade given by diffusion, 2 D t / (omega^2 t m)^2 in S^2.
#include "display/plot_replays.h"
#include "display/scan_plots.h"
#include "foundations/ccurve.h"
#include "foundations/hydrodynamics.h"
#include "plat/window.hpp"
#include "plat/window_dc.hpp"
#include "plotting/curve_painters.h"
#include "scandata/fit_limits.h"
#include "scandata/scan_store_alloc.h"
#include "state/conti_state.h"
#include "state/dls_data.h"
#include "state/model_kind.h"
#include "state/model_parameters.h"
#include "state/window_services.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr int kBase[3] = {150, 150, 150};
constexpr int kTarget[3] = {255, 0, 0};

void Blend(int* row, double w) {
    for (int c = 0; c < 3; ++c)
        row[c + 1] = int(std::floor((kTarget[c] - kBase[c]) * w + kBase[c]));
}

// exp(-d^2 / w); a zero spread gives a sharp edge instead of 0 / 0.
double Fade(double d, double w) {
    return w > 0.0 ? std::exp(-d * d / w) : (d == 0.0 ? 1.0 : 0.0);
}

double DiffusionAt(float s, float temperatureC) {
    return CalculateDfromM(float(CalculateM(s)), temperatureC);
}

} // namespace

void HighlightSRangeInData(TXLAWindow* window, float sLow, float sHigh) {
    const int n = ContiState::gridPoints;
    const float* grid = ContiState::sValues;
    if (!window || !grid || n < 1 || !ScanStore::dataPlot || ScanStore::scanCount < 1)
        return;
    sLow = std::clamp(sLow, grid[1], grid[n]);
    sHigh = std::clamp(sHigh, grid[1], grid[n]);
    if (gDlsData || CurrentModelTraits().family != ModelFamily::Distribution)
        return;
    const double m = ModelParameters::meniscus;
    // A meniscus of 0 (or a scan time of 0 below) would make s* infinite and the blend NaN.
    if (m <= 0.0)
        return;
    const float temperatureC = float(ScanStore::absoluteTemperature - 273.15);
    const double dLow = DiffusionAt(sLow, temperatureC);
    const double dHigh = DiffusionAt(sHigh, temperatureC);
    const int last = ScanStore::scanOrder[ScanStore::scanCount];
    const double omega = ScanStore::header[last].rotorSpeed * 2.0 * M_PI / 60.0;
    const double omega2 = omega * omega;

    TClientDC dc(WindowServices::PlatformWindow(window));
    SetReplayMapping(dc, window);
    for (int k = 1; k <= ScanStore::scanCount; ++k) {
        const int j = ScanStore::scanOrder[k];
        const double t = ScanStore::header[j].time;
        CCurve* fit = ScanStore::scanCurves ? ScanStore::scanCurves[j].c[kFitCurve] : nullptr;
        if (t <= 0.0 || !fit)
            continue;
        const int points = ScanStore::pointCount[j];
        std::vector<int> cells(std::size_t(points + 1) * 4, 0);
        std::vector<int*> rows(std::size_t(points) + 1, nullptr);
        for (int i = 1; i <= points; ++i) {
            rows[std::size_t(i)] = &cells[std::size_t(i) * 4];
            Blend(rows[std::size_t(i)], 0.0);
        }
        const double spread = omega2 * omega2 * t * m * m;
        const double wLow = 4e26 * dLow / spread;
        const double wHigh = 4e26 * dHigh / spread;
        int first, lastPoint;
        FitRange(j, first, lastPoint);
        for (int i = first; i <= lastPoint; ++i) {
            const double sStar = std::log(ScanStore::radius[j][i] / m) / (omega2 * t);
            int* row = rows[std::size_t(i)];
            if (sLow * 1e-13 >= sStar) {
                Blend(row, Fade(sLow - sStar * 1e13, wLow));
            } else if (sHigh * 1e-13 >= sStar) {
                Blend(row, 1.0);
            } else {
                Blend(row, Fade(sHigh - sStar * 1e13, wHigh));
            }
        }
        PlayOverlay(
            dc, PaintCurvePlot2(ScanStore::dataPlot, fit, first, lastPoint, rows.data(), 12, 1));
    }
}
