// The error box. Until the window layer is on main, the box is written to standard error and kept
// in a small log that the tests read.
#include "foundations/show_error.h"

#include "foundations/error_box_log.h"

#include <cstdio>

namespace {
std::vector<ErrorBoxEntry>& Log() {
    static std::vector<ErrorBoxEntry> log;
    return log;
}
} // namespace

void ShowError(const char* message, int fatal) {
    const char* text = message ? message : "";
    std::fprintf(stderr, "Error: %s\n", text);
    Log().push_back({text, fatal != 0});
}

std::vector<ErrorBoxEntry> TakeErrorBoxes() {
    std::vector<ErrorBoxEntry> out;
    out.swap(Log());
    return out;
}
