// Reading a number that a file or a box holds as text, whatever the program's locale is.
#pragma once

#include <optional>
#include <string_view>

// The number text holds when it is one decimal number and nothing else (blanks around it
// allowed), read in the C locale: "1,05", "1.05abc", "1 05", "0x10", "inf", "nan" and "1e999"
// hold none. A number too small for a double ("1e-400") reads as 0.
std::optional<double> DecimalNumber(std::string_view text);
