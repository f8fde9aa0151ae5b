// The non-finite numbers of the files under a folder.
#include "support/finite_files.h"

#include "support/temp_folder.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>

namespace {

// A word that reads as a number, an infinity or a NaN (punctuation after it allowed, no letter
// or digit: "information" is a word) and is not finite in single precision.
bool NonFiniteWord(const std::string& word) {
    const char* start = word.c_str();
    char* end = nullptr;
    const double value = std::strtod(start, &end);
    if (end == start || std::fabs(value) <= std::numeric_limits<float>::max())
        return false;
    for (; *end != '\0'; ++end)
        if (std::isalnum(static_cast<unsigned char>(*end)))
            return false;
    return true;
}

} // namespace

std::vector<std::string> NonFiniteNumbersIn(const std::string& folder) {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file())
            continue;
        const std::string text = ReadTextFile(entry.path().string());
        std::string word;
        for (std::size_t i = 0; i <= text.size(); ++i) {
            const char c = i < text.size() ? text[i] : ' ';
            if (std::isspace(static_cast<unsigned char>(c)) || c == ',' || c == '=' || c == ';') {
                if (NonFiniteWord(word))
                    found.push_back(entry.path().filename().string() + ": " + word);
                word.clear();
            } else {
                word += c;
            }
        }
    }
    return found;
}
