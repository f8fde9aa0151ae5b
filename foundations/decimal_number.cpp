#include "foundations/decimal_number.h"

#include "foundations/c_locale.h"
#include "foundations/text_lines.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>
#include <system_error>

namespace {

bool Digit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

std::optional<double> DecimalNumber(std::string_view text) {
    text = WithoutBlanks(text);
    std::size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '+' || text[0] == '-'))
        ++i;
    // Only decimal forms: a digit, or a point and a digit, starts the number.
    if (i >= text.size() ||
        !(Digit(text[i]) || (text[i] == '.' && i + 1 < text.size() && Digit(text[i + 1]))))
        return std::nullopt;
    const char* const last = text.data() + text.size();
    double value = 0.0;
    const auto [end, ec] =
        std::from_chars(text.data() + i, last, value, std::chars_format::general);
    if (end != last)
        return std::nullopt;
    if (ec == std::errc::result_out_of_range) {
        // Beyond the double range one way or the other: the C library tells which.
        CLocaleScope cLocale;
        value = std::strtod(std::string(text.substr(i)).c_str(), nullptr);
        if (!std::isfinite(value))
            return std::nullopt;
    } else if (ec != std::errc()) {
        return std::nullopt;
    }
    return negative ? -value : value;
}
