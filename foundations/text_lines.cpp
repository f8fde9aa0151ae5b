// Line helpers shared by the numeric text file readers and writers.
#include "foundations/text_lines.h"

#include <cctype>
#include <cstdarg>

void SkipLine(std::FILE* f) {
    int c;
    while ((c = std::fgetc(f)) != EOF && c != '\n') {
    }
}

bool ReadLine(std::FILE* f, std::string& line) {
    line.clear();
    int c;
    bool any = false;
    while ((c = std::fgetc(f)) != EOF) {
        any = true;
        if (c == '\n')
            break;
        line.push_back(static_cast<char>(c));
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return any;
}

bool HasContent(const std::string& line) {
    for (char c : line)
        if (!std::isspace(static_cast<unsigned char>(c)))
            return true;
    return false;
}

std::string_view WithoutBlanks(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

int CountContentLines(std::FILE* f) {
    int count = 0;
    std::string line;
    while (ReadLine(f, line))
        if (HasContent(line))
            ++count;
    return count;
}

void AppendFormat(std::string& out, const char* format, ...) {
    char buffer[512];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n > 0)
        out.append(buffer, static_cast<std::size_t>(n) < sizeof buffer ? n : sizeof buffer - 1);
}

std::vector<std::string> TextLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string line(text.substr(start, end - start));
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

std::string_view WithoutByteOrderMark(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    return text;
}

std::string_view NotPlainText(std::string_view text) {
    if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF") ||
        text.find('\0') != std::string_view::npos)
        return "it is not plain text (UTF-16 or binary)";
    for (std::size_t cr = text.find('\r'); cr != std::string_view::npos;
         cr = text.find('\r', cr + 1))
        if (cr + 1 < text.size() && text[cr + 1] != '\n')
            return "its lines end in a carriage return alone";
    return {};
}
