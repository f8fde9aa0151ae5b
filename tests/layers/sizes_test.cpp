// The engine folders stay readable: no file over 700 lines, no function over 120. Functions are
// found by matching braces after comments, strings and characters are blanked: a brace whose
// head (the text since the last ';', '{' or '}') holds a '(' and opens no class, namespace or
// initializer is a function's body, and everything inside it, lambdas and local classes too,
// counts toward that function, from the first line of its head to its closing brace.
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

const std::vector<std::string> kEngineFolders = {
    "foundations", "scandata", "lamm", "simulation", "fitting", "distributions", "equilibrium"};
constexpr int kMostFileLines = 700;
constexpr int kMostFunctionLines = 120;

std::string Read(const fs::path& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The text with comments, string and character literals blanked, line breaks kept.
std::string Blanked(const std::string& s) {
    std::string out = s;
    const auto blank = [&](std::size_t from, std::size_t to) {
        for (std::size_t k = from; k < to && k < out.size(); ++k)
            if (out[k] != '\n')
                out[k] = ' ';
    };
    std::size_t i = 0;
    while (i < s.size()) {
        if (s.compare(i, 2, "//") == 0) {
            const std::size_t end = std::min(s.find('\n', i), s.size());
            blank(i, end);
            i = end;
        } else if (s.compare(i, 2, "/*") == 0) {
            const std::size_t end = std::min(s.find("*/", i + 2), s.size() - 2) + 2;
            blank(i, end);
            i = end;
        } else if (s.compare(i, 2, "R\"") == 0 && (i == 0 || !std::isalnum(s[i - 1]))) {
            const std::size_t open = s.find('(', i);
            std::string close = ")";
            close.append(s, i + 2, open - i - 2).push_back('"');
            const std::size_t end = std::min(s.find(close, open), s.size()) + close.size();
            blank(i, end);
            i = end;
        } else if (s[i] == '"' || (s[i] == '\'' && (i == 0 || !std::isalnum(s[i - 1])))) {
            // a quote after a digit or letter separates digits (1'000)
            std::size_t end = i + 1;
            while (end < s.size() && s[end] != s[i] && s[end] != '\n')
                end += s[end] == '\\' ? 2 : 1;
            blank(i + 1, end);
            i = end + 1;
        } else {
            ++i;
        }
    }
    return out;
}

// Whether a brace after head (holding a '(') opens a function's body.
bool OpensFunction(const std::string& head) {
    static const std::regex container(R"(\b(namespace|class|struct|union|enum|extern)\b)");
    static const std::regex initializer(R"(=\s*$)");
    return !std::regex_search(head.substr(0, head.find('(')), container) &&
           !std::regex_search(head, initializer);
}

// "file:line: N lines" of every function in the folders of root longer than limit lines.
std::vector<std::string> LongFunctions(const fs::path& root,
                                       const std::vector<std::string>& folders, int limit) {
    std::vector<std::string> found;
    for (const fs::path& file : SourceFilesOf(root, folders)) {
        const std::string text = Blanked(Read(file));
        struct Open {
            bool function;
            int headLine;
        };
        std::vector<Open> open;
        std::size_t headStart = 0;
        int line = 1;
        int functionDepth = 0;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const char ch = text[i];
            if (ch == '\n') {
                ++line;
            } else if (ch == ';') {
                headStart = i + 1;
            } else if (ch == '{') {
                const std::string head = text.substr(headStart, i - headStart);
                const bool function = functionDepth == 0 && head.find('(') != std::string::npos &&
                                      OpensFunction(head);
                const std::size_t first = head.find_first_not_of(" \t\n");
                const int headLine =
                    line -
                    int(std::count(head.begin() + std::ptrdiff_t(std::min(first, head.size())),
                                   head.end(), '\n'));
                open.push_back({function, headLine});
                functionDepth += function ? 1 : 0;
                headStart = i + 1;
            } else if (ch == '}') {
                if (!open.empty()) {
                    const Open o = open.back();
                    open.pop_back();
                    const int length = line - o.headLine + 1;
                    if (o.function) {
                        --functionDepth;
                        if (length > limit)
                            found.push_back(fs::relative(file, root).string() + ":" +
                                            std::to_string(o.headLine) + ": " +
                                            std::to_string(length) + " lines");
                    }
                }
                headStart = i + 1;
            }
        }
    }
    return found;
}

// "file: N lines" of every file in the folders of root longer than limit lines.
std::vector<std::string> LongFiles(const fs::path& root, const std::vector<std::string>& folders,
                                   int limit) {
    std::vector<std::string> found;
    for (const fs::path& file : SourceFilesOf(root, folders)) {
        const std::string text = Read(file);
        const int lines = int(std::count(text.begin(), text.end(), '\n'));
        if (lines > limit)
            found.push_back(fs::relative(file, root).string() + ": " + std::to_string(lines) +
                            " lines");
    }
    return found;
}

TEST(Sizes, EngineFilesAndFunctionsStayWithinTheBounds) {
    const auto files = LongFiles(TARNIX_SOURCE_DIR, kEngineFolders, kMostFileLines);
    EXPECT_TRUE(files.empty()) << files.size() << " files over " << kMostFileLines << " lines:\n"
                               << Joined(files);
    const auto functions = LongFunctions(TARNIX_SOURCE_DIR, kEngineFolders, kMostFunctionLines);
    EXPECT_TRUE(functions.empty())
        << functions.size() << " functions over " << kMostFunctionLines << " lines:\n"
        << Joined(functions);
}

// Each checker on a small tree at a bound of 5 lines: a long function among a class's short
// inline ones, braces in comments, strings and characters, an initializer list and a lambda
// inside a function, which counts toward it.
TEST(Sizes, CheckersNameTheLongFileAndFunctionOnly) {
    const fs::path root = fs::temp_directory_path() / ("sizes_" + std::to_string(::getpid()));
    fs::create_directories(root / "lamm");
    fs::create_directories(root / "app");
    std::ofstream(root / "lamm" / "solver.cpp")
        << "namespace {\n"                                  // 1
           "struct Row {\n"                                 // 2
           "    int Size() const { return n; }\n"           // 3
           "    int n = 0;\n"                               // 4
           "};\n"                                           // 5
           "const int kTable[] = {\n1,\n2,\n3,\n4,\n5 };\n" // 6-11
           "} // namespace {\n"                             // 12
           "int Solve(int a,\n"                             // 13
           "          int b) {\n"                           // 14
           "    const char* s = \"}}\"; // }\n"             // 15
           "    auto f = [&](int x) {\n"                    // 16
           "        return x + '}';\n"                      // 17
           "    };\n"                                       // 18
           "    return f(a) + b;\n"                         // 19
           "}\n"                                            // 20
           "int Short() { return 1; }\n";                   // 21
    std::ofstream(root / "app" / "window.cpp") << "void Draw() {\n\n\n\n\n\n\n}\n";
    const auto functions = LongFunctions(root, {"lamm"}, 5);
    const auto files = LongFiles(root, {"lamm"}, 20);
    fs::remove_all(root);
    ASSERT_EQ(functions.size(), 1u) << Joined(functions);
    EXPECT_EQ(functions[0], "lamm/solver.cpp:13: 8 lines");
    ASSERT_EQ(files.size(), 1u) << Joined(files);
    EXPECT_EQ(files[0], "lamm/solver.cpp: 21 lines");
}

} // namespace
