// Writing the program's own light-scattering file from a curve, from arrays or from a record.
#include "foundations/c_locale.h"
#include "foundations/ccurve.h"
#include "foundations/cvector.h"
#include "foundations/show_error.h"
#include "plat/atomic_file.hpp"
#include "scandata/dls_acf_conversion.h"
#include "scandata/dls_file.h"
#include "state/dls_data.h"

#include <cmath>
#include <cstdio>
#include <vector>

namespace {

// The record's time as the whole seconds of the header; a time beyond the integer range (only
// from a damaged record) is written as the nearest end of it.
long WholeSeconds(double time) {
    if (!(time > -9.0e18))
        return time < 0.0 ? -9000000000000000000L : 0L;
    return time < 9.0e18 ? static_cast<long>(time) : 9000000000000000000L;
}

} // namespace

bool WriteDlsDataCurve(const char* path, const CCurve& curve, const char* title, float temperature,
                       long time, float countRate, float refractiveIndex, float viscosity,
                       float angle, float wavelength) {
    plat::AtomicFile out(path ? path : "");
    std::FILE* file = out.file();
    if (!file) {
        std::printf("\n\aAttention: could not open %s", path ? path : "");
        std::fflush(stdout);
        return false;
    }
    CLocaleScope cLocale;
    std::fprintf(file, "%s\n", title ? title : "");
    // The type letter is always 'A': the values written are g(2)-1.
    std::fprintf(file, "A %f %ld %.2f %f %f %f %e\n", static_cast<double>(temperature), time,
                 static_cast<double>(countRate), static_cast<double>(refractiveIndex),
                 static_cast<double>(viscosity), static_cast<double>(angle),
                 static_cast<double>(wavelength));
    bool aboveOne = false;
    for (std::uint32_t i = 0; i < curve.Count(); ++i) {
        double x = curve.x->data[i];
        double y = curve.y->data[i];
        double lag = lagsInSeconds ? x : std::pow(10.0, x);
        std::fprintf(file, "   %1.5e  %1.5e \n", lag, y);
        aboveOne = aboveOne || y > 1.0;
    }
    if (!out.Commit()) {
        std::printf("\n\aAttention: could not open %s", path);
        std::fflush(stdout);
        return false;
    }
    if (aboveOne)
        ShowError("please check DLSDAT format - should be g(2)-1");
    return true;
}

bool WriteDlsDataValues(const char* path, int count, float* lags, float* values, const char* title,
                        float temperature, long time, float countRate, float refractiveIndex,
                        float viscosity, float angle, float wavelength) {
    std::uint32_t n = count > 0 ? static_cast<std::uint32_t>(count) : 0;
    // Views over elements 1..count; attaching clears magnitudes below 1e-30 in the caller's
    // arrays, so such values are written as 0.
    CVector x;
    CVector y;
    x.Attach(lags, n, 1);
    y.Attach(values, n, 1);
    CCurve curve(&x, &y);
    return WriteDlsDataCurve(path, curve, title, temperature, time, countRate, refractiveIndex,
                             viscosity, angle, wavelength);
}

bool WriteDlsData(const char* path, int count, float* lags, float* values, const char* title,
                  const DlsRecord& record) {
    std::vector<float> squared;
    float* written = values;
    if (gDlsSquareBack && count > 0 && values) {
        // The loaded values are g(1); the file holds g(2)-1. The caller keeps its g(1).
        squared.assign(static_cast<std::size_t>(count) + 1, 0.0f);
        for (int i = 1; i <= count; ++i)
            squared[static_cast<std::size_t>(i)] = SignedSquare(values[i]);
        written = squared.data();
    }
    return WriteDlsDataValues(path, count, lags, written, title ? title : record.title,
                              record.temperature, WholeSeconds(record.time), record.countRate,
                              record.refractiveIndex, record.viscosity, record.angle,
                              record.wavelength);
}
