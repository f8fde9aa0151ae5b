// Number input boxes: a modal box with a caption, a prompt and one edit field that accepts only
// a number, stored as a float. Each returns true when a valid number was confirmed (the result
// is written) and false on Cancel (the result is untouched).
#pragma once

class TWindow;

bool InputFloat(float* result, float defaultValue, bool showDefault, const char* prompt,
                const char* caption);
// Non-negative numbers only.
bool AskPositiveFloat(float* result, float defaultValue, bool showDefault, const char* prompt,
                      const char* caption);
bool InputFloatForWindow(TWindow* window, float* result, float defaultValue, bool showDefault,
                         const char* prompt, const char* caption);
bool InputPositiveFloat(TWindow* window, float* result, float defaultValue, bool showDefault,
                        const char* prompt, const char* caption);
// Any text, up to size - 1 characters into result.
bool InputText(char* result, int size, const char* prompt, const char* caption);

// A finite number in the C locale; 0 only when written with a leading digit zero, so letters
// alone, an empty text, "-0" and " 0" are refused. Trailing characters are allowed ("5 kDa").
bool IsFloatText(const char* text);
// As IsFloatText, and not negative.
bool IsPositiveFloatText(const char* text);
// The text a box starts with: "%f" above 0.01, "%e" otherwise.
void FormatInputDefault(float value, char* text, int size);
