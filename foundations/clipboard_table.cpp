// Clipboard tables of numbers.
#include "foundations/clipboard_table.h"

#include "plat/clipboard.hpp"

#include <algorithm>
#include <cstdio>

namespace {

void Append(std::string& text, float value) {
    char cell[32];
    std::snprintf(cell, sizeof cell, "%g", double(value));
    text += cell;
}

void Copy(TWindow* window, const std::string& text) {
    TClipboard clipboard(window);
    if (!clipboard.IsOpen())
        return;
    clipboard.EmptyClipboard();
    clipboard.SetText(text);
    clipboard.CloseClipboard();
}

} // namespace

std::string ColumnTableText(const float* x, const float* const* columns, int first, int last,
                            int count, const int* order) {
    std::string text;
    if (!x || (count > 0 && !columns))
        return text;
    for (int i = first; i <= last; ++i) {
        Append(text, x[i]);
        for (int k = 1; k <= count; ++k) {
            text += '\t';
            Append(text, columns[order ? order[k] : k][i]);
        }
        text += '\n';
    }
    return text;
}

std::string PairTableText(const float* const* xs, const float* const* ys, const int* firsts,
                          const int* lasts, int count, const int* order) {
    std::string text;
    if (!xs || !ys || !firsts || !lasts || count < 1)
        return text;
    int rows = 0;
    for (int k = 1; k <= count; ++k)
        rows = std::max(rows, lasts[k] - firsts[k] + 1);
    for (int r = 0; r < rows; ++r) {
        for (int k = 1; k <= count; ++k) {
            const int scan = order ? order[k] : k;
            if (r < lasts[scan] - firsts[scan] + 1) {
                Append(text, xs[scan][firsts[scan] + r]);
                text += '\t';
                Append(text, ys[scan][firsts[scan] + r]);
            } else {
                // Both cells of an ended scan stay empty, so later scans keep their columns.
                text += '\t';
            }
            text += k < count ? '\t' : '\n';
        }
    }
    return text;
}

void CopyColumnsToClipboard(TWindow* window, const float* x, const float* const* columns, int first,
                            int last, int count, const int* order) {
    Copy(window, ColumnTableText(x, columns, first, last, count, order));
}

void CopyMatrixToClipboard(TWindow* window, const float* const* xs, const float* const* ys,
                           const int* firsts, const int* lasts, int count, const int* order) {
    Copy(window, PairTableText(xs, ys, firsts, lasts, count, order));
}
