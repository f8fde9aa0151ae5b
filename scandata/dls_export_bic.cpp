// Exports of the BIC correlator programs: a fixed sequence of header tokens, the channel count,
// the baseline and the raw lag/count pairs; the Windows program adds four lines of sample notes.
#include "scandata/dls_export_readers.h"
#include "scandata/dls_export_text.h"

#include <array>
#include <cmath>
#include <string>

namespace {

constexpr int kHeaderTokens = 37;
constexpr double kMaxChannels = 100000.0;

// The fixed header up to token last (1-based into tokens[1..last]); false when the text ends.
bool ReadHeader(DlsExportText& file, int last, std::array<double, kHeaderTokens + 1>* tokens) {
    for (int i = 1; i <= last; ++i)
        if (!file.Token(&(*tokens)[static_cast<std::size_t>(i)]))
            return false;
    return true;
}

// The conditions both layouts hold at the same places.
void TakeConditions(const std::array<double, kHeaderTokens + 1>& t, DlsExportCurve* curve) {
    curve->countRate = t[2];
    curve->angle = t[9];
    curve->wavelength = t[10] * 1e-9;
    curve->temperature = t[11] - 273.15;
    curve->viscosity = t[12] * 0.01;
    curve->refractiveIndex = t[14];
    curve->time = 0.0;
}

// n pairs (lag in microseconds, raw count) as g(2)-1 over the baseline; false when the text ends
// first.
bool ReadPairs(DlsExportText& file, int n, double baseline, DlsExportCurve* curve) {
    for (int i = 0; i < n; ++i) {
        double lag = 0.0, raw = 0.0;
        if (!file.Token(&lag) || !file.Token(&raw))
            return false;
        curve->lags.push_back(lag * 1e-6);
        curve->values.push_back(raw / baseline - 1.0);
    }
    return true;
}

// A channel count of at least one and a positive baseline, else the export is damaged.
bool Plausible(double channels, double baseline) {
    return channels >= 1.0 && channels <= kMaxChannels && baseline > 0.0 && std::isfinite(baseline);
}

} // namespace

int ReadDlsBic(const char* source, const char* target) {
    DlsExportText file("");
    std::array<double, kHeaderTokens + 1> t{};
    if (!target || !file.Load(source) || !ReadHeader(file, kHeaderTokens, &t))
        return 0;
    const double channels = std::floor(t[7]) + std::floor(t[21]);
    if (!Plausible(channels, t[23]))
        return 0;
    DlsExportCurve curve;
    TakeConditions(t, &curve);
    if (!ReadPairs(file, static_cast<int>(channels), t[23], &curve))
        return 0;
    file.Line(); // the rest of the last data line
    std::array<std::string, 4> notes;
    for (std::string& note : notes)
        note = file.Line().substr(0, 99);
    curve.title =
        "sample: " + notes[0] + ", operator: " + notes[1] + ", " + notes[2] + ", " + notes[3];
    return WriteDlsExportCurve(target, curve) ? 1 : 0;
}

int ReadDlsBicDos(const char* source, const char* target) {
    DlsExportText file("");
    std::array<double, kHeaderTokens + 1> t{};
    if (!target || !file.Load(source) || !ReadHeader(file, 23, &t))
        return 0;
    const double channels = std::floor(t[7]);
    if (!Plausible(channels, t[23]))
        return 0;
    DlsExportCurve curve;
    TakeConditions(t, &curve);
    if (!ReadPairs(file, static_cast<int>(channels), t[23], &curve))
        return 0;
    return WriteDlsExportCurve(target, curve) ? 1 : 0;
}
