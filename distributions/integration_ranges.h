// The c(s) integration ranges read from the integration-range file, and the integration report.
#pragma once

#include <string>
#include <vector>

struct IntegrationRange {
    float lo = 0.0f, hi = 0.0f;
};

// Reads the two-column s-min/s-max integration range file of the program folder.
void LoadIntegrationRanges();
// The same from path; false (ranges unchanged) when the file is missing or holds no valid pair.
// Pairs with s-min >= s-max are skipped.
bool LoadIntegrationRangesFrom(const char* path);
const std::vector<IntegrationRange>& IntegrationRanges();

// One line on the range [lo, hi] of the current distribution: loading signal, its percentage of
// the total and the weight-average abscissa.
std::string IntegralReportLine(float lo, float hi);
