// Parsing of a scan file's text into its header and rows, without touching files or globals.
#pragma once

#include "scandata/scan_header.h"

#include <string>
#include <string_view>
#include <vector>

struct ScanTextOptions {
    float averagingWidth = 0.0f; // merge rows closer than this to their group's first radius
    bool wantThirdColumn = true; // the caller keeps the third column when the layout has one
    bool electrophoresis = false;
    bool nColumnsMode = false;
    int nColumns = 2;
    bool dropSpikes = true;
    // Spike levels of absorbance and fluorescence scans (the "Don't Load Spikes" settings).
    float spikeLevel = 0.4f;
    float spikeLevelFluorescence = 100.0f;
};

// What a parse found besides the header: the rows kept and the data kind of the type letter.
struct ScanTextResult {
    std::vector<float> radius;
    std::vector<float> value;
    std::vector<float> third; // empty unless the third column was kept
    bool thirdKept = false;
    bool tagFound = false; // line 1 holds a time-stamp tag
    bool intensity = false;
    bool absorbance = false;
    bool interference = false;
    bool fluorescence = false;
    float spikeThreshold = 0.0f; // 0 when the kind has no spike filter
    // A refused row: its line in the file (from 1), its radius and the radius before it.
    int badLine = 0;
    float badRadius = 0.0f, radiusBefore = 0.0f;
};

enum class ScanTextError {
    None,
    NoHeaderLine,   // no line feed, so no header line
    BadTypeLetter,  // the type letter is not one of R, W, I, V, P, F
    NumberTooLarge, // a header field or row value beyond the single-precision range
    NoRows,         // no point was kept
    RowNotANumber,  // a row whose radius or value is not a number: a damaged file
    RadiusGoesBack, // a row whose radius lies below the one before it
};

// Why a scan file was refused, in words for the user, with the line the result names; empty for
// None.
std::string ScanTextErrorText(ScanTextError error, const ScanTextResult& result = {});

// Fills header and result from the text of a scan file. The header's file-time fields are left
// as they are. Returns ScanTextError::None on success.
ScanTextError ParseScanText(std::string_view text, const ScanTextOptions& options,
                            ScanHeader& header, ScanTextResult& result);

// The number at the start of text after leading white space, as the C library's atof reads it
// in the C locale but without hexadecimal, infinity or NaN forms; 0 when there is none.
// *tooLarge (may be null) reports a number beyond the double range.
double LeadingNumber(std::string_view text, bool* tooLarge = nullptr);

// Blank-separated tokens of a text range, as a C stream reads words; the scan and
// light-scattering readers take their rows from it.
class TokenStream {
  public:
    TokenStream(std::string_view text, std::size_t pos) : text_(text), pos_(pos) {}
    // The next token, or false at the end of the text.
    bool Next(std::string_view& token);
    // The next token read as the number it begins with; 0 when it is missing or no number.
    // tooLarge collects overflow.
    double NextNumber(bool& tooLarge);
    // The next token and the number it begins with (0 when none): false at the end of the text.
    // isNumber tells whether the token begins with a number at all; tooLarge collects overflow.
    bool NextNumber(double& value, bool& isNumber, bool& tooLarge);
    std::size_t Position() const { return pos_; }

  private:
    std::string_view text_;
    std::size_t pos_;
};

// The end of the rows: the start of the first line from pos on whose first character is '0'.
std::size_t RowsEnd(std::string_view text, std::size_t pos);
// Lines of [begin, end) holding anything but white space: the rows to read.
int CountRowLines(std::string_view text, std::size_t begin, std::size_t end);

// Reads a number at text[pos] after white space, as scanf's "%f" does (decimal forms only) and
// moves pos past it; false, with pos unchanged, when no number stands there.
bool ScanNumber(std::string_view text, std::size_t& pos, double& value);
