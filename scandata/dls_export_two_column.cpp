// Plain two-column exports: lag and g(2) in counts, or lag in microseconds and g(2)-1.
#include "foundations/ccurve.h"
#include "foundations/cvector.h"
#include "scandata/dls_export_readers.h"
#include "scandata/dls_export_text.h"

#include <algorithm>
#include <numeric>
#include <vector>

namespace {

// Columns 1 and 2 of source; false when it cannot be read or holds no row.
bool ReadColumns(const char* source, std::vector<double>* x, std::vector<double>* y) {
    if (!source)
        return false;
    CCurve table;
    if (!table.Read(source, 1, 2) || table.Count() == 0)
        return false;
    for (std::uint32_t k = 0; k < table.Count(); ++k) {
        x->push_back(table.x->data[k]);
        y->push_back(table.y->data[k]);
    }
    return true;
}

void SetHeader(DlsExportCurve* curve, float temperature, float time, float countRate,
               float refractiveIndex, float viscosity, float angle, float wavelength) {
    curve->temperature = temperature;
    curve->time = time;
    curve->countRate = countRate;
    curve->refractiveIndex = refractiveIndex;
    curve->viscosity = viscosity;
    curve->angle = angle;
    curve->wavelength = wavelength;
}

} // namespace

int ReadDlsTwoColumn(const char* source, const char* target, float lagUnit, float baseline,
                     float temperature, float time, float countRate, float refractiveIndex,
                     float viscosity, float angle, float wavelength) {
    std::vector<double> x, y;
    // A baseline of zero would turn every value into an infinity.
    if (!target || !(baseline > 0.0f) || !ReadColumns(source, &x, &y))
        return 0;
    std::vector<std::size_t> order(x.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&x](std::size_t a, std::size_t b) { return x[a] < x[b]; });
    DlsExportCurve curve;
    for (std::size_t k : order) {
        curve.lags.push_back(x[k] * lagUnit);
        curve.values.push_back(y[k] / baseline - 1.0);
    }
    SetHeader(&curve, temperature, time, countRate, refractiveIndex, viscosity, angle, wavelength);
    return WriteDlsExportCurve(target, curve) ? 1 : 0;
}

int ReadDlsTwoColumnG2(const char* source, const char* target, float temperature, float time,
                       float countRate, float refractiveIndex, float viscosity, float angle,
                       float wavelength) {
    std::vector<double> x, y;
    if (!target || !ReadColumns(source, &x, &y))
        return 0;
    DlsExportCurve curve;
    for (std::size_t k = 0; k < x.size(); ++k) {
        curve.lags.push_back(x[k] * 1e-6);
        curve.values.push_back(y[k]);
    }
    SetHeader(&curve, temperature, time, countRate, refractiveIndex, viscosity, angle, wavelength);
    return WriteDlsExportCurve(target, curve) ? 1 : 0;
}
