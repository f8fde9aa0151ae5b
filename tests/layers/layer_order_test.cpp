// The folders are layers: every #include "folder/..." names the file's own folder or an earlier
// one in the build's layer list, the engine folders include no platform header beyond files,
// paths, the clock and threads (they reach the window through the services), and neither they nor
// the loaders include the plots (they report to an observer). Each checker is tried on a small
// tree with one offending include.
#include "layers/source_tree.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <sstream>
#include <string>
#include <unistd.h>
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

// Calls offends(folder, included) for every #include "a/b" of the sources in root/folder (a the
// first path element of the included name, b the rest); "file:line: text" of each offending one.
template <class Offends>
std::vector<std::string> IncludesThat(const fs::path& root, const std::string& folder,
                                      Offends offends) {
    static const std::regex include(R"re(^\s*#\s*include\s*"([A-Za-z_]+)/([^"]*)")re");
    std::vector<std::string> found;
    for (const fs::path& file : SourceFilesOf(root, {folder})) {
        std::ifstream in(file);
        int lineNo = 0;
        for (std::string line; std::getline(in, line);) {
            ++lineNo;
            std::smatch m;
            if (std::regex_search(line, m, include) && offends(m[1].str(), m[2].str()))
                found.push_back(fs::relative(file, root).string() + ":" + std::to_string(lineNo) +
                                ": " + line);
        }
    }
    return found;
}

// Every include of a later layer in the folders of root.
std::vector<std::string> UpwardIncludes(const fs::path& root,
                                        const std::vector<std::string>& order) {
    std::vector<std::string> found;
    for (std::size_t rank = 0; rank < order.size(); ++rank) {
        const auto later = [&](const std::string& folder, const std::string&) {
            const auto target = std::find(order.begin(), order.end(), folder);
            return target != order.end() && std::size_t(target - order.begin()) > rank;
        };
        for (const std::string& line : IncludesThat(root, order[rank], later))
            found.push_back(line);
    }
    return found;
}

// The numeric folders, and the platform headers they may include: files written atomically,
// paths, the clock and threads.
const std::vector<std::string> kEngineFolders = {"lamm", "simulation", "fitting", "distributions",
                                                 "equilibrium"};
const std::vector<std::string> kEnginePlatformHeaders = {"atomic_file.hpp", "paths.hpp",
                                                         "clock.hpp", "thread.hpp"};

// Every include of another platform header in the engine folders of root.
std::vector<std::string> EnginePlatformIncludes(const fs::path& root) {
    const auto windowing = [](const std::string& folder, const std::string& header) {
        return folder == "plat" &&
               std::find(kEnginePlatformHeaders.begin(), kEnginePlatformHeaders.end(), header) ==
                   kEnginePlatformHeaders.end();
    };
    std::vector<std::string> found;
    for (const std::string& folder : kEngineFolders)
        for (const std::string& line : IncludesThat(root, folder, windowing))
            found.push_back(line);
    return found;
}

// The folders that compute and load, and so draw nothing: their progress goes to an observer.
const std::vector<std::string> kDrawingFreeFolders = {
    "scandata", "lamm", "simulation", "fitting", "distributions", "tools", "equilibrium"};

// Every include of the plots in the drawing-free folders of root.
std::vector<std::string> PlottingIncludes(const fs::path& root) {
    const auto plotting = [](const std::string& folder, const std::string&) {
        return folder == "plotting";
    };
    std::vector<std::string> found;
    for (const std::string& folder : kDrawingFreeFolders)
        for (const std::string& line : IncludesThat(root, folder, plotting))
            found.push_back(line);
    return found;
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

TEST(Layers, EnginesIncludeNoWindowingHeader) {
    const auto found = EnginePlatformIncludes(TARNIX_SOURCE_DIR);
    EXPECT_TRUE(found.empty()) << found.size() << " platform headers in engines:\n"
                               << Joined(found);
}

TEST(Layers, CheckerNamesAWindowingHeaderInAnEngine) {
    const fs::path root = fs::temp_directory_path() / ("engines_" + std::to_string(::getpid()));
    fs::create_directories(root / "simulation");
    fs::create_directories(root / "display");
    std::ofstream(root / "simulation" / "solver.cpp")
        << "#include \"plat/atomic_file.hpp\"\n#include \"plat/thread.hpp\"\n"
           "#include \"plat/msgbox.hpp\"\n";
    std::ofstream(root / "display" / "view.cpp") << "#include \"plat/window_dc.hpp\"\n";
    const auto found = EnginePlatformIncludes(root);
    fs::remove_all(root);
    ASSERT_EQ(found.size(), 1u) << Joined(found);
    EXPECT_EQ(found[0], "simulation/solver.cpp:3: #include \"plat/msgbox.hpp\"");
}

TEST(Layers, EnginesAndLoadersIncludeNoPlot) {
    const auto found = PlottingIncludes(TARNIX_SOURCE_DIR);
    EXPECT_TRUE(found.empty()) << found.size() << " plot headers in engines and loaders:\n"
                               << Joined(found);
    // The plots lie above every engine in the layer list.
    const auto order = LayerOrder();
    const auto plotting = std::find(order.begin(), order.end(), "plotting");
    for (const std::string& folder : kDrawingFreeFolders)
        EXPECT_LT(std::find(order.begin(), order.end(), folder), plotting) << folder;
}

TEST(Layers, CheckerNamesAPlotIncludeInALoader) {
    const fs::path root = fs::temp_directory_path() / ("plots_" + std::to_string(::getpid()));
    fs::create_directories(root / "scandata");
    fs::create_directories(root / "display");
    std::ofstream(root / "scandata" / "load.cpp") << "#include \"state/scan_store.h\"\n"
                                                     "#include \"plotting/progress_line.h\"\n";
    std::ofstream(root / "display" / "view.cpp") << "#include \"plotting/win_plot.h\"\n";
    const auto found = PlottingIncludes(root);
    fs::remove_all(root);
    ASSERT_EQ(found.size(), 1u) << Joined(found);
    EXPECT_EQ(found[0], "scandata/load.cpp:2: #include \"plotting/progress_line.h\"");
}

} // namespace
