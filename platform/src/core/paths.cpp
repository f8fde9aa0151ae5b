// Splitting and joining Windows-style paths, and mapping them to native ones.
#include "plat/paths.hpp"

#include <cctype>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace plat {

namespace {
bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}
bool HasDrive(const std::string& p) {
    return p.size() >= 2 && p[1] == ':' && std::isalpha(static_cast<unsigned char>(p[0]));
}
} // namespace

void SplitPath(const std::string& path, std::string* drive, std::string* dir, std::string* name,
               std::string* ext) {
    std::size_t start = HasDrive(path) ? 2 : 0;
    if (drive)
        *drive = path.substr(0, start);
    std::size_t lastSep = std::string::npos;
    for (std::size_t i = start; i < path.size(); ++i)
        if (IsSeparator(path[i]))
            lastSep = i;
    std::size_t nameStart = lastSep == std::string::npos ? start : lastSep + 1;
    if (dir)
        *dir = path.substr(start, nameStart - start);
    std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || dot < nameStart)
        dot = path.size();
    if (name)
        *name = path.substr(nameStart, dot - nameStart);
    if (ext)
        *ext = path.substr(dot);
}

std::string MakePath(const std::string& drive, const std::string& dir, const std::string& name,
                     const std::string& ext) {
    std::string out = drive;
    out += dir;
    if (!dir.empty() && !IsSeparator(dir.back()))
        out += dir.find('\\') != std::string::npos ? '\\' : '/';
    out += name;
    if (!ext.empty()) {
        if (ext.front() != '.')
            out += '.';
        out += ext;
    }
    return out;
}

std::string TempFolder() {
    const char* t = std::getenv("TARNIX_TEMP");
    std::string folder = t && *t ? t : "/tmp";
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

std::string NativePath(const std::string& path) {
    std::string p = path;
    for (char& c : p)
        if (c == '\\')
            c = '/';
    if (!HasDrive(p))
        return p;
    std::string rest = p.substr(2);
    std::string lower;
    for (char c : rest)
        lower += char(std::tolower(static_cast<unsigned char>(c)));
    if (lower == "/temp" || lower.rfind("/temp/", 0) == 0)
        return TempFolder() + rest.substr(5);
    return rest.empty() ? "/" : rest;
}

std::string ProgramFolder() {
    std::string folder;
    if (const char* home = std::getenv("TARNIX_HOME"); home && *home) {
        folder = home;
    } else {
        char buf[4096];
        ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
        if (n > 0) {
            folder.assign(buf, std::size_t(n));
            folder.erase(folder.find_last_of('/') + 1);
        }
    }
    if (folder.empty())
        folder = "./";
    if (folder.back() != '/')
        folder += '/';
    return folder;
}

} // namespace plat
