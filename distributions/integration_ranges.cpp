// The integration ranges of the distributions and the text that reports an integral.
#include "distributions/integration_ranges.h"

#include "distributions/integrate_distribution.h"
#include "state/startup_paths.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace {
std::vector<IntegrationRange> gRanges;
}

void LoadIntegrationRanges() {
    LoadIntegrationRangesFrom(gTablePaths.integrationRangeFile);
}

bool LoadIntegrationRangesFrom(const char* path) {
    std::ifstream in(path ? path : "");
    if (!in)
        return false;
    std::vector<IntegrationRange> ranges;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        fields.imbue(std::locale::classic());
        float lo = 0.0f, hi = 0.0f;
        if (fields >> lo >> hi && std::isfinite(lo) && std::isfinite(hi) && lo < hi)
            ranges.push_back({lo, hi});
    }
    if (ranges.empty())
        return false;
    gRanges = std::move(ranges);
    return true;
}

const std::vector<IntegrationRange>& IntegrationRanges() {
    return gRanges;
}

std::string IntegralReportLine(float lo, float hi) {
    float area = 0.0f, sw = 0.0f, total = 0.0f, sd = 0.0f;
    IntegrateDistribution(lo, hi, &area, &sw, &total, &sd);
    char text[200];
    std::snprintf(text, sizeof text, "%g - %g: c = %.4g (%.1f%%), weight-average %.4g\n", lo, hi,
                  area, total != 0.0f ? 100.0 * area / total : 0.0, sw);
    return text;
}
