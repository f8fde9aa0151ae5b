// The experiment file reader. Values after line 3 are taken by position; their keys in
// parentheses are not compared.
#include "app/experiment_file.h"

#include "app/load_all_data.h"
#include "foundations/decimal_number.h"
#include "foundations/float_range.h"
#include "foundations/sounds.h"
#include "foundations/text_lines.h"
#include "plat/paths.hpp"
#include "plat/window.hpp"
#include "scandata/fit_limits.h"
#include "scandata/scan_file.h"
#include "scandata/scan_store_alloc.h"
#include "scandata/scan_text.h"
#include "scandata/scan_user_messages.h"
#include "state/fit_control.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/window_services.h"

#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using S = ScanStore;

bool NumberAtStart(const std::string& line, double& value) {
    std::size_t pos = 0;
    return ScanNumber(line, pos, value);
}

// The value of a line as written: the text before its key in parentheses, without the blanks
// around it; the whole line, blanks aside, when that is empty.
std::string WrittenValue(const std::string& line) {
    const std::string value = line.substr(0, line.find('('));
    return std::string(WithoutBlanks(HasContent(value) ? value : line));
}

// "line <index + 1> of <path>".
std::string LineOf(std::size_t index, const char* path) {
    return "line " + std::to_string(index + 1) + " of " + path;
}

// What a line that is not read as written holds, for its box: " holds <its value>", or past the
// end of the file " is missing: the file ends before it".
std::string WhatLineHolds(const std::vector<std::string>& lines, std::size_t index) {
    if (index >= lines.size())
        return " is missing: the file ends before it";
    return " holds " + WrittenValue(lines[index]).substr(0, 40);
}

// The first line from index on that holds something: the type and each value are read past the
// white space before them, blank lines included. lines.size() when none does.
std::size_t ContentLineFrom(const std::vector<std::string>& lines, std::size_t index) {
    while (index < lines.size() && !HasContent(lines[index]))
        ++index;
    return index;
}

void InfoBox(const char* text) {
    PlayInfoSound();
    MessageBox(nullptr, text, "ERROR", MB_OK);
}

bool Switch(double value) {
    return std::floor(value) != 0.0;
}

// The name of the solution value at position k when no buffer or protein can have it: density
// and partial-specific volume above 0 and at most 10 (g/ml, ml/g), viscosity above 0 and at
// most 1000 Pa s, each above 0 as the float it is kept in. Null when the value is possible.
const char* ImpossibleSolutionValue(int k, double v) {
    switch (k) {
    case 1:
        return static_cast<float>(v) > 0.0f && v <= 10.0 ? nullptr : "buffer density (g/ml)";
    case 2:
        return static_cast<float>(v / 0.001002) > 0.0f && v <= 1000.0 ? nullptr
                                                                      : "buffer viscosity (Pa s)";
    case 3:
        return static_cast<float>(v) > 0.0f && v <= 10.0 ? nullptr
                                                         : "partial-specific volume (ml/g)";
    default:
        return nullptr;
    }
}

// The value at position k (1..18) takes its effect.
void ApplyValue(int k, double v) {
    float f = static_cast<float>(v);
    switch (k) {
    case 1:
        S::density = f;
        break;
    case 2:
        S::viscosity = static_cast<float>(v / 0.001002);
        break;
    case 3:
        S::vbar = f;
        S::vbarRho = S::density * S::vbar;
        break;
    case 4:
        ModelParameters::meniscus = f;
        break;
    case 5:
        ModelParameters::bottom = f;
        PackFitParameters();
        break;
    case 6:
        FitControl::maxMeniscus = f;
        break;
    case 7:
        FitControl::minMeniscus = f;
        break;
    case 8:
        FitControl::maxBottom = f;
        break;
    case 9:
        FitControl::minBottom = f;
        break;
    case 10:
        S::leftFitLimit = f;
        ApplyLeftFitLimit();
        break;
    case 11:
        S::rightFitLimit = f;
        ApplyRightFitLimit();
        break;
    case 12: // weight of the experiment: read, not used
    case 13: // experimental noise: read, not used
        break;
    case 14:
        ModelChoice::fitTINoise = Switch(v);
        break;
    case 15:
        ModelChoice::fitRINoise = Switch(v);
        break;
    case 16:
        ModelParameters::baselineFloat = Switch(v) ? 1 : 0;
        break;
    case 17:
        ModelParameters::bottomFloat = Switch(v) ? 1 : 0;
        break;
    case 18:
        ModelParameters::meniscusFloat = Switch(v) ? 1 : 0;
        break;
    default:
        break;
    }
}

} // namespace

void ReadXpExperiment(TXLAWindow* window, const char* path) {
    if (window)
        WindowServices::LeaveEqTestMode(window);
    std::string text;
    if (!path || !ReadWholeFile(path, &text)) {
        std::string message = std::string("could not open ") + (path ? path : "");
        InfoBox(message.c_str());
        return;
    }
    std::vector<std::string> lines = TextLines(WithoutByteOrderMark(text));
    // The type line; the title and the scan line are the two lines after it, whatever they hold.
    const std::size_t typeLine = ContentLineFrom(lines, 0);
    double type = 0.0;
    if (typeLine >= lines.size() || !NumberAtStart(lines[typeLine], type)) {
        InfoBox((typeLine >= lines.size()
                     ? std::string(path) + " is empty: nothing is loaded"
                     : LineOf(typeLine, path) + WhatLineHolds(lines, typeLine) +
                           ", not an experiment type: nothing is loaded")
                    .c_str());
        return;
    }
    if (type != 0.0) {
        InfoBox("can only load xp files from sedimentation velocity");
        return;
    }
    const std::size_t scanLine = typeLine + 2;
    std::string line3 = lines.size() > scanLine ? lines[scanLine] : std::string();
    if (line3.empty() || line3[0] != '"') {
        InfoBox("old XP-file format (use newer version of mirovan)");
        return;
    }
    // "folder" " name name ...": the folder runs to the next quote; the names group starts after
    // the quote, blank and quote that follow it and ends at the next quote.
    std::size_t folderEnd = line3.find('"', 1);
    std::size_t namesQuote =
        folderEnd == std::string::npos ? std::string::npos : line3.find('"', folderEnd + 1);
    std::size_t namesEnd =
        namesQuote == std::string::npos ? std::string::npos : line3.find('"', namesQuote + 1);
    if (namesEnd == std::string::npos) {
        // Without its closing quotes the line cannot say where folder and names end.
        InfoBox("old XP-file format (use newer version of mirovan)");
        return;
    }
    std::string folder = line3.substr(1, folderEnd - 1);
    if (!folder.empty() && folder[0] == '_') {
        std::string drive, dir;
        plat::SplitPath(path, &drive, &dir, nullptr, nullptr);
        folder = drive + dir + folder;
    }
    std::vector<std::string> names;
    std::string group = line3.substr(namesQuote + 1, namesEnd - namesQuote - 1);
    std::size_t start = 0;
    while (start < group.size()) {
        std::size_t end = group.find(' ', start);
        if (end == std::string::npos)
            end = group.size();
        if (end > start)
            names.push_back(group.substr(start, end - start));
        start = end + 1;
    }
    S::fileStride = 1;
    std::string selection = folder + '\0';
    for (const std::string& name : names)
        selection += name + '\0';
    selection += '\0';
    std::string caption = "SEDIMENTATION ANALYSIS -> " + folder + "/" +
                          (names.empty() ? std::string() : names[0]) + "...";
    if (window)
        WindowServices::PlatformWindow(window)->SetCursor(IDC_WAIT);
    const bool loaded = LoadAllData(window, selection.c_str(), caption);
    if (window)
        WindowServices::PlatformWindow(window)->SetCursor(IDC_ARROW);
    if (!loaded)
        return;
    std::size_t index = scanLine;
    for (int k = 1; k <= 18; ++k) {
        // Values stand by position, one a line, blank lines read past: the end of the file ends
        // the reading and says so, as a line that is not one number before its key ("1,05",
        // "1.05abc") or a number the parameters cannot hold (beyond single precision) does. The
        // values before it stay.
        index = ContentLineFrom(lines, index + 1);
        if (index >= lines.size()) {
            InfoBox((LineOf(index, path) + WhatLineHolds(lines, index) +
                     ", and the values from it on are not read")
                        .c_str());
            return;
        }
        const std::string written = WrittenValue(lines[index]);
        const std::optional<double> value = DecimalNumber(written);
        if (!value || !FitsFloat(*value) || (k == 2 && !FitsFloat(*value / 0.001002))) {
            InfoBox((LineOf(index, path) + WhatLineHolds(lines, index) +
                     ", not a value the analysis can take: it and the values after it are not read")
                        .c_str());
            return;
        }
        // A buffer or a protein that cannot exist is refused by name; the values before stay.
        if (const char* what = ImpossibleSolutionValue(k, *value)) {
            InfoBox((std::string(what) + " " + written.substr(0, 40) + " on " +
                     LineOf(index, path) + " is impossible")
                        .c_str());
            return;
        }
        ApplyValue(k, *value);
    }
}
