// Reading and writing scan files: one radial scan per file, a description line, a header line
// and one row per radial point.
#pragma once

#include "scandata/scan_header.h"

#include <cstdint>
#include <string>

// Reads path into header and new 1-based float arrays [1..*pointCount] that the caller owns.
// third (may be null) receives the third column when the layout keeps it, else null; tag (may
// be null) tells whether line 1 holds a time-stamp tag. averagingWidth > 0 merges close radii.
// Sets ScanDataKind from the type letter. Returns 1 on success, 0 on failure (no message;
// on failure the output arrays are untouched). why (may be null) receives the reason of a file
// that was read but refused.
int ReadScanFile(const char* path, ScanHeader* header, std::int32_t* pointCount, float** radius,
                 float** value, float** third, bool* tag, float averagingWidth,
                 std::string* why = nullptr);

// Writes one scan: line 1 is description (or the header's own when null) with "[T OK]" put in
// front when it carries no time-stamp tag; header fields from header. Types 'W' and 'V' write
// their wavelength with three decimals. checked is the caller's statement that the time stamps
// are checked (the tag is written in any case). Returns 1 when written, 0 when the file could
// not be written.
int ScanTimeStampTag(const char* path, std::int32_t pointCount, const float* radius,
                     const float* value, const float* third, const char* description, bool checked,
                     const ScanHeader& header);

// The two header layouts: a whole-number or a three-decimal seventh field.
int SaveScan(const char* path, std::int32_t pointCount, const float* radius, const float* value,
             const float* third, const char* description, const ScanHeader& header, int wavelength);
int SaveScan(const char* path, std::int32_t pointCount, const float* radius, const float* value,
             const float* third, const char* description, const ScanHeader& header,
             float wavelength);

// Writes the file from 1-based arrays and the header fields, then restores the file times when
// timesValid is set. Returns 1 when written, 0 otherwise (the path is printed to stdout).
int WriteScanFile(const char* path, std::int32_t pointCount, const float* radius,
                  const float* value, const float* third, const char* description, char type,
                  std::int32_t cell, float temperature, float rotorSpeed, double time,
                  double omega2t, int wavelength, std::int32_t lastHeaderNumber, FileTime creation,
                  FileTime access, FileTime write, std::int32_t timesValid);
int WriteScanFile(const char* path, std::int32_t pointCount, const float* radius,
                  const float* value, const float* third, const char* description, char type,
                  std::int32_t cell, float temperature, float rotorSpeed, double time,
                  double omega2t, float wavelength, std::int32_t lastHeaderNumber,
                  FileTime creation, FileTime access, FileTime write, std::int32_t timesValid);

// The whole text of a file; false when it cannot be read (missing, a folder, unreadable).
bool ReadWholeFile(const char* path, std::string* text);
