// Copies, folder searches with Windows wildcards, folders.
#include "plat/files.hpp"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace plat {

namespace {

bool Glob(const char* p, const char* n) {
    // Iterative match with one back-tracking point per '*'.
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*n) {
        if (*p == '?' || (*p && std::tolower(static_cast<unsigned char>(*p)) ==
                                    std::tolower(static_cast<unsigned char>(*n)))) {
            ++p;
            ++n;
        } else if (*p == '*') {
            star = p++;
            resume = n;
        } else if (star) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (*p == '*')
        ++p;
    return *p == '\0';
}

} // namespace

bool MatchWildcard(const std::string& pattern, const std::string& name) {
    if (Glob(pattern.c_str(), name.c_str()))
        return true;
    // "x.*" also finds "x" itself, as the folder search does on Windows.
    if (pattern.size() >= 2 && pattern.compare(pattern.size() - 2, 2, ".*") == 0 &&
        name.find('.') == std::string::npos)
        return Glob(pattern.substr(0, pattern.size() - 2).c_str(), name.c_str());
    return false;
}

std::vector<std::string> FindFiles(const std::string& dir, const std::string& pattern) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir.empty() ? "." : dir, ec)) {
        std::error_code ec2;
        if (!entry.is_regular_file(ec2))
            continue;
        std::string name = entry.path().filename().string();
        if (MatchWildcard(pattern, name))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool CopyFile(const std::string& from, const std::string& to, bool failIfExists) {
    std::error_code ec;
    if (!fs::is_regular_file(from, ec))
        return false;
    auto options = failIfExists ? fs::copy_options::none : fs::copy_options::overwrite_existing;
    return fs::copy_file(from, to, options, ec) && !ec;
}

bool MakeDir(const std::string& path) {
    std::error_code ec;
    fs::create_directory(path, ec);
    return fs::is_directory(path, ec);
}

bool SetCurrentDir(const std::string& path) {
    return chdir(path.c_str()) == 0;
}

bool IsFolder(const std::string& path) {
    std::error_code ec;
    return fs::is_directory(path, ec);
}

bool FileReadable(const std::string& path) {
    std::error_code ec;
    if (fs::is_directory(path, ec))
        return false;
    std::ifstream in(path, std::ios::binary);
    return in.good();
}

} // namespace plat
