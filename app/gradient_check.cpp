// Steep-boundary check of the loaded scans.
#include "app/gradient_check.h"

#include "app/load_filters.h"
#include "app/txla_window.h"
#include "foundations/sounds.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_store_alloc.h"
#include "state/model_parameters.h"

#include <algorithm>
#include <cstdio>

namespace {

// Slope of scan i between points j - 1 and j; a radius step that does not advance has no slope
// and never counts as steep.
double Slope(int i, int j) {
    using S = ScanStore;
    double dr = static_cast<double>(S::radius[i][j]) - S::radius[i][j - 1];
    if (dr <= 0.0)
        return 0.0;
    return (static_cast<double>(S::signal[i][j]) - S::signal[i][j - 1]) / dr;
}

} // namespace

// Looks for four successive slopes above the threshold inside each scan's fit range: one steep
// step may be noise or a spike, a run of four is a boundary the model cannot follow. Only rising
// signal counts, and only between meniscus < left limit < right limit < bottom.
bool CheckScanGradients(TXLAWindow* window) {
    using S = ScanStore;
    using M = ModelParameters;
    if (ScanDataKind::fluorescence)
        return true;
    if (M::meniscus == 0.0f || M::bottom == 0.0f || S::leftFitLimit == 0.0f ||
        S::rightFitLimit == 0.0f)
        return true;
    if (!(M::meniscus < S::leftFitLimit && S::leftFitLimit < S::rightFitLimit &&
          S::rightFitLimit < M::bottom))
        return true;
    if (!S::firstFitIndex || !S::lastFitIndex || !S::radius || !S::signal)
        return true;
    const double limit = LoadFilters::maxGradient;
    for (int i = 1; i <= S::scanCount; ++i) {
        if (!S::radius[i] || !S::signal[i])
            continue;
        for (int j = std::max(S::firstFitIndex[i], 1);
             j <= S::lastFitIndex[i] && j < S::pointCount[i] - 4; ++j) {
            double g[4];
            for (int k = 1; k <= 4; ++k)
                g[k - 1] = Slope(i, j + k);
            if (!std::all_of(g, g + 4, [limit](double v) { return v > limit; }))
                continue;
            PlayErrorSound();
            char text[400];
            std::snprintf(text, sizeof text,
                          "max gradient exceeded:  grad = %.1f/cm at r ~ %.4fcm in scan %s",
                          *std::max_element(g, g + 4), static_cast<double>(S::radius[i][j]),
                          S::scanFileName && S::scanFileName[i] ? S::scanFileName[i] : "");
            if (window)
                window->MessageBox(text, "ERROR", MB_OK);
            return false;
        }
    }
    return true;
}
