// The folders are layers: every #include "folder/..." names the file's own folder or an earlier
// one in the build's layer list. The checker itself is tried on a small tree with one upward include.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> LayerOrder() {
    std::vector<std::string> order;
    std::stringstream list(TARNIX_LAYER_ORDER);
    for (std::string name; std::getline(list, name, ',');)
        order.push_back(name);
    return order;
}

// "file:line: text" for every include of a later layer in the folders of root.
std::vector<std::string> UpwardIncludes(const fs::path& root, const std::vector<std::string>& order) {
    static const std::regex include(R"(^\s*#\s*include\s*"([A-Za-z_]+)/)");
    std::vector<std::string> found;
    for (std::size_t rank = 0; rank < order.size(); ++rank) {
        const fs::path folder = root / order[rank];
        if (!fs::is_directory(folder))
            continue;
        std::vector<fs::path> files;
        for (const auto& entry : fs::recursive_directory_iterator(folder)) {
            const std::string ext = entry.path().extension().string();
            if (entry.is_regular_file() && (ext == ".cpp" || ext == ".h" || ext == ".hpp"))
                files.push_back(entry.path());
        }
        std::sort(files.begin(), files.end());
        for (const fs::path& file : files) {
            std::ifstream in(file);
            int lineNo = 0;
            for (std::string line; std::getline(in, line);) {
                ++lineNo;
                std::smatch m;
                if (!std::regex_search(line, m, include))
                    continue;
                const auto target = std::find(order.begin(), order.end(), m[1].str());
                if (target != order.end() && std::size_t(target - order.begin()) > rank)
                    found.push_back(fs::relative(file, root).string() + ":" +
                                    std::to_string(lineNo) + ": " + line);
            }
        }
    }
    return found;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string all;
    for (const std::string& line : lines)
        all += line + "\n";
    return all;
}

TEST(Layers, NoFolderIncludesALaterOne) {
    const auto upward = UpwardIncludes(TARNIX_SOURCE_DIR, LayerOrder());
    EXPECT_TRUE(upward.empty()) << upward.size() << " upward includes:\n" << Joined(upward);
}

TEST(Layers, CheckerNamesFileAndLineOfAnUpwardInclude) {
    const fs::path root = fs::temp_directory_path() / ("layers_" + std::to_string(::getpid()));
    fs::create_directories(root / "state");
    fs::create_directories(root / "app");
    std::ofstream(root / "state" / "record.h") << "#pragma once\n#include \"state/other.h\"\n"
                                                  "#include \"app/window.h\"\n";
    std::ofstream(root / "app" / "window.h") << "#include \"state/record.h\"\n#include <vector>\n";
    const auto upward = UpwardIncludes(root, {"platform", "state", "app"});
    fs::remove_all(root);
    ASSERT_EQ(upward.size(), 1u) << Joined(upward);
    EXPECT_EQ(upward[0], "state/record.h:3: #include \"app/window.h\"");
}

} // namespace
