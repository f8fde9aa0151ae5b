// Number input boxes and their validators.
#include "foundations/input_boxes.h"

#include "foundations/c_locale.h"
#include "foundations/decimal_number.h"
#include "foundations/sounds.h"
#include "plat/backend.hpp"
#include "plat/dialog.hpp"
#include "plat/msgbox.hpp"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace {

constexpr int kNumberBufferSize = 15; // the field takes at most 14 characters
constexpr int kTextBufferSize = 10000;

// The value of the text as the boxes store it: read as a double, then rounded to single.
float TextValue(const char* text) {
    CLocaleScope cLocale;
    return static_cast<float>(std::atof(text));
}

using Validator = bool (*)(const char*);

// Runs the box until a valid number or Cancel; a refused text beeps and shows the box again with
// the text as typed.
bool AskNumber(TWindow* owner, float* result, float defaultValue, bool showDefault,
               const char* prompt, const char* caption, const char* defaultCaption,
               Validator valid) {
    PlayQuestionSound();
    char text[kNumberBufferSize] = "";
    if (showDefault)
        FormatInputDefault(defaultValue, text, sizeof text);
    TInputDialog dialog(owner, caption ? caption : defaultCaption, prompt ? prompt : "", text,
                        kNumberBufferSize);
    for (;;) {
        if (dialog.Execute() != IDOK) {
            EmptyHook();
            return false;
        }
        if (valid(text))
            break;
        plat::GetBackend().beep(MB_ICONINFORMATION);
    }
    *result = TextValue(text);
    EmptyHook();
    return true;
}

} // namespace

// The text must be one decimal number and nothing else (blanks around it allowed), and finite in
// single precision: "1,5" or "5abc" is not read as its first digits, and "inf", "nan" or "1e40"
// never becomes a parameter. Every zero ("-0", "0.0", "1e-50") is a number.
bool IsFloatText(const char* text) {
    if (!text)
        return false;
    const std::optional<double> value = DecimalNumber(text);
    return value && std::isfinite(static_cast<float>(*value));
}

bool IsPositiveFloatText(const char* text) {
    return IsFloatText(text) && TextValue(text) >= 0.0f;
}

void FormatInputDefault(float value, char* text, int size) {
    CLocaleScope cLocale;
    double v = value;
    // A default too wide for the field in "%f" (1e8 and beyond) is shown in exponent form.
    int n = std::snprintf(text, static_cast<std::size_t>(size), v > 0.01 ? "%f" : "%e", v);
    if (n >= size)
        std::snprintf(text, static_cast<std::size_t>(size), "%e", v);
}

bool InputFloat(float* result, float defaultValue, bool showDefault, const char* prompt,
                const char* caption) {
    return AskNumber(nullptr, result, defaultValue, showDefault, prompt, caption, "enter float",
                     IsFloatText);
}

bool AskPositiveFloat(float* result, float defaultValue, bool showDefault, const char* prompt,
                      const char* caption) {
    return AskNumber(nullptr, result, defaultValue, showDefault, prompt, caption,
                     "enter positive float", IsPositiveFloatText);
}

bool InputFloatForWindow(TWindow* window, float* result, float defaultValue, bool showDefault,
                         const char* prompt, const char* caption) {
    return AskNumber(window, result, defaultValue, showDefault, prompt, caption, "enter float",
                     IsFloatText);
}

bool InputPositiveFloat(TWindow* window, float* result, float defaultValue, bool showDefault,
                        const char* prompt, const char* caption) {
    return AskNumber(window, result, defaultValue, showDefault, prompt, caption,
                     "enter positive float", IsPositiveFloatText);
}

bool InputText(char* result, int size, const char* prompt, const char* caption) {
    PlayQuestionSound();
    static char text[kTextBufferSize];
    text[0] = '\0';
    TInputDialog dialog(nullptr, caption ? caption : "enter float", prompt ? prompt : "", text,
                        kTextBufferSize);
    if (dialog.Execute() != IDOK)
        return false;
    if (result && size > 0) {
        std::strncpy(result, text, static_cast<std::size_t>(size - 1));
        result[size - 1] = '\0';
    }
    return true;
}
