// Reading the program's own light-scattering file: title line, type and header line, lag-value
// rows.
#include "foundations/float_range.h"
#include "foundations/nr_arrays.h"
#include "scandata/dls_acf_conversion.h"
#include "scandata/dls_file.h"
#include "scandata/scan_file.h"
#include "scandata/scan_text.h"
#include "state/dls_data.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

bool TitleCharacter(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') ||
           std::strchr(" #\\_/:,.", c) != nullptr;
}

bool Blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

float* OneBased(const std::vector<float>& values) {
    long n = static_cast<long>(values.size());
    float* out = vector(1, n);
    std::memcpy(out + 1, values.data(), values.size() * sizeof(float));
    return out;
}

} // namespace

// CR LF reads as LF: a carriage return ends the title like any character a title may not hold,
// and counts as a blank everywhere else. The rows are read as pairs of blank-separated words, as
// many pairs as there are row lines up to a line that begins with '0'. Every complete pair is kept,
// so a file written by the program reads back with all its points; a lag that is not a positive
// number would give log10 of zero or less in the radius array, so such a file is refused. Checked
// against hand-made files and writer round trips in the tool tests.
bool ReadDlsGeneric(const char* path, DlsRecord* output, int* count, float** lags, float** values,
                    bool keepIntensity) {
    if (!path || !output || !count || !lags || !values)
        return false;
    // Filled in a copy, so a file that fails leaves the caller's record as it was.
    DlsRecord read = *output;
    DlsRecord* record = &read;
    std::string text;
    if (!ReadWholeFile(path, &text) || text.empty())
        return false;

    // The title: the first line up to 99 characters, cut at a character it may not hold.
    std::size_t firstLineEnd = text.find('\n');
    std::size_t titleLength =
        std::min<std::size_t>(firstLineEnd == std::string::npos ? text.size() : firstLineEnd, 99);
    std::size_t kept = 0;
    while (kept < titleLength && TitleCharacter(text[kept]))
        ++kept;
    std::memcpy(record->title, text.data(), kept);
    record->title[kept] = '\0';
    if (firstLineEnd == std::string::npos)
        return false;

    // The type letter opens the header on the next line whatever the title's length: one
    // non-blank character, then seven numbers.
    std::string_view view(text);
    std::size_t letter = firstLineEnd;
    while (letter < view.size() && Blank(view[letter]))
        ++letter;
    if (letter >= view.size() || (view[letter] != 'A' && view[letter] != 'C'))
        return false;
    bool subtractOne = view[letter] == 'C';
    gDlsData = true;
    TokenStream header(view, letter + 1);
    double h[7] = {};
    bool tooLarge = false;
    for (double& value : h)
        value = header.NextNumber(tooLarge);
    // Every header field is kept in single precision (the time as whole seconds); a value beyond
    // that range is a damaged file rather than an infinity in the record.
    for (double value : h)
        if (!FitsFloat(value))
            return false;
    float temperature = static_cast<float>(std::trunc(h[0]));
    record->temperature = temperature == 0.0f ? 0.0f : temperature; // -0.5 is held as 0, not -0
    record->time = h[1];
    record->countRate = static_cast<float>(h[2]);
    record->refractiveIndex = static_cast<float>(h[3]);
    record->viscosity = static_cast<float>(h[4]);
    record->angle = static_cast<float>(h[5]);
    record->wavelength = static_cast<float>(h[6]);

    std::size_t rowsBegin = header.Position();
    std::size_t rowsEnd = RowsEnd(view, rowsBegin);
    int rowLines = CountRowLines(view, rowsBegin, rowsEnd);
    TokenStream rows(view.substr(0, rowsEnd), rowsBegin);
    std::vector<float> lagLog, value;
    for (int row = 0; row < rowLines; ++row) {
        std::string_view lagWord, valueWord;
        if (!rows.Next(lagWord) || !rows.Next(valueWord))
            break; // a row cut short at the end of the file
        bool big = false;
        double lag = LeadingNumber(lagWord, &big);
        double y = LeadingNumber(valueWord, &big);
        if (big || !(lag > 0.0) || !FitsFloat(lag) || !FitsFloat(y))
            return false;
        lagLog.push_back(static_cast<float>(std::log10(lag)));
        value.push_back(static_cast<float>(y));
    }
    if (lagLog.empty())
        return false;

    if (subtractOne)
        for (float& y : value)
            y -= 1.0f;
    if (!keepIntensity)
        for (float& y : value)
            y = SignedRoot(y);
    record->isFieldAcf = !keepIntensity;
    *count = static_cast<int>(lagLog.size());
    record->pointCount = *count;
    *lags = OneBased(lagLog);
    *values = OneBased(value);
    *output = read;
    return true;
}
