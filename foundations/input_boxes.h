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

// Wholly one decimal number in the C locale (blanks around it allowed), finite in single
// precision; any zero is accepted. "5 kDa", "1,5", "inf" and an empty text are refused.
bool IsFloatText(const char* text);
// As IsFloatText, and not negative.
bool IsPositiveFloatText(const char* text);
// The text a box starts with: "%f" above 0.01, "%e" otherwise.
void FormatInputDefault(float value, char* text, int size);
