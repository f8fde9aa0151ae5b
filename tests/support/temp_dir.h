// A fresh folder under the system's temporary folder for one test, removed afterwards.
#pragma once

#include <filesystem>
#include <string>

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // Full path of a file in the folder.
    std::string File(const std::string& name) const;
    // Writes text (bytes as given) to a file of the folder and returns its path.
    std::string Write(const std::string& name, const std::string& text) const;
    // The whole content of a file.
    static std::string Read(const std::string& path);

  private:
    std::filesystem::path path_;
};
