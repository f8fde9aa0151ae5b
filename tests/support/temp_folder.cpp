// Temporary folders and small file helpers for tests.
#include "temp_folder.h"

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdlib.h>
#include <sys/stat.h>

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tarnix_XXXXXX").string();
    char* made = mkdtemp(pattern.data());
    path_ = made ? made : pattern;
}

TempFolder::~TempFolder() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

std::string TempFolder::file(const std::string& name) const {
    return path_ + "/" + name;
}

std::string TempFolder::write(const std::string& name, const std::string& text) const {
    const std::string path = file(name);
    WriteTextFile(path, text);
    return path;
}

bool WriteTextFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out);
}

std::string ReadTextFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

bool SetFileSeconds(const std::string& path, long long seconds, long nanoseconds) {
    timespec times[2];
    times[0].tv_sec = static_cast<time_t>(seconds);
    times[0].tv_nsec = nanoseconds;
    times[1] = times[0];
    return utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}
