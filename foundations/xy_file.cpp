// x/y files and column tables read into curves.
#include "foundations/c_locale.h"
#include "foundations/ccurve.h"
#include "foundations/numeric_text_files.h"
#include "foundations/text_lines.h"
#include "plat/atomic_file.hpp"

#include <cmath>
#include <cstdio>

void WriteXY(const char* name, int n, const float* x, const float* y) {
    CLocaleScope cLocale;
    plat::AtomicFile out(name);
    std::FILE* f = out.file();
    if (!f) {
        ReportCannotOpen(kOpenBell, name);
        return;
    }
    for (int k = 1; k <= n; ++k) {
        std::fprintf(f, "%f ", x[k]);
        std::fprintf(f, "%f\n", y[k]);
    }
    if (!out.Commit())
        ReportCannotOpen(kOpenBell, name);
}

bool CCurve::WriteXYExp(const char* name) const {
    CLocaleScope cLocale;
    plat::AtomicFile out(name);
    std::FILE* f = out.file();
    if (!f) {
        ReportCannotOpen(kOpenBell, name);
        return false;
    }
    for (std::uint32_t k = 0; k < Count(); ++k) {
        std::fprintf(f, "%e ", x->data[k]);
        std::fprintf(f, "%e\n", y->data[k]);
    }
    if (!out.Commit()) {
        ReportCannotOpen(kOpenBell, name);
        return false;
    }
    return true;
}

namespace {

// Reads one number of a column table and consumes one directly following ';' or ','.
// A non-finite number ("inf", "nan", beyond the float range) reads as no number.
bool ReadCell(std::FILE* f, float* value) {
    if (std::fscanf(f, "%f", value) != 1 || !std::isfinite(*value))
        return false;
    int c = std::fgetc(f);
    if (c != ';' && c != ',' && c != EOF)
        std::ungetc(c, f);
    return true;
}

// Reads the x and y columns (counted from 1) of the next row and discards the rest of its line.
bool ReadRow(std::FILE* f, int xColumn, int yColumn, float* x, float* y) {
    float skipped = 0.0f;
    for (int c = 1; c < xColumn; ++c)
        if (!ReadCell(f, &skipped))
            return false;
    if (!ReadCell(f, x))
        return false;
    for (int c = xColumn + 1; c < yColumn; ++c)
        if (!ReadCell(f, &skipped))
            return false;
    if (std::fscanf(f, "%f", y) != 1 || !std::isfinite(*y))
        return false;
    SkipLine(f);
    return true;
}

// Replaces the curve's vectors by owned ones of n zeroed points.
void Renew(CCurve& curve, std::uint32_t n) {
    if (curve.owns) {
        delete curve.x;
        delete curve.y;
    }
    curve.x = new CVector(n, 1);
    curve.y = new CVector(n, 1);
    for (std::uint32_t k = 0; k < n; ++k)
        curve.x->data[k] = curve.y->data[k] = 0.0f;
    curve.owns = 1;
}

} // namespace

// Blank lines (a final empty line, CR LF ends) are not counted as points; the numbers themselves
// are read with "%f", which skips them.
bool CCurve::Read(const char* name, int xColumn, int yColumn) {
    return ReadAveraged(name, xColumn, yColumn, 1);
}

bool CCurve::ReadAveraged(const char* name, int xColumn, int yColumn, int groupSize) {
    CLocaleScope cLocale;
    std::FILE* f = std::fopen(name, "r");
    if (!f) {
        ReportCannotOpen(kOpenBell, name);
        return false;
    }
    if (groupSize < 1)
        groupSize = 1;
    int lines = CountContentLines(f);
    std::rewind(f);
    int points = (lines + groupSize - 1) / groupSize;
    Renew(*this, static_cast<std::uint32_t>(points));
    for (int p = 0; p < points; ++p) {
        double sumX = 0.0, sumY = 0.0;
        int members = 0;
        for (; members < groupSize && p * groupSize + members < lines; ++members) {
            float xv = 0.0f, yv = 0.0f;
            if (!ReadRow(f, xColumn, yColumn, &xv, &yv)) {
                std::fclose(f);
                return false;
            }
            sumX += xv;
            sumY += yv;
        }
        x->data[p] = static_cast<float>(sumX / members);
        y->data[p] = static_cast<float>(sumY / members);
    }
    std::fclose(f);
    return true;
}
