// File times, copies, folder searches with Windows wildcards, folders.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace plat {

// 100-ns ticks since 1601-01-01 UTC, as the program stores file times.
struct FileTimes {
    std::uint64_t creation = 0;
    std::uint64_t access = 0;
    std::uint64_t write = 0;
    friend bool operator==(const FileTimes&, const FileTimes&) = default;
};

// creation is the birth time where the file system keeps one, else the write time.
bool GetFileTimes(const std::string& path, FileTimes& times);
// Sets the access and write times (a zero leaves that one). Linux cannot set a creation time.
bool SetFileTimes(const std::string& path, const FileTimes& times);

// Copies the contents (and permissions); with failIfExists an existing target is an error.
bool CopyFile(const std::string& from, const std::string& to, bool failIfExists);
// The regular files of dir whose names match the pattern, sorted by name.
std::vector<std::string> FindFiles(const std::string& dir, const std::string& pattern);
// Windows wildcard rules, ignoring case: '*' any run, '?' one character, and a trailing ".*"
// also matches a name without extension ("list.*" finds "list").
bool MatchWildcard(const std::string& pattern, const std::string& name);
// True when the folder exists afterwards (made now or before).
bool MakeDir(const std::string& path);
bool SetCurrentDir(const std::string& path);
bool IsFolder(const std::string& path);
bool FileReadable(const std::string& path);

} // namespace plat
