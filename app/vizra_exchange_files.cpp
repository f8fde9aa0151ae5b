// The distribution and velocity-table files of the plotting program.
#include "app/vizra_exchange_files.h"

#include "foundations/resampling.h"
#include "foundations/text_lines.h"
#include "plat/atomic_file.hpp"
#include "scandata/scan_data_kind.h"
#include "state/conti_state.h"
#include "state/dls_data.h"
#include "state/model_choice.h"
#include "state/scan_store.h"

#include <algorithm>
#include <vector>

namespace {

using S = ScanStore;

// One scan's column: its points inside the fit limits.
struct ScanColumn {
    std::vector<float> radius, measured, fit;
};

ScanColumn ColumnOf(int k, bool noFitYet) {
    ScanColumn col;
    const int first = S::firstFitIndex[k], last = S::lastFitIndex[k];
    const int n = S::pointCount[k];
    // The time-invariant noise already taken out of the data, on the scan's own radii.
    std::vector<float> restored(static_cast<std::size_t>(n) + 1, 0.0f);
    if (S::tiNoiseRemoved && S::gridRadius && S::gridCount > 0)
        ResampleCurve(n, S::radius[k], restored.data(), S::gridCount, S::gridRadius,
                      S::tiNoiseRemoved);
    for (int i = first; i <= last; ++i) {
        const float back = restored[static_cast<std::size_t>(i)];
        col.radius.push_back(S::radius[k][i]);
        col.measured.push_back(S::signal[k][i] + back);
        const float fit = noFitYet ? S::signal[k][i] + 0.001f : S::fit[k][i];
        col.fit.push_back(fit + back);
    }
    return col;
}

bool NoFitYet() {
    if (!S::fit)
        return true;
    for (int k = 1; k <= S::scanCount; ++k)
        for (int i = S::firstFitIndex[k]; i <= S::lastFitIndex[k]; ++i)
            if (S::fit[k][i] != 0.0f)
                return false;
    return true;
}

} // namespace

bool WriteDistributionFiles(bool forVizra, const std::string& path) {
    if (!ContiState::distribution || !ContiState::sValues || ContiState::gridPoints <= 0)
        return false;
    std::string text;
    const double shift = gDlsData ? 9.0 : 0.0;
    for (int p = 1; p <= ContiState::gridPoints; ++p)
        AppendFormat(text, "%e %e\n", ContiState::sValues[p] + shift,
                     static_cast<double>(ContiState::distribution[p]));
    if (forVizra)
        text += "-999.999 -999.999\n";
    return plat::WriteFileAtomically(path, text);
}

bool WriteSvdfrDataFile(const std::string& path) {
    const int N = S::scanCount;
    if (N <= 0 || !S::firstFitIndex || !S::lastFitIndex)
        return false;
    const bool noFitYet = NoFitYet();
    std::vector<ScanColumn> columns;
    std::size_t longest = 0;
    for (int i = 1; i <= N; ++i) {
        columns.push_back(ColumnOf(S::scanOrder[i], noFitYet));
        longest = std::max(longest, columns.back().radius.size());
    }
    // The time-invariant noise over the fit range of the common grid, one point wider each side
    // where the grid allows.
    std::vector<float> tiRadius, tiValue;
    if (S::gridRadius && S::gridCount > 0) {
        const int from = S::gridFirstFit >= 2 ? S::gridFirstFit - 1 : S::gridFirstFit;
        const int to = S::gridLastFit < S::gridCount ? S::gridLastFit + 1 : S::gridLastFit;
        for (int g = std::max(1, from); g <= to; ++g) {
            const float removed = S::tiNoiseRemoved ? S::tiNoiseRemoved[g] : 0.0f;
            const float fitted = ModelChoice::fitTINoise && S::tiNoise ? S::tiNoise[g] : 0.0f;
            tiRadius.push_back(S::gridRadius[g]);
            tiValue.push_back(removed + fitted);
        }
    }
    const std::size_t M = std::max({longest, tiRadius.size(), static_cast<std::size_t>(N)});
    // Fluorescence data: a short noise column starts one row later and repeats its first row; a
    // full one has its first radius lowered a little.
    if (ScanDataKind::fluorescence && !tiRadius.empty()) {
        if (tiRadius.size() < M) {
            tiRadius.insert(tiRadius.begin(), tiRadius.front());
            tiValue.insert(tiValue.begin(), tiValue.front());
        } else {
            tiRadius.front() -= 0.001f;
        }
    }
    std::vector<float> ri(M + 1, 0.0f);
    if (ModelChoice::fitRINoise && S::riNoise)
        for (int i = 1; i <= N; ++i)
            if (S::scanOrder[i] >= 1 && static_cast<std::size_t>(S::scanOrder[i]) <= M)
                ri[static_cast<std::size_t>(S::scanOrder[i])] = S::riNoise[i];

    auto at = [](const std::vector<float>& v, std::size_t j) {
        return j < v.size() ? static_cast<double>(v[j]) : 0.0;
    };
    std::string text;
    for (std::size_t j = 0; j < M; ++j) {
        AppendFormat(text, "%e %e %e ", at(tiRadius, j), at(tiValue, j),
                     static_cast<double>(ri[j + 1]));
        for (const ScanColumn& c : columns)
            AppendFormat(text, "%e %e %e ", at(c.radius, j), at(c.measured, j), at(c.fit, j));
        text += "\n";
    }
    return plat::WriteFileAtomically(path, text);
}
