// Exports that carry their lag table one point per line: Dynamics 7 and Protein Solutions 6.2.05
// (lag in microseconds and g(2) after the "Coef" line) and ALV (a keyed header, the table in
// milliseconds and g(2)-1).
#include "scandata/dls_export_readers.h"
#include "scandata/dls_export_text.h"

#include <cctype>
#include <string>

namespace {

constexpr std::size_t kMaxPoints = 1000;

// The two numbers opening a line; false for an empty line or a line with fewer than two words.
bool LinePair(const std::string& line, double* a, double* b) {
    DlsExportText row(line);
    return row.Token(a) && row.Token(b);
}

// Points from the cursor on, one per line, until an empty line, a line without two numbers, the
// end of the text or kMaxPoints. lagScale turns the first column into seconds; offset is added
// to the second.
void ReadLineTable(DlsExportText& text, double lagScale, double offset, DlsExportCurve* curve) {
    while (!text.AtEnd() && curve->lags.size() < kMaxPoints) {
        double lag = 0.0, value = 0.0;
        if (!LinePair(text.Line(), &lag, &value))
            break;
        curve->lags.push_back(lag * lagScale);
        curve->values.push_back(value + offset);
    }
}

int ReadCoefTable(const char* source, const char* target, bool commas, float refractiveIndex,
                  float viscosity, float wavelength, float angle, float temperature) {
    DlsExportText file("");
    if (!target || !file.Load(source))
        return 0;
    std::string text = file.text();
    if (commas)
        for (std::size_t i = 1; i < text.size(); ++i)
            if (text[i] == ',')
                text[i] = ' ';
    DlsExportText data(text);
    std::size_t coef = data.Find("Coef");
    data.pos = coef == std::string::npos ? 0 : coef;
    if (!data.NextLine())
        return 0;
    DlsExportCurve curve;
    ReadLineTable(data, 1e-6, -1.0, &curve);
    curve.temperature = temperature;
    curve.time = 0.0;
    curve.countRate = 1.0;
    curve.refractiveIndex = refractiveIndex;
    curve.viscosity = viscosity;
    curve.angle = angle;
    curve.wavelength = wavelength;
    return WriteDlsExportCurve(target, curve) ? 1 : 0;
}

// The first number after the tab that follows key; false when the key or the tab is missing.
bool TabValue(const DlsExportText& file, const char* key, double* value) {
    std::size_t at = file.Find(key);
    if (at == std::string::npos)
        return false;
    std::size_t tab = file.text().find('\t', at);
    if (tab == std::string::npos)
        return false;
    DlsExportText rest(file.text().substr(tab + 1));
    return rest.Token(value);
}

// Two digits at i as a number; false when they are not digits.
bool TwoDigits(const std::string& s, std::size_t i, int* value) {
    if (i + 1 >= s.size() || !std::isdigit(static_cast<unsigned char>(s[i])) ||
        !std::isdigit(static_cast<unsigned char>(s[i + 1])))
        return false;
    *value = (s[i] - '0') * 10 + (s[i + 1] - '0');
    return true;
}

// "Time" followed by a quoted hh:mm:ss, in seconds.
bool AlvClockTime(const DlsExportText& file, double* seconds) {
    const std::string& s = file.text();
    std::size_t at = file.Find("Time");
    if (at == std::string::npos)
        return false;
    std::size_t quote = s.find('"', at);
    if (quote == std::string::npos)
        return false;
    std::size_t colon1 = s.find(':', quote);
    std::size_t colon2 = colon1 == std::string::npos ? colon1 : s.find(':', colon1 + 1);
    int h = 0, m = 0, sec = 0;
    if (colon2 == std::string::npos || !TwoDigits(s, quote + 1, &h) ||
        !TwoDigits(s, colon1 + 1, &m) || !TwoDigits(s, colon2 + 1, &sec))
        return false;
    *seconds = h * 3600.0 + m * 60.0 + sec;
    return true;
}

} // namespace

int ReadDlsDynamics7(const char* source, const char* target, float refractiveIndex, float viscosity,
                     float wavelength, float angle, float temperature) {
    return ReadCoefTable(source, target, true, refractiveIndex, viscosity, wavelength, angle,
                         temperature);
}

int ReadDlsProteinSolutions62(const char* source, const char* target, float refractiveIndex,
                              float viscosity, float wavelength, float angle, float temperature) {
    return ReadCoefTable(source, target, false, refractiveIndex, viscosity, wavelength, angle,
                         temperature);
}

int ReadDlsAlv(const char* source, const char* target) {
    DlsExportText file("");
    if (!target || !file.Load(source))
        return 0;
    DlsExportCurve curve;
    double kelvin = 0.0, centipoise = 0.0, nm = 0.0, kcps = 0.0;
    if (!AlvClockTime(file, &curve.time) || !TabValue(file, "Temperature ", &kelvin) ||
        !TabValue(file, "Viscosity ", &centipoise) ||
        !TabValue(file, "Index", &curve.refractiveIndex) || !TabValue(file, "Wavelength ", &nm) ||
        !TabValue(file, "Angle ", &curve.angle) || !TabValue(file, "MeanCR0 ", &kcps))
        return 0;
    curve.temperature = kelvin - 273.15;
    curve.viscosity = centipoise * 0.01;
    curve.wavelength = nm * 1e-9;
    curve.countRate = kcps * 1000.0;
    std::size_t mark = file.Find("Lag [ms]");
    if (mark == std::string::npos)
        mark = file.Find("Correlation");
    if (mark == std::string::npos)
        return 0;
    file.pos = mark;
    if (!file.NextLine())
        return 0;
    ReadLineTable(file, 0.001, 0.0, &curve);
    return WriteDlsExportCurve(target, curve) ? 1 : 0;
}
