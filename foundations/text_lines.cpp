// Line helpers shared by the numeric text file readers.
#include "foundations/text_lines.h"

#include <cctype>

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

int CountContentLines(std::FILE* f) {
    int count = 0;
    std::string line;
    while (ReadLine(f, line))
        if (HasContent(line))
            ++count;
    return count;
}
