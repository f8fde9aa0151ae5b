// The runtime report of the PhotoCor correlator program: keyed header values after a colon and
// the channels as "ARG[i] =" (lag in sample times) and "ACF[i] =" (g(2)-1).
#include "scandata/dls_export_readers.h"
#include "scandata/dls_export_text.h"

#include <cmath>
#include <string>

namespace {

constexpr double kMaxChannels = 1000.0;

// The first number after the first mark that follows key; false when either is missing.
bool ValueAfter(const DlsExportText& file, const std::string& key, char mark, double* value) {
    std::size_t at = file.Find(key);
    if (at == std::string::npos)
        return false;
    std::size_t sep = file.text().find(mark, at);
    if (sep == std::string::npos)
        return false;
    DlsExportText rest(file.text().substr(sep + 1, 200));
    return rest.Token(value);
}

} // namespace

int ReadDlsPhotoCor(const char* source, const char* target) {
    DlsExportText file("");
    if (!target || !file.Load(source))
        return 0;
    DlsExportCurve curve;
    double centipoise = 0.0, nm = 0.0, sampleTime = 0.0, channels = 0.0;
    if (!ValueAfter(file, "Temperature, C", ':', &curve.temperature) ||
        !ValueAfter(file, "Viscosity, cP", ':', &centipoise) ||
        !ValueAfter(file, "Refractive index", ':', &curve.refractiveIndex) ||
        !ValueAfter(file, "Laser wavelength, nm", ':', &nm) ||
        !ValueAfter(file, "Scatteting angle, deg", ':', &curve.angle) ||
        !ValueAfter(file, "Mean signal intensity, Hz", ':', &curve.countRate) ||
        !ValueAfter(file, "Sample time, s", ':', &sampleTime) ||
        !ValueAfter(file, "Number of channels", ':', &channels))
        return 0;
    // More channels than a correlator has, or none, mean a damaged report.
    if (!(channels >= 1.0) || channels > kMaxChannels)
        return 0;
    const int n = static_cast<int>(std::floor(channels));
    curve.viscosity = centipoise * 0.01;
    // The key names nanometres.
    curve.wavelength = nm * 1e-9;
    curve.time = 1.0;
    for (int i = 1; i <= n; ++i) {
        double arg = 0.0, acf = 0.0;
        if (!ValueAfter(file, "ARG[" + std::to_string(i) + "] =", '=', &arg) ||
            !ValueAfter(file, "ACF[" + std::to_string(i) + "] =", '=', &acf))
            return 0;
        curve.lags.push_back(arg * sampleTime);
        curve.values.push_back(acf);
    }
    return WriteDlsExportCurve(target, curve) ? 1 : 0;
}
