// Formatting and reading numbers in the C locale whatever the program's locale is.
#pragma once

#include <clocale>
#include <cstdlib>
#include <locale.h>

// While alive, the calling thread formats and reads numbers in the C locale.
class CLocaleScope {
  public:
    CLocaleScope() {
        static locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
        previous_ = cLocale ? uselocale(cLocale) : static_cast<locale_t>(0);
    }
    ~CLocaleScope() {
        if (previous_)
            uselocale(previous_);
    }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

  private:
    locale_t previous_;
};

// The number text starts with, read in the C locale (a point before the decimals whatever the
// user's locale); 0 when it starts with none.
inline double NumberInCLocale(const char* text) {
    CLocaleScope c;
    return std::strtod(text, nullptr);
}
