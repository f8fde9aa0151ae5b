// Reading the preference entries into the program-wide switches, and formatting them back.
#include "app/preferences_file.h"

#include "distributions/integration_ranges.h"
#include "foundations/c_locale.h"
#include "foundations/decimal_number.h"
#include "foundations/numeric_text_files.h"
#include "foundations/text_lines.h"
#include "scandata/scan_store_alloc.h"
#include "state/conti_state.h"
#include "state/fit_control.h"
#include "state/preference_switches.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>

namespace {

constexpr const char* kBitmapQuestion = "update residuals bitmap during fit?";
constexpr const char* kResidualPlotQuestion = "update residuals plot during fit?";

// A thread count from the file: 0 or less (or not a number) gives one thread.
int ThreadCount(float value) {
    if (!(value > 0.0f))
        return 1;
    if (value >= float(kMaxThreadCount))
        return kMaxThreadCount;
    int count = int(value);
    return count < 1 ? 1 : count;
}

// The time-stamp threshold as the integer the file holds: (ratio - 1) x 100000, rounded. The
// file is read as floats, so only integers up to 2^24 come back as written.
int ThresholdEntry() {
    double scaled = std::round((gTimestampThreshold - 1.0) * 100000.0);
    if (!(scaled > -kMaxThresholdEntry))
        return -kMaxThresholdEntry;
    if (scaled > kMaxThresholdEntry)
        return kMaxThresholdEntry;
    return int(scaled);
}

// Entry 17 is the threshold integer, signed by the check switch. A ratio of 1 or less has no
// positive integer to sign, so there checking on is written as 1 and off as 0.
int CheckEntry(int threshold) {
    if (threshold > 0)
        return gCheckTimestamps ? threshold : -threshold;
    return gCheckTimestamps ? 1 : 0;
}

// The value with the file's usual digits where it reads back the same, else with enough digits
// for the float (a radial resolution of 0.00125 is not 0.0012).
std::string FloatEntry(const char* usual, float value) {
    CLocaleScope cLocale;
    char text[48];
    std::snprintf(text, sizeof text, usual, double(value));
    if (std::strtof(text, nullptr) != value)
        std::snprintf(text, sizeof text, "%.9g", double(value));
    return text;
}

int ChosenOptimiser() {
    if (FitControl::simplex)
        return 1;
    if (FitControl::simulatedAnnealing)
        return 2;
    if (FitControl::marquardtLevenberg)
        return 3;
    return 1;
}

void SetRegularization(bool maxEnt, bool secondDerivative, bool both) {
    ContiState::maxEntRegularization = maxEnt;
    ContiState::secondDerivativeRegularization = secondDerivative;
    ContiState::showBothRegularizations = both;
}

void SetOptimiser(int which) {
    FitControl::simplex = which == 1;
    FitControl::simulatedAnnealing = which == 2;
    FitControl::marquardtLevenberg = which == 3;
}

// Why the number v cannot stand as entry i, as the commands that set it hold it; null when it can.
const char* OutOfRange(int i, double v) {
    const float f = static_cast<float>(v);
    if (!std::isfinite(f))
        return "not a number in single precision";
    if (i == 1 && !(f >= 0.001f && f <= kMaxRadialResolutionCm))
        return "not a number from 0.001 to 0.1";
    if (i == 18 && !(std::fabs(v) <= kMaxThresholdEntry))
        return "not a number from -16777216 to 16777216";
    return nullptr;
}

} // namespace

PreferenceText ReadPreferenceText(const std::string& whole) {
    PreferenceText out;
    const std::string_view text = WithoutByteOrderMark(whole);
    out.notRead = NotPlainText(text);
    if (!out.notRead.empty())
        return out;
    int lineNumber = 0;
    for (const std::string& line : TextLines(text)) {
        ++lineNumber;
        if (!HasContent(line))
            continue;
        if (out.entries.size() >= kMostSettingsLines) {
            out.entries.clear();
            out.refused.clear();
            out.tooLong = true;
            return out;
        }
        const int i = static_cast<int>(out.entries.size());
        const std::optional<double> value = DecimalNumber(line);
        const char* why = value ? OutOfRange(i, *value) : "not a number";
        if (!why) {
            out.entries.push_back(static_cast<float>(*value));
            continue;
        }
        out.entries.push_back(std::numeric_limits<float>::quiet_NaN());
        std::string written(WithoutBlanks(line));
        if (written.size() > 40)
            written = written.substr(0, 40) + "...";
        out.refused.push_back("line " + std::to_string(lineNumber) + " holds " + written + ", " +
                              why);
    }
    return out;
}

void AskLiveRefreshPreferences(const PreferenceQuestion& ask) {
    gUpdateResidualsBitmap = ask(kBitmapQuestion);
    gUpdateResidualsPlot = ask(kResidualPlotQuestion);
}

int DistributionThreadEntry() {
    return ContiState::multiThreading ? gDistributionThreadCount : -gDistributionThreadCount;
}

bool ApplyPreferenceEntries(const float* entries, int count, const PreferenceQuestion& ask) {
    bool rewrite = false;
    // An entry beyond the file's end is missing and has the file completed; one not read as
    // written (NaN) takes its default too, but the file is left as the user wrote it.
    auto present = [&](int i) { return i < count && std::isfinite(entries[i]); };
    auto on = [&](int i) { return entries[i] > 0.0f; };
    auto missing = [&](int i) {
        if (i >= count && i >= 2)
            rewrite = true;
        return !present(i);
    };

    if (present(0) && entries[0] == 1.0f)
        gDisclaimerAccepted = true;
    // A resolution the loader cannot use (0 or less, coarser than its maximum) is not taken.
    const bool resolution =
        !missing(1) && entries[1] > 0.0f && entries[1] <= kMaxRadialResolutionCm;
    ScanStore::radialResolution = resolution ? entries[1] : 0.001f;
    gUpdateResidualsBitmap = missing(2) ? count <= 2 && ask(kBitmapQuestion) : on(2);
    gUpdateResidualsPlot = missing(3) ? count <= 3 && ask(kResidualPlotQuestion) : on(3);
    gUpdateDataPlot = missing(4) ? false : on(4);
    gUpdateDistributionPlot = missing(5) ? false : on(5);
    gSoundOn = missing(6) ? false : on(6);
    ScanStore::scanColorFromTime = missing(7) ? true : on(7);
    gWizardMessages = missing(8) ? true : on(8);
    if (!missing(9)) {
        if (entries[9] == 1.0f)
            SetRegularization(true, false, false);
        if (entries[9] == 2.0f)
            SetRegularization(false, true, false);
        if (entries[9] == 3.0f)
            SetRegularization(false, false, true);
    }
    gIntegrationRangesFromFile = missing(10) ? false : on(10);
    if (gIntegrationRangesFromFile)
        LoadIntegrationRanges();
    if (missing(11)) {
        ContiState::multiThreading = true;
        gDistributionThreadCount = 2;
    } else {
        ContiState::multiThreading = on(11);
        gDistributionThreadCount = ThreadCount(std::fabs(entries[11]));
    }
    if (!missing(12)) {
        if (entries[12] == 1.0f || entries[12] == 2.0f || entries[12] == 3.0f)
            SetOptimiser(int(entries[12]));
        if (entries[12] != float(ChosenOptimiser()))
            rewrite = true;
    }
    ContiState::suppressBaselineCorrelation = missing(13) ? true : on(13);
    gLammThreadCount = missing(14) ? 2 : ThreadCount(entries[14]);
    gMaxUpdateInterval = missing(15) || !on(15) ? 1.0f : entries[15];
    gAlwaysLoadG2 = missing(16) ? false : on(16);
    gCheckTimestamps = missing(17) ? true : on(17);
    if (!missing(18))
        gTimestampThreshold = double(entries[18]) * 0.00001 + 1.0;
    return rewrite;
}

std::string FormatPreferences() {
    auto flag = [](bool b) { return b ? 1 : 0; };
    int regularization = ContiState::maxEntRegularization             ? 1
                         : ContiState::secondDerivativeRegularization ? 2
                                                                      : 3;
    int threshold = ThresholdEntry();
    char text[1024];
    std::snprintf(
        text, sizeof text,
        "%d\n%s\n%d\n%d\n%d\n%d\n%d\n%d\n%d\n%d\n%d\n%d\n%d\n%d\n%d\n%s\n%d\n%d\n%d\n",
        flag(gDisclaimerAccepted), FloatEntry("%.4f", ScanStore::radialResolution).c_str(),
        flag(gUpdateResidualsBitmap), flag(gUpdateResidualsPlot), flag(gUpdateDataPlot),
        flag(gUpdateDistributionPlot), flag(gSoundOn), flag(ScanStore::scanColorFromTime),
        flag(gWizardMessages), regularization, flag(gIntegrationRangesFromFile),
        DistributionThreadEntry(), ChosenOptimiser(), flag(ContiState::suppressBaselineCorrelation),
        gLammThreadCount, FloatEntry("%.1f", gMaxUpdateInterval).c_str(), flag(gAlwaysLoadG2),
        CheckEntry(threshold), threshold);
    return text;
}

std::string FormatPreferenceEntries(const std::vector<float>& entries) {
    std::string text;
    for (float entry : entries)
        text += FloatEntry("%f", entry) + "\n";
    return text;
}
