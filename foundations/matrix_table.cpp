// Matrix tables: one tab-separated line per row (or per column, transposed).
#include "foundations/c_locale.h"
#include "foundations/nr_arrays.h"
#include "foundations/numeric_text_files.h"
#include "foundations/show_error.h"
#include "foundations/text_lines.h"
#include "plat/atomic_file.hpp"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

template <typename T, typename At>
bool WriteTable(const char* name, int lines0, int lines1, int values0, int values1, At at) {
    CLocaleScope cLocale;
    plat::AtomicFile out(name ? name : "");
    std::FILE* f = out.file();
    if (!f) {
        ReportCannotOpen(kOpenBell, name);
        return false;
    }
    for (int l = lines0; l <= lines1; ++l) {
        for (int v = values0; v <= values1; ++v)
            std::fprintf(f, "\t%f", static_cast<double>(at(l, v)));
        std::fprintf(f, "\n");
    }
    if (!out.Commit()) {
        ReportCannotOpen(kOpenBell, name);
        return false;
    }
    return true;
}

// Reads columns numbers from each non-blank line; store(line, column, value) places them. A row
// with too few numbers fails the whole table, so no value of a neighbouring row is taken instead.
template <typename Alloc, typename Store, typename Release>
float** ReadTable(const char* name, int columns, int* lines, Alloc alloc, Store store,
                  Release release) {
    CLocaleScope cLocale;
    std::FILE* f = std::fopen(name, "r");
    if (!f) {
        ReportCannotOpen(kOpenBell, name);
        *lines = 0;
        return nullptr;
    }
    int n = CountContentLines(f);
    std::rewind(f);
    float** m = alloc(n);
    std::string line;
    int l = 0;
    while (l < n && ReadLine(f, line)) {
        if (!HasContent(line))
            continue;
        ++l;
        const char* p = line.c_str();
        for (int c = 1; c <= columns; ++c) {
            char* end = nullptr;
            float value = std::strtof(p, &end);
            if (end == p || !std::isfinite(value)) {
                std::string text = std::string("\n\aAttention: could not read from ") + name;
                ShowError(text.c_str(), 0);
                std::fclose(f);
                release(m, n);
                *lines = 0;
                return nullptr;
            }
            store(m, l, c, value);
            p = end;
        }
    }
    std::fclose(f);
    *lines = n;
    return m;
}

} // namespace

bool WriteMatrixTable(double** m, int r0, int r1, int c0, int c1, const char* name) {
    return WriteTable<double>(name, r0, r1, c0, c1, [m](int r, int c) { return m[r][c]; });
}

bool WriteFloatMatrixTable(float** m, int r0, int r1, int c0, int c1, const char* name) {
    return WriteTable<float>(name, r0, r1, c0, c1, [m](int r, int c) { return m[r][c]; });
}

bool WriteMatrixTableTransposed(double** m, int r0, int r1, int c0, int c1, const char* name) {
    return WriteTable<double>(name, c0, c1, r0, r1, [m](int c, int r) { return m[r][c]; });
}

bool WriteFloatMatrixTableTransposed(float** m, int r0, int r1, int c0, int c1, const char* name) {
    return WriteTable<float>(name, c0, c1, r0, r1, [m](int c, int r) { return m[r][c]; });
}

float** ReadMatrixTable(const char* name, int columns, int* lines) {
    return ReadTable(
        name, columns, lines, [columns](int n) { return matrix(1, columns, 1, n); },
        [](float** m, int l, int c, float v) { m[c][l] = v; },
        [columns](float** m, int n) { free_matrix(m, 1, columns, 1, n); });
}

float** ReadMatrixTableByRows(const char* name, int columns, int* lines) {
    return ReadTable(
        name, columns, lines, [columns](int n) { return matrix(1, n, 1, columns); },
        [](float** m, int l, int c, float v) { m[l][c] = v; },
        [columns](float** m, int n) { free_matrix(m, 1, n, 1, columns); });
}
