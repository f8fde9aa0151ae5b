// Reading the program's own light-scattering file: title line, type and header line, lag-value
// rows.
#include "foundations/c_locale.h"
#include "foundations/nr_arrays.h"
#include "tools/dls_acf_conversion.h"
#include "tools/dls_data.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

// The whole file with CR LF read as LF, as a text-mode read gives it; false when it cannot be
// opened.
bool ReadWholeFile(const char* path, std::string& text) {
    std::FILE* file = std::fopen(path, "rb");
    if (!file)
        return false;
    std::string raw;
    char chunk[65536];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        raw.append(chunk, got);
    std::fclose(file);
    text.clear();
    text.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i)
        if (!(raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n'))
            text += raw[i];
    return true;
}

bool TitleCharacter(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') ||
           std::strchr(" #\\_/:,.", c) != nullptr;
}

bool Blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Blank-separated words from a position on, as a stream reads them.
class Words {
  public:
    Words(std::string_view text, std::size_t pos) : text_(text), pos_(pos) {}
    bool Next(std::string_view& word) {
        while (pos_ < text_.size() && Blank(text_[pos_]))
            ++pos_;
        if (pos_ >= text_.size())
            return false;
        std::size_t start = pos_;
        while (pos_ < text_.size() && !Blank(text_[pos_]))
            ++pos_;
        word = text_.substr(start, pos_ - start);
        return true;
    }
    // The next word as a number; a word that is not one reads as 0. False when none is left.
    bool Number(double& value) {
        std::string_view word;
        if (!Next(word))
            return false;
        std::string copy(word.substr(0, 100));
        value = std::strtod(copy.c_str(), nullptr);
        return true;
    }
    std::size_t Position() const { return pos_; }

  private:
    std::string_view text_;
    std::size_t pos_;
};

// Where the rows end: the start of the first line after pos that begins with '0', else the end.
std::size_t RowsEnd(std::string_view text, std::size_t pos) {
    for (std::size_t lf = text.find('\n', pos); lf != std::string_view::npos;
         lf = text.find('\n', lf + 1))
        if (lf + 1 < text.size() && text[lf + 1] == '0')
            return lf + 1;
    return text.size();
}

// Lines of [begin, end) that hold more than blanks.
int RowLines(std::string_view text, std::size_t begin, std::size_t end) {
    int rows = 0;
    bool content = false;
    for (std::size_t i = begin; i < end; ++i) {
        if (text[i] == '\n') {
            rows += content ? 1 : 0;
            content = false;
        } else if (!Blank(text[i])) {
            content = true;
        }
    }
    return rows + (content ? 1 : 0);
}

float* OneBased(const std::vector<float>& values) {
    long n = static_cast<long>(values.size());
    float* out = vector(1, n);
    std::memcpy(out + 1, values.data(), values.size() * sizeof(float));
    return out;
}

} // namespace

// The rows are read as pairs of blank-separated words, as many pairs as there are row lines up
// to a line that begins with '0'. Every complete pair is kept, so a file written by the program
// reads back with all its points; a lag that is not a positive number would give log10 of zero
// or less in the radius array, so such a file is refused. Checked against hand-made files and
// writer round trips in the tool tests.
bool ReadDlsGeneric(const char* path, DlsRecord* record, int* count, float** lags, float** values,
                    bool keepIntensity) {
    if (!path || !record || !count || !lags || !values)
        return false;
    std::string text;
    if (!ReadWholeFile(path, text) || text.empty())
        return false;
    CLocaleScope cLocale;

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
    Words header(view, letter + 1);
    double h[7] = {};
    for (double& value : h)
        header.Number(value);
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
    int rowLines = RowLines(view, rowsBegin, rowsEnd);
    Words rows(view.substr(0, rowsEnd), rowsBegin);
    std::vector<float> lagLog, value;
    for (int row = 0; row < rowLines; ++row) {
        double lag = 0.0, y = 0.0;
        if (!rows.Number(lag) || !rows.Number(y))
            break; // a row cut short at the end of the file
        if (!(lag > 0.0) || !std::isfinite(lag) || !std::isfinite(y))
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
    return true;
}
