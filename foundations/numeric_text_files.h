// Plain numeric text files: one-number-per-line vector files and matrix tables. The x/y files of
// curves are members of CCurve and CVector.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CVector;

// Line-end and bell prefixes of the "could not open" message, as each reader and writer shows it.
inline constexpr const char* kOpenPlain = "";
inline constexpr const char* kOpenNewLine = "\n";
inline constexpr const char* kOpenBell = "\n\a";

// Shows prefix + "Attention: could not open <name>" in the error box (not fatal).
void ReportCannotOpen(const char* prefix, const char* name);

// No settings file or coefficient table of the program has this many lines.
inline constexpr std::uint32_t kMostSettingsLines = 1000;

// Reads a settings file of one number per line into values as CVector::Read does into an empty
// vector, but at most `most` numbers: a file holding more is far longer than any file of its
// kind, and a box names it. False, with values empty, then and when the file does not open.
bool ReadSettingsVector(CVector& values, const char* name, std::uint32_t most);

// The coefficients of a polynomial, one per line (the first number of each), as a 1-based vector
// with element 0 unused; empty when the path is empty, the file unreadable, empty or far too
// long (at most kMostSettingsLines).
std::vector<double> ReadCoefficientFile(const std::string& path);

// values[lo..hi], "%f" per line.
void WriteColumnFile(const char* name, const float* values, int hi, int lo);
// New vector(base, last) holding the first number of each line (a line without one repeats the
// previous value); null with last = 0 when the file does not open.
float* ReadColumnFile(const char* name, int* last, int base);

// One line per row r0..r1 (or, transposed, per column c0..c1), "\t%f" per value.
bool WriteMatrixTable(double** m, int r0, int r1, int c0, int c1, const char* name);
bool WriteFloatMatrixTable(float** m, int r0, int r1, int c0, int c1, const char* name);
bool WriteMatrixTableTransposed(double** m, int r0, int r1, int c0, int c1, const char* name);
bool WriteFloatMatrixTableTransposed(float** m, int r0, int r1, int c0, int c1, const char* name);

// New matrix [1..columns][1..lines] (by rows: [1..lines][1..columns]) of a table with columns
// numbers per line; null with lines = 0 when the file does not open or a value is missing.
float** ReadMatrixTable(const char* name, int columns, int* lines);
float** ReadMatrixTableByRows(const char* name, int columns, int* lines);
