#include "support/fuzz_inputs.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <stdlib.h>

FuzzFolder::FuzzFolder() {
    std::error_code ec;
    std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ec)
                                     ? std::filesystem::path("/dev/shm")
                                     : std::filesystem::temp_directory_path();
    std::string pattern = (base / "tarnix_fuzz_XXXXXX").string();
    char* made = mkdtemp(pattern.data());
    path_ = made ? made : pattern;
}

FuzzFolder::~FuzzFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string MutateText(std::string text, std::mt19937& rng) {
    static const char* pieces[] = {
        "\n",     "\r\n",   "0",           " - meniscus",  "[T OK]",    "1e400",      "1e39", "-",
        ".",      "nan",    "inf",         "0x1p4",        "\0",        "R",          "P",    "F",
        "   ",    "\t",     "99999999999", "e+",           "Voltage: ", "Gain: 1e99", "\"",   "%",
        "-1e-45", "3.4e38", "1e-400",      "newformat n=", "A ",        "/"};
    int edits = 1 + static_cast<int>(rng() % 8);
    for (int e = 0; e < edits; ++e) {
        std::size_t at = text.empty() ? 0 : rng() % (text.size() + 1);
        switch (rng() % 6) {
        case 0: // flip a byte
            if (at < text.size())
                text[at] = static_cast<char>(rng() & 0xff);
            break;
        case 1: // delete a run
            if (at < text.size())
                text.erase(at, 1 + rng() % 16);
            break;
        case 2: { // insert a piece that the readers look for
            const char* p = pieces[rng() % (sizeof pieces / sizeof pieces[0])];
            text.insert(at, p[0] ? std::string(p) : std::string(1, '\0'));
            break;
        }
        case 3: // truncate
            text.resize(at);
            break;
        case 4: // duplicate a run
            if (at < text.size())
                text.insert(at, text.substr(at, 1 + rng() % 64));
            break;
        default: // random bytes
            for (int k = 0, n = 1 + static_cast<int>(rng() % 8); k < n; ++k)
                text.insert(text.begin() + static_cast<long>(std::min(at, text.size())),
                            static_cast<char>(rng() & 0xff));
            break;
        }
    }
    return text;
}

int FuzzInputCount(int shortRun) {
    const char* text = std::getenv("TARNIX_FUZZ_INPUTS");
    int n = text ? std::atoi(text) : 0;
    return n > 0 ? n : shortRun;
}

unsigned FuzzSeed(unsigned fixed) {
    const char* text = std::getenv("TARNIX_FUZZ_SEED");
    return text && *text ? static_cast<unsigned>(std::strtoul(text, nullptr, 10)) : fixed;
}
