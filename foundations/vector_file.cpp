// Vector files (one number per line) of CVector and the column-file helpers.
#include "foundations/c_locale.h"
#include "foundations/cvector.h"
#include "foundations/nr_arrays.h"
#include "foundations/numeric_text_files.h"
#include "foundations/show_error.h"
#include "foundations/text_lines.h"
#include "plat/atomic_file.hpp"

#include <cmath>
#include <cstdio>
#include <string>

void ReportCannotOpen(const char* prefix, const char* name) {
    std::string text = std::string(prefix) + "Attention: could not open " + (name ? name : "");
    ShowError(text.c_str(), 0);
}

namespace {

// "%f" also reads "inf", "nan" and numbers beyond the float range (as infinity); none of them is
// a value a file may give, so they read as no number.
bool ReadFinite(std::FILE* f, float* value) {
    return std::fscanf(f, "%f", value) == 1 && std::isfinite(*value);
}

} // namespace

namespace {

// The first number of each line appended to an empty vector, at most `most` of them; false when
// a further number stands after them.
bool AppendLines(std::FILE* f, CVector& v, std::uint64_t most) {
    float value = 0.0f;
    while (ReadFinite(f, &value)) {
        if (v.length >= most)
            return false;
        SkipLine(f);
        v.Append(value);
    }
    return true;
}

} // namespace

void CVector::Read(const char* name) {
    CLocaleScope cLocale;
    std::FILE* f = std::fopen(name, "r");
    if (!f) {
        ReportCannotOpen(kOpenNewLine, name);
        return;
    }
    float value = 0.0f;
    if (data) {
        for (std::uint32_t k = 0; k < length; ++k) {
            if (!ReadFinite(f, &value))
                break;
            SkipLine(f);
            data[k] = value;
        }
    } else {
        AppendLines(f, *this, UINT32_MAX);
    }
    std::fclose(f);
}

bool ReadSettingsVector(CVector& values, const char* name, std::uint32_t most) {
    values.Resize(0);
    CLocaleScope cLocale;
    std::FILE* f = std::fopen(name, "r");
    if (!f) {
        ReportCannotOpen(kOpenNewLine, name);
        return false;
    }
    const bool whole = AppendLines(f, values, most);
    std::fclose(f);
    if (whole)
        return true;
    values.Resize(0);
    char text[600];
    std::snprintf(text, sizeof text,
                  "%s holds more than %u lines of numbers, far more than a file of its kind: it "
                  "is not read",
                  name, most);
    ShowError(text, 0);
    return false;
}

std::vector<double> ReadCoefficientFile(const std::string& path) {
    if (path.empty())
        return {};
    CVector values;
    if (!ReadSettingsVector(values, path.c_str(), kMostSettingsLines) || values.length == 0)
        return {};
    std::vector<double> out(std::size_t(values.length) + 1, 0.0);
    for (std::uint32_t i = 0; i < values.length; ++i)
        out[std::size_t(i) + 1] = values.data[i];
    return out;
}

namespace {

template <typename Transform>
bool WriteValues(const char* name, const float* values, std::uint32_t n, Transform transform,
                 const char* prefix) {
    CLocaleScope cLocale;
    plat::AtomicFile out(name ? name : "");
    std::FILE* f = out.file();
    if (!f) {
        ReportCannotOpen(prefix, name);
        return false;
    }
    for (std::uint32_t k = 0; k < n; ++k)
        std::fprintf(f, "%f\n", transform(values[k]));
    if (!out.Commit()) {
        ReportCannotOpen(prefix, name);
        return false;
    }
    return true;
}

} // namespace

bool CVector::Write(const char* name) const {
    return WriteValues(
        name, data, data ? length : 0, [](float v) { return double(v); }, kOpenPlain);
}

bool CVector::WriteExp10(const char* name) const {
    return WriteValues(
        name, data, data ? length : 0, [](float v) { return std::pow(10.0, double(v)); },
        kOpenPlain);
}

void WriteColumnFile(const char* name, const float* values, int hi, int lo) {
    int n = hi >= lo ? hi - lo + 1 : 0;
    WriteValues(
        name, values + lo, static_cast<std::uint32_t>(n), [](float v) { return double(v); },
        kOpenNewLine);
}

float* ReadColumnFile(const char* name, int* last, int base) {
    CLocaleScope cLocale;
    std::FILE* f = std::fopen(name, "r");
    if (!f) {
        ReportCannotOpen(kOpenPlain, name);
        *last = 0;
        return nullptr;
    }
    char line[100];
    int count = 1;
    std::fgets(line, sizeof line, f);
    while (std::fgets(line, sizeof line, f))
        ++count;
    std::rewind(f);
    float* v = vector(base, base + count - 1);
    float previous = 0.0f;
    for (int k = 0; k < count; ++k) {
        float value = previous;
        if (std::fgets(line, sizeof line, f) &&
            (std::sscanf(line, "%f", &value) != 1 || !std::isfinite(value)))
            value = previous;
        v[base + k] = value;
        previous = value;
    }
    std::fclose(f);
    *last = base + count - 1;
    return v;
}
