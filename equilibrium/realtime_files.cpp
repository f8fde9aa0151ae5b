// Probing the data folder for new scan files during the realtime update.
#include "equilibrium/realtime_files.h"

#include "scandata/scan_store_alloc.h"
#include "state/eq_test_state.h"
#include "state/realtime_state.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

using R = RealtimeState;

std::string NumberedPath(int n, const std::string& extension) {
    char name[32];
    std::snprintf(name, sizeof name, "%05d", n);
    return R::drive + R::directory + name + extension;
}

bool Readable(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    std::fclose(f);
    return true;
}

// Appends the files of one extension from number first on, up to the first gap.
void AppendSeries(const std::string& extension, int first) {
    for (int n = std::max(first, 1); n <= R::fileTableSize; ++n) {
        const std::string path = NumberedPath(n, extension);
        if (!Readable(path))
            return;
        R::fileTable.push_back(path);
        ++R::lastNumber;
    }
}

} // namespace

bool ProbeNewScanFiles() {
    if (!R::equilibriumTestMode) {
        // Entry n holds file number n; the start refused numbers outside 1..1000.
        R::fileTable.resize(static_cast<std::size_t>(R::fileTableSize) + 1);
        R::lastNumber = R::previousLast;
        for (int n = std::max(R::previousLast, 1); n <= R::fileTableSize; ++n) {
            const std::string path = NumberedPath(n, R::extension);
            if (!Readable(path)) {
                R::fileTable[static_cast<std::size_t>(n)].clear();
                break;
            }
            R::fileTable[static_cast<std::size_t>(n)] = path;
            R::lastNumber = n;
        }
    } else {
        // One growing list over every extension and cell: entries 1..lastNumber.
        R::fileTable.assign(1, std::string());
        R::lastNumber = 0;
        const auto& extensions = EqTestState::extensions;
        for (std::size_t e = 0; e < extensions.size(); ++e)
            AppendSeries(extensions[e], EqTestState::firstNumber[e]);
        if (R::allCells && !extensions.empty() && extensions[0].size() >= 3) {
            for (int c = 1; c <= 8; ++c) {
                const std::string candidate = extensions[0].substr(0, 3) + std::to_string(c);
                bool known = false;
                for (const std::string& e : extensions)
                    known = known || e == candidate;
                if (!known)
                    AppendSeries(candidate, 1);
            }
        }
    }
    const bool more = R::lastNumber > R::previousLast;
    if (more)
        R::previousLast = R::lastNumber;
    return more;
}

std::string BuildRealtimeFileList() {
    std::string folder = R::drive + R::directory;
    if (!folder.empty() && folder.back() == '/')
        folder.pop_back();
    std::string text = folder;
    text.push_back('\0');
    const int from = R::equilibriumTestMode ? 1 : R::baseNumber;
    for (int n = std::max(from, 1); n <= R::lastNumber && n < static_cast<int>(R::fileTable.size());
         ++n) {
        const std::string& path = R::fileTable[static_cast<std::size_t>(n)];
        if (path.empty())
            continue;
        const std::size_t slash = path.find_last_of('/');
        text += slash == std::string::npos ? path : path.substr(slash + 1);
        text.push_back('\0');
    }
    text.push_back('\0');
    return text;
}

int RealtimeFileStride(int baseNumber, int lastNumber, int maxFiles) {
    if (maxFiles < 1)
        maxFiles = 1;
    const double step = std::ceil(static_cast<double>(lastNumber - baseNumber) / maxFiles);
    return step < 1.0 ? 1 : static_cast<int>(step);
}

float DistributionRangeFactor(double tail, double total) {
    if (total == 0.0)
        return 1.0f;
    const double ratio = tail / total;
    if (ratio < 0.001)
        return 0.9f;
    if (ratio > 0.03)
        return 1.5f;
    return 1.0f;
}

bool TemperatureFluctuates() {
    using S = ScanStore;
    if (S::scanCount < 2 || !S::scanOrder)
        return false;
    const float t1 = S::header[S::scanOrder[1]].temperature;
    for (int k = 2; k <= S::scanCount; ++k)
        if (std::fabs(S::header[S::scanOrder[k]].temperature - t1) >= 1.0f)
            return true;
    return false;
}
