// Reading instrument exports: a cursor over the whole text that hands out blank-separated tokens,
// finds keys, and the write of the points found as one ".dlsdat" file.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

class DlsExportText {
  public:
    explicit DlsExportText(std::string text) : text_(std::move(text)) {}
    // The whole file; false when it cannot be read or is empty.
    bool Load(const char* path);

    const std::string& text() const { return text_; }
    std::size_t pos = 0;

    // The next blank-separated word as a number (a word that is not one is 0); false at the end
    // of the text.
    bool Token(double* value);
    // Position of the first occurrence of key from the start, or npos.
    std::size_t Find(const std::string& key, std::size_t from = 0) const;
    // Moves to the character after the next line feed; false when there is none.
    bool NextLine();
    // The rest of the current line (without its line end) and moves past it.
    std::string Line();
    bool AtEnd() const { return pos >= text_.size(); }

  private:
    std::string text_;
};

// The points and header of one converted measurement.
struct DlsExportCurve {
    std::vector<double> lags;   // s
    std::vector<double> values; // g(2)-1
    std::string title;
    double temperature = 0.0, time = 0.0, countRate = 1.0, refractiveIndex = 0.0, viscosity = 0.0,
           angle = 0.0, wavelength = 0.0;
};

// Writes curve to path with the lags in seconds. False, and nothing written, when it has no
// point, a lag is not a positive number, or a number is beyond single precision.
bool WriteDlsExportCurve(const char* path, const DlsExportCurve& curve);
// What the write checks: points, and the header and every point within single precision.
bool DlsExportCurveWritable(const DlsExportCurve& curve);
