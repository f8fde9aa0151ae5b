// The data, fit and time files of the auxiliary plot programs.
#include "app/plot_exchange_files.h"

#include "foundations/resampling.h"
#include "foundations/show_error.h"
#include "foundations/text_lines.h"
#include "plat/atomic_file.hpp"
#include "scandata/scan_header.h"
#include "state/model_choice.h"
#include "state/scan_store.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

using S = ScanStore;

bool WriteOrSay(const std::string& path, const std::string& text) {
    if (plat::WriteFileAtomically(path, text))
        return true;
    std::string message;
    AppendFormat(message, "\n\aAttention: could not open %s", path.c_str());
    ShowError(message.c_str());
    return false;
}

// One file per scan in display order; values picks the measured or fitted column.
int WriteScanFiles(const std::string& folder, float** values, const char* extension) {
    const int N = S::scanCount;
    if (N <= 0 || !values || !S::radius || !S::scanOrder)
        return 0;
    for (int n = 1; n <= N; ++n) {
        const int k = S::scanOrder[n];
        std::string text;
        for (int i = 1; i <= S::pointCount[k]; ++i)
            AppendFormat(text, "%e %e\n", static_cast<double>(S::radius[k][i]),
                         static_cast<double>(values[k][i]));
        std::string path;
        AppendFormat(path, "%s%d.%s", folder.c_str(), n, extension);
        if (!WriteOrSay(path, text))
            return 0;
    }
    return N;
}

} // namespace

int WritePlotDataFiles(const std::string& folder) {
    const int N = WriteScanFiles(folder, S::signal, "dat");
    if (N == 0 || !S::header)
        return 0;
    std::string times;
    for (int n = 1; n <= N; ++n)
        AppendFormat(times, "%e\n", S::header[S::scanOrder[n]].time);
    return WriteOrSay(folder + "times.dat", times) ? N : 0;
}

int WritePlotFitFiles(const std::string& folder) {
    return WriteScanFiles(folder, S::fit, "fit");
}

int WriteDlsDataFile(const std::string& path) {
    const int N = S::scanCount;
    if (N <= 0 || !S::signal || !S::fit || !S::firstFitIndex || !S::lastFitIndex)
        return 0;
    std::string text;
    for (int k = 1; k <= N; ++k) {
        auto block = [&](auto value, const char* marker) {
            for (int i = S::firstFitIndex[k]; i <= S::lastFitIndex[k]; ++i)
                AppendFormat(text, "%e\t%e\n", std::pow(10.0, double(S::radius[k][i])),
                             double(value(i)));
            text += marker;
        };
        block([&](int i) { return S::signal[k][i]; }, "-666.666 -666.666\n");
        block([&](int i) { return S::fit[k][i]; }, "-777.777 -777.777\n");
        block([&](int i) { return S::signal[k][i] - S::fit[k][i]; }, "-888.888 -888.888\n");
        text += "-999.999 -999.999\n";
    }
    return WriteOrSay(path, text) ? N : 0;
}

int WriteSEDataFile(const std::string& path) {
    const int N = S::scanCount;
    if (N <= 0 || !S::signal || !S::fit || !S::firstFitIndex || !S::lastFitIndex)
        return 0;
    std::string text;
    for (int k = 1; k <= N; ++k) {
        // The time-invariant noise already taken out of the data, on the scan's own radii.
        std::vector<float> restored(static_cast<std::size_t>(S::pointCount[k]) + 1, 0.0f);
        if (S::tiNoiseRemoved && S::gridRadius && S::gridCount > 0)
            ResampleCurve(S::pointCount[k], S::radius[k], restored.data(), S::gridCount,
                          S::gridRadius, S::tiNoiseRemoved);
        for (float** values : {S::signal, S::fit}) {
            for (int i = S::firstFitIndex[k]; i <= S::lastFitIndex[k]; ++i)
                AppendFormat(text, "%f\t%f\n", double(S::radius[k][i]),
                             double(values[k][i] + restored[static_cast<std::size_t>(i)]));
            text += values == S::signal ? "-666.666 -666.666\n" : "-777.777 -777.777\n";
        }
        text += "-999.999 -999.999\n";
    }
    text += "-1001 -1001\n";
    if (ModelChoice::fitTINoise && S::tiNoise && S::gridRadius) {
        const int from = S::gridFirstFit >= 2 ? S::gridFirstFit - 1 : S::gridFirstFit;
        for (int g = std::max(1, from); g <= S::gridLastFit; ++g)
            AppendFormat(text, "%f\t%f\n", double(S::gridRadius[g]),
                         double((S::tiNoiseRemoved ? S::tiNoiseRemoved[g] : 0.0f) + S::tiNoise[g]));
    } else {
        text += "0 nan\n";
    }
    text += "-1010 -1010\n-1100 -1100\n";
    if (ModelChoice::fitRINoise && S::riNoise) {
        for (int i = 1; i <= N; ++i)
            AppendFormat(text, "0\t%f\n", double(S::riNoise[i]));
    } else {
        text += "0 nan\n";
    }
    text += "-1110 -1110\n";
    return WriteOrSay(path, text) ? N : 0;
}
