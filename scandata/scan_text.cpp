// Parsing of a scan file's text: description, header line and rows with merging and spike removal.
#include "scandata/scan_text.h"

#include "foundations/float_range.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string.h>

namespace {

bool IsBlank(char c) {
    // Tab, line feed, vertical tab, form feed and carriage return are 9 to 13.
    return c == ' ' || static_cast<unsigned char>(c - '\t') <= '\r' - '\t';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsTypeLetter(char c) {
    return c == 'R' || c == 'W' || c == 'I' || c == 'P' || c == 'F' || c == 'V';
}

bool IsDescriptionChar(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9'))
        return true;
    return std::strchr("[] _-#/\\:,.", c) != nullptr && c != '\0';
}

// A whole-number field: the fraction is dropped; false when it does not fit an i32.
bool ToInt32(double v, std::int32_t& out) {
    double t = std::trunc(v);
    if (!(t >= -2147483648.0 && t <= 2147483647.0))
        return false;
    out = static_cast<std::int32_t>(t);
    return true;
}

// The text after key in description, read as a number; missing keys leave value unchanged.
bool ValueAfter(const char* description, const char* key, double& value) {
    const char* at = std::strstr(description, key);
    if (!at)
        return false;
    value = LeadingNumber(at + std::strlen(key));
    return true;
}

void KeepDescription(std::string_view line1, ScanHeader& header) {
    std::size_t n = line1.size() < 99 ? line1.size() : 99;
    std::size_t kept = 0;
    while (kept < n && IsDescriptionChar(line1[kept]))
        ++kept;
    std::memcpy(header.description, line1.data(), kept);
    header.description[kept] = '\0';
}

} // namespace

bool TokenStream::Next(std::string_view& token) {
    while (pos_ < text_.size() && IsBlank(text_[pos_]))
        ++pos_;
    if (pos_ >= text_.size())
        return false;
    std::size_t start = pos_;
    while (pos_ < text_.size() && !IsBlank(text_[pos_]))
        ++pos_;
    token = text_.substr(start, pos_ - start);
    return true;
}

double TokenStream::NextNumber(bool& tooLarge) {
    double value = 0.0;
    bool isNumber = false;
    NextNumber(value, isNumber, tooLarge);
    return value;
}

bool TokenStream::NextNumber(double& value, bool& isNumber, bool& tooLarge) {
    // One pass over the token: the number at its start, then on to its end. Only a number out
    // of the double range takes the token a second time.
    const char* const data = text_.data();
    const char* const end = data + text_.size();
    const char* p = data + pos_;
    while (p < end && IsBlank(*p))
        ++p;
    value = 0.0;
    isNumber = false;
    if (p == end) {
        pos_ = text_.size();
        return false;
    }
    const char* const start = p;
    const bool negative = *p == '-';
    if (*p == '+' || *p == '-')
        ++p;
    bool reread = false;
    if (p < end && (IsDigit(*p) || (*p == '.' && p + 1 < end && IsDigit(p[1])))) {
        isNumber = true;
        auto [stop, ec] = std::from_chars(p, end, value, std::chars_format::general);
        if (ec == std::errc()) {
            value = negative ? -value : value;
            p = stop;
        } else {
            reread = true;
        }
    }
    while (p < end && !IsBlank(*p))
        ++p;
    pos_ = static_cast<std::size_t>(p - data);
    if (reread) {
        bool big = false;
        value = LeadingNumber(std::string_view(start, static_cast<std::size_t>(p - start)), &big);
        tooLarge = tooLarge || big;
    }
    return true;
}

std::size_t RowsEnd(std::string_view text, std::size_t pos) {
    std::size_t lineStart = pos;
    while (lineStart < text.size()) {
        if (text[lineStart] == '0')
            return lineStart;
        std::size_t lf = text.find('\n', lineStart);
        if (lf == std::string_view::npos)
            break;
        lineStart = lf + 1;
    }
    return text.size();
}

int CountRowLines(std::string_view text, std::size_t begin, std::size_t end) {
    // Line by line: the blanks in front of a line's first character, then a jump to its line
    // feed. A load counts every scan's rows before reading them, so each character is not
    // looked at one by one.
    int rows = 0;
    const char* p = text.data() + std::min(begin, text.size());
    const char* const last = text.data() + std::min(end, text.size());
    while (p < last) {
        while (p < last && *p != '\n' && IsBlank(*p))
            ++p;
        if (p == last)
            break;
        if (*p != '\n')
            ++rows;
        const void* lf = std::memchr(p, '\n', static_cast<std::size_t>(last - p));
        if (!lf)
            break;
        p = static_cast<const char*>(lf) + 1;
    }
    return rows;
}

namespace {

enum class Layout { NColumns, ThreeKept, Interference, Absorbance };

} // namespace

double LeadingNumber(std::string_view text, bool* tooLarge) {
    if (tooLarge)
        *tooLarge = false;
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Only decimal forms: a digit, or a point followed by a digit.
    if (i >= text.size())
        return 0.0;
    bool digit = text[i] >= '0' && text[i] <= '9';
    bool pointDigit =
        text[i] == '.' && i + 1 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '9';
    if (!digit && !pointDigit)
        return 0.0;
    // Hexadecimal "0x..." reads as its leading 0, as a decimal reader sees it.
    double value = 0.0;
    const char* first = text.data() + i;
    const char* last = text.data() + text.size();
    auto [end, ec] = std::from_chars(first, last, value, std::chars_format::general);
    if (ec == std::errc::result_out_of_range) {
        // Underflow reads as 0; overflow is reported.
        std::string_view rest(first, static_cast<std::size_t>(last - first));
        std::size_t e = rest.find_first_of("eE");
        bool negativeExponent =
            e != std::string_view::npos && e + 1 < rest.size() && rest[e + 1] == '-';
        if (negativeExponent)
            return 0.0;
        if (tooLarge)
            *tooLarge = true;
        return negative ? -std::numeric_limits<double>::max() : std::numeric_limits<double>::max();
    }
    if (ec != std::errc())
        return 0.0;
    return negative ? -value : value;
}

std::string ScanTextErrorText(ScanTextError error, const ScanTextResult& result) {
    switch (error) {
    case ScanTextError::None:
        return "";
    case ScanTextError::NoHeaderLine:
        return "the file has no header line";
    case ScanTextError::BadTypeLetter:
        return "the data type letter of line 2 is not one of R, W, I, V, P, F";
    case ScanTextError::NumberTooLarge:
        return "a header field or data value is not a finite number in single precision";
    case ScanTextError::NoRows:
        return "the file holds no data point";
    case ScanTextError::RowNotANumber:
        return "a data row holds a radius or value that is not a number";
    case ScanTextError::RadiusGoesBack: {
        char text[200];
        std::snprintf(text, sizeof text,
                      "line %d goes back to the radius %.4f cm from %.4f cm before it; the radii "
                      "of a scan must rise",
                      result.badLine, double(result.badRadius), double(result.radiusBefore));
        return text;
    }
    }
    return "";
}

namespace {

// Line 1: description, tags, meniscus.
void ReadFirstLine(std::string_view text, std::size_t lf, ScanHeader& header,
                   ScanTextResult& result) {
    KeepDescription(text.substr(0, lf), header);
    result.tagFound = std::strstr(header.description, "[TIMESTAMP CORRECTED") != nullptr ||
                      std::strstr(header.description, "[T OK]") != nullptr;
    header.timeStampChecked = result.tagFound;
    header.descriptionMeniscus = 0.0f;
    // memmem rather than find: find stops at every blank of the rows to compare the marker.
    static constexpr std::string_view kMarker = " - meniscus";
    const void* at = memmem(text.data(), text.size(), kMarker.data(), kMarker.size());
    if (at) {
        const std::size_t marker =
            static_cast<std::size_t>(static_cast<const char*>(at) - text.data());
        // The number is written six characters wide in front of the marker; a marker near the
        // start of the text must not send the read in front of it.
        std::size_t start = marker >= 6 ? marker - 6 : 0;
        bool big = false;
        double m = LeadingNumber(text.substr(start), &big);
        header.descriptionMeniscus = (!big && FitsFloat(m)) ? static_cast<float>(m) : 0.0f;
    }
}

// The header's numbers after the type letter, by the layout of the mode; false when one is too
// large for its field.
bool ReadHeaderNumbers(char letter, TokenStream& tokens, const ScanTextOptions& options,
                       ScanHeader& header, ScanTextResult& result) {
    bool tooLarge = false;
    bool fitsInt = true;
    if (!options.electrophoresis) {
        result.intensity = letter == 'I' || letter == 'V';
        result.absorbance = letter == 'R' || letter == 'W';
        result.interference = letter == 'P';
        result.fluorescence = letter == 'F';
        result.spikeThreshold = result.absorbance     ? options.spikeLevel
                                : result.fluorescence ? options.spikeLevelFluorescence
                                                      : 0.0f;
        header.dataType = letter;
        fitsInt = ToInt32(tokens.NextNumber(tooLarge), header.cell) && fitsInt;
        double temperature = tokens.NextNumber(tooLarge);
        double rpm = tokens.NextNumber(tooLarge);
        header.time = tokens.NextNumber(tooLarge);
        header.omega2t = tokens.NextNumber(tooLarge);
        double wavelength = tokens.NextNumber(tooLarge);
        fitsInt = ToInt32(tokens.NextNumber(tooLarge), header.lastHeaderNumber) && fitsInt;
        if (!FitsFloat(temperature) || !FitsFloat(rpm) || !FitsFloat(wavelength) ||
            !FitsFloat(header.time) || !FitsFloat(header.omega2t))
            tooLarge = true;
        header.temperature = static_cast<float>(temperature);
        header.rotorSpeed = static_cast<float>(rpm);
        header.wavelength = static_cast<float>(wavelength);
        header.originalTime = header.time;
        header.readTime = header.time;
        // A linear ramp from rest explains the gap between clock time and omega^2 t time. A
        // header without a speed (rpm 0 or no number) has no ramp to infer.
        if (header.rotorSpeed > 0.0f) {
            double rpm2 = static_cast<double>(header.rotorSpeed) * header.rotorSpeed;
            header.accelerationTime = 1.5 * (header.time - header.omega2t * 91.189065278104 / rpm2);
            header.accelerationRate = header.accelerationTime > 0.0
                                          ? header.rotorSpeed / header.accelerationTime
                                          : 1000000.0;
        } else {
            header.accelerationTime = 0.0;
            header.accelerationRate = 1000000.0;
        }
    } else {
        header.dataType = letter;
        tokens.NextNumber(tooLarge);
        header.time = tokens.NextNumber(tooLarge);
        header.omega2t = header.time;
        double wavelength = tokens.NextNumber(tooLarge);
        fitsInt = ToInt32(tokens.NextNumber(tooLarge), header.lastHeaderNumber) && fitsInt;
        tokens.NextNumber(tooLarge);
        if (!FitsFloat(wavelength) || !FitsFloat(header.time))
            tooLarge = true;
        header.wavelength = static_cast<float>(wavelength);
        header.cell = 0;
        header.temperature = 20.0f;
        header.rotorSpeed = 1.0f;
        header.originalTime = header.time;
        header.readTime = header.time;
        header.accelerationRate = 1000000.0;
        header.accelerationTime = 0.0;
    }
    return !(tooLarge || !fitsInt);
}

// The voltage, gain and range of a fluorescence scan, read from its description.
void ReadFluorescenceHeader(char letter, const ScanTextOptions& options, ScanHeader& header) {
    header.isFluorescence = false;
    header.voltage = 0.0f;
    header.gain = 0;
    header.range = 0;
    if (letter == 'F' && !options.electrophoresis) {
        header.isFluorescence = true;
        header.timeStampChecked = true;
        double v = 0.0;
        if (ValueAfter(header.description, "Voltage: ", v) && FitsFloat(v))
            header.voltage = static_cast<float>(v);
        std::int32_t n = 0;
        if (ValueAfter(header.description, "Gain: ", v) && ToInt32(v, n))
            header.gain = n;
        if (ValueAfter(header.description, "Range: ", v) && ToInt32(v, n))
            header.range = n;
    }
}

Layout ChooseLayout(const ScanTextOptions& options, const ScanHeader& header,
                    const ScanTextResult& result) {
    Layout layout;
    if (options.nColumnsMode)
        layout = Layout::NColumns;
    else if ((header.lastHeaderNumber >= 2 && options.wantThirdColumn && !result.interference) ||
             result.intensity || result.fluorescence || options.electrophoresis)
        layout = Layout::ThreeKept;
    else if (result.interference)
        layout = Layout::Interference;
    else
        layout = Layout::Absorbance;
    return layout;
}

// How the rows are read: their layout, the columns of a row, whether the third is kept, the
// spike filter and the averaging width.
struct RowReading {
    Layout layout = Layout::Absorbance;
    int columns = 3;
    bool keepThird = false;
    bool spikeFilter = false;
    float threshold = 0.0f;
    float width = 0.0f;
};

// The rows into result's radius, value and third column: averaged over the width, spikes
// replaced, rows going back refused.
ScanTextError ReadRows(std::string_view text, TokenStream& rows, int rowLines,
                       const RowReading& how, ScanTextResult& result) {
    const Layout layout = how.layout;
    const int columns = how.columns;
    const bool keepThird = how.keepThird;
    const bool spikeFilter = how.spikeFilter;
    const float threshold = how.threshold;
    const float width = how.width;
    std::vector<float>& r = result.radius;
    std::vector<float>& v = result.value;
    std::vector<float>& t3 = result.third;
    r.reserve(static_cast<std::size_t>(rowLines));
    v.reserve(static_cast<std::size_t>(rowLines));
    if (keepThird)
        t3.reserve(static_cast<std::size_t>(rowLines));
    // Radii rise from row to row, or stay: rows that go back are refused, never averaged into a
    // radius that was not measured. Rows of radius 0 after the data are the padding that the
    // two-column and plain absorbance layouts cut off; elsewhere they go back as any row does.
    const bool zeroPadding = layout == Layout::Interference || layout == Layout::Absorbance;
    float before = -std::numeric_limits<float>::infinity(); // the last row's radius kept
    std::size_t paddingAt = 0; // where the first zero row after the data stands, if any
    auto refuseBack = [&](std::size_t at, float radius) {
        result.badLine = 1 + static_cast<int>(std::count(text.begin(), text.begin() + at, '\n'));
        result.badRadius = radius;
        result.radiusBefore = before;
        return ScanTextError::RadiusGoesBack;
    };
    float reference = 0.0f; // first radius of the current group
    int merged = 1;         // rows in the current group
    for (int row = 0; row < rowLines; ++row) {
        double dr = 0.0, dv = 0.0;
        bool isNumber = false, big = false;
        if (!rows.NextNumber(dr, isNumber, big))
            break; // rows shorter than the layout ran out of numbers: nothing more to read
        const std::size_t radiusAt = rows.Position();
        // Radius and value must be numbers: a row of words is a damaged file, not a point at 0.
        // A last row cut short at the end of the text is not read, as before.
        if (!isNumber)
            return ScanTextError::RowNotANumber;
        if (!rows.NextNumber(dv, isNumber, big))
            break;
        if (!isNumber)
            return ScanTextError::RowNotANumber;
        double d3 = 0.0;
        if (columns >= 3)
            d3 = rows.NextNumber(big);
        for (int c = 4; c <= columns; ++c) {
            std::string_view skipped;
            if (!rows.Next(skipped))
                break;
        }
        if (big || !FitsFloat(dr) || !FitsFloat(dv) || !FitsFloat(d3))
            return ScanTextError::NumberTooLarge;
        float nr = static_cast<float>(dr);
        float nv = static_cast<float>(dv);
        float n3 = keepThird ? static_cast<float>(d3) : 0.0f;

        if (nr < before) {
            if (!(zeroPadding && nr == 0.0f))
                return refuseBack(radiusAt, nr);
            if (paddingAt == 0)
                paddingAt = radiusAt;
            continue;
        }
        if (paddingAt != 0) // the zero row was not padding: it went back
            return refuseBack(paddingAt, 0.0f);
        before = nr;

        std::size_t kept = r.size();
        if (width > 0.0f && kept > 0 && nr < reference + width) {
            // Running mean of the group, in the previous point's slot; taken in double, since
            // m x old can leave the float range even where the mean does not.
            double m = merged;
            auto mean = [m](float old, float add) {
                return static_cast<float>((m * old + add) / (m + 1.0));
            };
            r[kept - 1] = mean(r[kept - 1], nr);
            v[kept - 1] = mean(v[kept - 1], nv);
            if (keepThird)
                t3[kept - 1] = mean(t3[kept - 1], n3);
            ++merged;
            continue;
        }
        merged = 1;
        reference = nr;
        // From the fourth point on: a point that jumps away from both neighbours is a spike and
        // the new row takes its place.
        if (spikeFilter && kept + 1 >= 4 && std::fabs(v[kept - 1] - v[kept - 2]) > threshold &&
            std::fabs(nv - v[kept - 1]) > threshold) {
            r[kept - 1] = nr;
            v[kept - 1] = nv;
            if (keepThird)
                t3[kept - 1] = n3;
            continue;
        }
        r.push_back(nr);
        v.push_back(nv);
        if (keepThird)
            t3.push_back(n3);
    }
    return ScanTextError::None;
}

} // namespace

ScanTextError ParseScanText(std::string_view text, const ScanTextOptions& options,
                            ScanHeader& header, ScanTextResult& result) {
    result = ScanTextResult{};
    std::size_t lf = text.find('\n');
    if (lf == std::string_view::npos)
        return ScanTextError::NoHeaderLine;
    ReadFirstLine(text, lf, header, result);

    // The type letter: the next character after line 1 that is not blank.
    std::size_t pos = lf + 1;
    while (pos < text.size() && IsBlank(text[pos]))
        ++pos;
    if (pos >= text.size() || !IsTypeLetter(text[pos]))
        return ScanTextError::BadTypeLetter;
    char letter = text[pos];
    TokenStream tokens(text, pos + 1);
    if (!ReadHeaderNumbers(letter, tokens, options, header, result))
        return ScanTextError::NumberTooLarge;
    ReadFluorescenceHeader(letter, options, header);

    // The rows: the lines after the header's last field up to a line beginning with '0' (no
    // such end in electrophoresis mode). Counting the row lines themselves keeps a last row
    // without a line feed and the row in front of a '0' line.
    std::size_t headerEnd = text.find('\n', tokens.Position());
    std::size_t rowsBegin = headerEnd == std::string_view::npos ? text.size() : headerEnd + 1;
    std::size_t rowsEnd = options.electrophoresis ? text.size() : RowsEnd(text, rowsBegin);
    int rowLines = CountRowLines(text, rowsBegin, rowsEnd);
    std::string_view rowText = text.substr(0, rowsEnd);
    TokenStream rows(rowText, rowsBegin);

    RowReading how;
    how.layout = ChooseLayout(options, header, result);
    const Layout layout = how.layout;
    how.keepThird = layout == Layout::ThreeKept;
    how.columns = layout == Layout::NColumns       ? (options.nColumns > 2 ? options.nColumns : 2)
                  : layout == Layout::Interference ? 2
                                                   : 3;
    how.spikeFilter = options.dropSpikes && (result.absorbance || result.fluorescence) &&
                      (!options.electrophoresis || options.nColumnsMode);
    how.threshold = result.spikeThreshold;
    how.width = options.averagingWidth;

    const bool keepThird = how.keepThird;
    const ScanTextError rowError = ReadRows(text, rows, rowLines, how, result);
    if (rowError != ScanTextError::None)
        return rowError;
    std::vector<float>& r = result.radius;
    std::vector<float>& v = result.value;

    if (layout == Layout::Interference || layout == Layout::Absorbance) {
        while (!r.empty() && r.back() == 0.0f) {
            r.pop_back();
            v.pop_back();
        }
    }
    if (r.empty())
        return ScanTextError::NoRows;

    if (options.electrophoresis) {
        for (float& x : v)
            if (x > 0.0f)
                x = static_cast<float>(std::log10(1000.0 / x));
        header.dataType = 'R';
        result.absorbance = true;
    }
    if (result.fluorescence)
        result.absorbance = true;
    result.thirdKept = keepThird;
    header.rowCount = static_cast<std::int32_t>(r.size());
    return ScanTextError::None;
}

bool ScanNumber(std::string_view text, std::size_t& pos, double& value) {
    std::size_t i = pos;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    std::size_t start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    bool digit = i < text.size() && text[i] >= '0' && text[i] <= '9';
    bool pointDigit =
        i + 1 < text.size() && text[i] == '.' && text[i + 1] >= '0' && text[i + 1] <= '9';
    if (!digit && !pointDigit)
        return false;
    double v = 0.0;
    auto [end, ec] =
        std::from_chars(text.data() + i, text.data() + text.size(), v, std::chars_format::general);
    if (ec == std::errc::invalid_argument)
        return false;
    if (ec == std::errc::result_out_of_range)
        v = LeadingNumber(text.substr(i));
    value = text[start] == '-' ? -v : v;
    pos = static_cast<std::size_t>(end - text.data());
    return true;
}
