// What the checks of the source tree share (layer_order_test, sizes_test): the C++ files of its
// folders and the listing of what a check found.
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

// The .cpp, .h and .hpp files below root/folder for each of the folders, sorted; none for a
// folder that is not there.
inline std::vector<std::filesystem::path> SourceFilesOf(const std::filesystem::path& root,
                                                        const std::vector<std::string>& folders) {
    std::vector<std::filesystem::path> files;
    for (const std::string& folder : folders) {
        if (!std::filesystem::is_directory(root / folder))
            continue;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root / folder)) {
            const std::string ext = entry.path().extension().string();
            if (entry.is_regular_file() && (ext == ".cpp" || ext == ".h" || ext == ".hpp"))
                files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

// The lines, each ended by a line feed.
inline std::string Joined(const std::vector<std::string>& lines) {
    std::string all;
    for (const std::string& line : lines)
        all += line + "\n";
    return all;
}
