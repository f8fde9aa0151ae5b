// A number asked in a box that must also lie in a range: a refused entry is named in a box of
// the same caption and asked again with the refused value shown.
#pragma once

class TXLAWindow;

// The values an entry may take: finite, above lo (from lo when lowClosed), and up to hi.
struct Allowed {
    double lo;
    bool lowClosed = false;
    double hi = 3.4e38;
};
constexpr Allowed kPositive{0.0};
constexpr Allowed kNotNegative{0.0, true};
constexpr Allowed kAboveAbsoluteZero{-273.15}; // C
constexpr Allowed kPercent{0.0, true, 100.0};

// True with value set when an allowed number was entered, false on Cancel.
bool AskAllowed(TXLAWindow* window, float& value, float defaultValue, const char* prompt,
                const char* caption, Allowed allowed);
