// Reading and writing list files.
#include "scandata/list_file.h"

#include "foundations/text_lines.h"
#include "plat/atomic_file.hpp"
#include "scandata/scan_file.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <strings.h>

namespace {

constexpr const char* kStrideTag = "newformat n=";
constexpr std::size_t kStrideTagLength = 12;

// Removes the '%' comments. The rule stops at once when the text itself starts with '%'.
// Where the comment starts a line the line goes with it; after a name the line end stays, so the
// next name is not joined to this one (which would make both unreadable).
std::string RemoveComments(const std::string& text) {
    if (text.empty() || text[0] == '%')
        return text;
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] != '%') {
            out += text[i++];
            continue;
        }
        bool wholeLine = out.empty() || out.back() == '\n';
        std::size_t end = text.find('\n', i);
        if (end == std::string::npos)
            break;
        i = wholeLine ? end + 1 : end;
    }
    return out;
}

} // namespace

ListFileText ParseListText(std::string text) {
    ListFileText out;
    std::erase(text, '\r');
    if (text.size() >= kStrideTagLength &&
        strncasecmp(text.c_str(), kStrideTag, kStrideTagLength) == 0) {
        // The stride stands in at most four characters up to the line end.
        std::string digits = text.substr(kStrideTagLength, 4);
        digits = digits.substr(0, digits.find('\n'));
        int stride = std::atoi(digits.c_str());
        out.stride = stride < 1 ? 1 : stride;
        std::size_t end = text.find('\n');
        // The whole rest of the line, blanks aside, must be that number.
        std::string written =
            text.substr(kStrideTagLength,
                        end == std::string::npos ? std::string::npos : end - kStrideTagLength);
        while (!written.empty() && (written.back() == ' ' || written.back() == '\t'))
            written.pop_back();
        written.erase(0, std::min(written.size(), written.find_first_not_of(" \t")));
        out.strideValid = stride >= 1 && !written.empty() && written.size() <= 4 &&
                          written.find_first_not_of("0123456789") == std::string::npos;
        text.erase(0, end == std::string::npos ? text.size() : end + 1);
    } else {
        for (char& c : text)
            if (c == '_')
                c = '.';
    }
    for (std::string line : TextLines(RemoveComments(text))) {
        while (!line.empty() && (line.back() == ' ' || line.back() == '\t'))
            line.pop_back();
        if (!line.empty())
            out.strings.push_back(line);
    }
    return out;
}

ListReadResult ReadListFileText(const std::string& path, std::size_t limit, ListFileText& out) {
    std::string text;
    if (!ReadWholeFile(path.c_str(), &text))
        return ListReadResult::Unopenable;
    if (text.size() > limit)
        return ListReadResult::TooLong;
    out = ParseListText(std::move(text));
    return ListReadResult::Ok;
}

std::string ListText(int stride, const std::vector<std::string>& strings) {
    std::string text = "newformat n=" + std::to_string(stride) + "\n";
    for (const std::string& s : strings)
        text += s + "\n";
    return text;
}

namespace {

// What keeps s from standing on a line of a list file and reading back as written; null when
// nothing does.
const char* ListLineProblem(const std::string& s) {
    if (s.find('\n') != std::string::npos)
        return "where a line break ends a name";
    if (s.find('\r') != std::string::npos)
        return "where every carriage return is dropped";
    if (s.find('%') != std::string::npos)
        return "where a '%' starts a comment";
    if (s.empty() || s.back() == ' ' || s.back() == '\t')
        return "where blanks at a line end are dropped";
    return nullptr;
}

} // namespace

bool WriteListFile(const std::string& path, const ListFileText& list, std::string* why) {
    for (const std::string& s : list.strings) {
        if (const char* problem = ListLineProblem(s)) {
            if (why)
                *why = "\"" + s + "\" would not read back from a list file, " + problem;
            return false;
        }
    }
    const std::string text = ListText(list.stride, list.strings);
    // The reader has the last word: what it would not give back as written is not written.
    if (ParseListText(text).strings != list.strings) {
        if (why)
            *why = "the names would not read back from a list file";
        return false;
    }
    return plat::WriteFileAtomically(path, text);
}
