// A fresh folder under the system's temporary folder for one test.
#include "support/temp_dir.h"

#include <fstream>
#include <random>
#include <sstream>

TempDir::TempDir() {
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() /
            ("tarnix-test-" + std::to_string(rd()) + "-" + std::to_string(rd()));
    std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string TempDir::File(const std::string& name) const {
    return (path_ / name).string();
}

std::string TempDir::Write(const std::string& name, const std::string& text) const {
    std::string path = File(name);
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

std::string TempDir::Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}
