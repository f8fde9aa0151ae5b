// A temporary folder for one test, removed with everything in it when the test ends.
#pragma once

#include <string>
#include <vector>

class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    // path() + "/" + name
    std::string file(const std::string& name) const;
    // Writes text (bytes as given) to a file of the folder and returns its path.
    std::string write(const std::string& name, const std::string& text) const;

  private:
    std::string path_;
};

// Writes text to path as it is (no line-end translation); false on failure.
bool WriteTextFile(const std::string& path, const std::string& text);
// The bytes of path; empty when it cannot be read.
std::string ReadTextFile(const std::string& path);
// The lines of text as std::getline reads them: split at each line feed, a carriage return kept,
// a last line without a line feed counted.
std::vector<std::string> SplitLines(const std::string& text);
// Sets the access and modification times of path to seconds since 1970 (with nanoseconds).
bool SetFileSeconds(const std::string& path, long long seconds, long nanoseconds = 0);
