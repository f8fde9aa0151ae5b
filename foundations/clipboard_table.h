// Numeric tables put on the clipboard as plain text for a spreadsheet: cells separated by a tab,
// rows ended by a line feed, numbers in general notation with six significant digits.
#pragma once

#include <string>

class TWindow;

// Column table: row i (first..last) holds x[i] and then, for k = 1..count, columns[k][i]; with
// an order list (1-based), column k shows columns[order[k]]. All vectors are 1-based.
std::string ColumnTableText(const float* x, const float* const* columns, int first, int last,
                            int count, const int* order = nullptr);
// Pair table: one x and one y column per scan k = 1..count (scan order[k] with an order list),
// from firsts[k] to lasts[k]; rows run to the longest scan, and a scan already ended leaves its
// two cells empty in each later row.
std::string PairTableText(const float* const* xs, const float* const* ys, const int* firsts,
                          const int* lasts, int count, const int* order = nullptr);

// The tables above given to the clipboard; a clipboard that cannot be opened is left as it is.
void CopyColumnsToClipboard(TWindow* window, const float* x, const float* const* columns, int first,
                            int last, int count, const int* order = nullptr);
void CopyMatrixToClipboard(TWindow* window, const float* const* xs, const float* const* ys,
                           const int* firsts, const int* lasts, int count,
                           const int* order = nullptr);
