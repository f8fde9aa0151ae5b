// The cursor over an instrument export and the write of one converted measurement.
#include "scandata/dls_export_text.h"

#include "foundations/c_locale.h"
#include "scandata/dls_file.h"
#include "scandata/scan_file.h"
#include "state/dls_data.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

namespace {

constexpr double kSmallest = 1e-29;
constexpr double kLargest = 1e30;

bool IsBlank(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

} // namespace

bool DlsExportText::Load(const char* path) {
    text_.clear();
    pos = 0;
    return path && ReadWholeFile(path, &text_) && !text_.empty();
}

bool DlsExportText::Token(double* value) {
    while (pos < text_.size() && IsBlank(text_[pos]))
        ++pos;
    if (pos >= text_.size())
        return false;
    std::size_t start = pos;
    while (pos < text_.size() && !IsBlank(text_[pos]))
        ++pos;
    std::string word = text_.substr(start, pos - start);
    CLocaleScope cLocale;
    *value = std::strtod(word.c_str(), nullptr);
    return true;
}

std::size_t DlsExportText::Find(const std::string& key, std::size_t from) const {
    return text_.find(key, from);
}

bool DlsExportText::NextLine() {
    std::size_t lf = text_.find('\n', pos);
    if (lf == std::string::npos)
        return false;
    pos = lf + 1;
    return true;
}

std::string DlsExportText::Line() {
    std::size_t lf = text_.find('\n', pos);
    std::size_t end = lf == std::string::npos ? text_.size() : lf;
    std::string line = text_.substr(pos, end - pos);
    pos = lf == std::string::npos ? text_.size() : lf + 1;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

bool DlsExportCurveWritable(const DlsExportCurve& curve) {
    if (curve.lags.empty() || curve.values.size() != curve.lags.size())
        return false;
    for (double header : {curve.temperature, curve.time, curve.countRate, curve.refractiveIndex,
                          curve.viscosity, curve.angle, curve.wavelength})
        if (!(std::fabs(header) <= kLargest))
            return false;
    for (std::size_t i = 0; i < curve.lags.size(); ++i) {
        // Held in single precision as the loader holds them: a lag too small to keep apart from
        // 0 or beyond the float range, or a value beyond it, is a damaged export.
        const double lag = curve.lags[i];
        if (!(lag >= kSmallest && lag <= kLargest) || !(std::fabs(curve.values[i]) <= kLargest))
            return false;
    }
    return true;
}

bool WriteDlsExportCurve(const char* path, const DlsExportCurve& curve) {
    if (!path || !DlsExportCurveWritable(curve))
        return false;
    const std::size_t n = curve.lags.size();
    std::vector<float> lags(n + 1, 0.0f), values(n + 1, 0.0f);
    for (std::size_t i = 0; i < n; ++i) {
        lags[i + 1] = static_cast<float>(curve.lags[i]);
        values[i + 1] = static_cast<float>(curve.values[i]);
    }
    const double t = curve.time;
    const long seconds = std::isfinite(t) && std::fabs(t) < 9.0e18 ? static_cast<long>(t) : 0L;
    lagsInSeconds = true;
    const bool written = WriteDlsDataValues(
        path, static_cast<int>(n), lags.data(), values.data(), curve.title.c_str(),
        static_cast<float>(curve.temperature), seconds, static_cast<float>(curve.countRate),
        static_cast<float>(curve.refractiveIndex), static_cast<float>(curve.viscosity),
        static_cast<float>(curve.angle), static_cast<float>(curve.wavelength));
    lagsInSeconds = false;
    return written;
}
