// The results summary. The monomer is the peak of the largest signal (integrated over its range
// bounded at 0.9 of its height), the dimer the largest among the rest; the first in order wins a
// tie. Checked on hand-made distributions and on the two-species road of the shell's tests.
#include "distributions/results_summary.h"

#include "distributions/distribution_peaks.h"
#include "foundations/c_locale.h"
#include "foundations/hydrodynamics.h"
#include "scandata/scan_header.h"
#include "state/conti_state.h"
#include "state/fit_control.h"
#include "state/model_parameters.h"
#include "state/scan_order.h"
#include "state/scan_store.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <locale>
#include <sstream>
#include <vector>

namespace {

using S = ScanStore;

const char* const kLabels[kSummaryValues + 1] = {
    nullptr,
    "ff0: %f\n",
    "rmsd: %f\n",
    "rmsd (within 1 mm from left fit limit)/rmsd(all): %f\n",
    "meniscus: %f\n",
    "bottom: %f\n",
    "left fit limit: %f\n",
    "right fit limit: %f\n",
    "max temperature difference: %f\n",
    "final temperature: %f\n",
    "average temperature: %f\n",
    "average wavelength: %f\n",
    "monomer signal: %f\n",
    "dimer signal: %f\n",
    "monomer %%: %f\n",
    "dimer %%: %f\n",
    "monomer Mw: %f\n",
    "dimer Mw: %f\n",
    "monomer sw: %f\n",
    "dimer sw: %f\n",
};

// rms of the residuals strictly between the left fit limit and 0.1 cm beyond it.
double NearLimitRmsd() {
    if (!S::residuals || !S::radius || !S::pointCount)
        return 0.0;
    const double lo = S::leftFitLimit, hi = lo + 0.1;
    double sum = 0.0;
    long count = 0;
    for (int j = 1; j <= S::scanCount; ++j) {
        if (!S::residuals[j] || !S::radius[j])
            continue;
        for (int i = 1; i <= S::pointCount[j]; ++i) {
            const double r = S::radius[j][i];
            if (r > lo && r < hi) {
                sum += double(S::residuals[j][i]) * S::residuals[j][i];
                ++count;
            }
        }
    }
    return count > 0 ? std::sqrt(sum / double(count)) : 0.0;
}

void ScanConditions(ResultsSummaryValues& v) {
    if (S::scanCount < 1 || !S::header)
        return;
    float lowest = S::header[1].temperature, highest = lowest;
    double temperatures = 0.0, wavelengths = 0.0;
    for (int j = 1; j <= S::scanCount; ++j) {
        const ScanHeader& h = S::header[j];
        lowest = std::min(lowest, h.temperature);
        highest = std::max(highest, h.temperature);
        temperatures += h.temperature;
        wavelengths += h.wavelength;
    }
    const int last = ScanAtPosition(S::scanCount);
    v[8] = highest - lowest;
    v[9] = S::header[last].temperature;
    v[10] = float(temperatures / S::scanCount);
    v[11] = float(wavelengths / S::scanCount);
}

// Index of the largest signal, the first on a tie, skipping `skip`; -1 when none is left.
int LargestSignal(const std::vector<DistributionPeak>& peaks, int skip) {
    int best = -1;
    for (int k = 0; k < int(peaks.size()); ++k)
        if (k != skip && (best < 0 || peaks[k].area > peaks[best].area))
            best = k;
    return best;
}

void PeakValues(ResultsSummaryValues& v) {
    const std::vector<DistributionPeak> peaks = FindCurrentDistributionPeaks(10, 0.9);
    const int monomer = LargestSignal(peaks, -1);
    const int dimer = LargestSignal(peaks, monomer);
    auto put = [&](int k, int offset) {
        if (k < 0)
            return;
        const DistributionPeak& p = peaks[k];
        v[12 + offset] = float(p.area);
        v[14 + offset] = float(p.percent);
        v[16 + offset] = float(CalculateM(float(p.weightAverage)));
        v[18 + offset] = float(p.weightAverage);
    };
    put(monomer, 0);
    put(dimer, 1);
}

} // namespace

ResultsSummaryValues ComputeResultsSummary() {
    ResultsSummaryValues v{};
    v[1] = ContiState::ff0;
    v[2] = FitControl::bestRmsd;
    v[3] = v[2] != 0.0f ? float(NearLimitRmsd() / v[2]) : 0.0f;
    v[4] = ModelParameters::fitValues[13];
    v[5] = ModelParameters::fitValues[14];
    v[6] = S::leftFitLimit;
    v[7] = S::rightFitLimit;
    ScanConditions(v);
    PeakValues(v);
    return v;
}

std::string ResultsSummaryFileText(const ResultsSummaryValues& v) {
    CLocaleScope c;
    std::string text;
    char line[160];
    for (int k = 1; k <= kSummaryValues; ++k) {
        std::snprintf(line, sizeof line, k < kSummaryValues ? "%f\t" : "%f\n", double(v[k]));
        text += line;
    }
    for (int k = 1; k <= kSummaryValues; ++k) {
        std::snprintf(line, sizeof line, kLabels[k], double(v[k]));
        text += line;
    }
    return text;
}

std::string ResultsSummaryClipboardText(const ResultsSummaryValues& v) {
    std::ostringstream out;
    out.imbue(std::locale::classic());
    for (int k = 1; k <= kSummaryValues; ++k)
        out << v[k] << '\t';
    return out.str();
}
