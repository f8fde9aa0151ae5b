// The selection the load commands hand to the loaders, and the list file of the data folder.
#include "app/load_selection.h"

#include "app/last_data_folder.h"
#include "app/txla_window.h"
#include "foundations/show_error.h"
#include "plat/msgbox.hpp"
#include "plat/paths.hpp"
#include "scandata/list_file.h"
#include "scandata/load_steps.h"
#include "scandata/scan_store_alloc.h"

#include <cstring>
#include <strings.h>

bool FillSelection(char* buffer, const std::vector<std::string>& strings) {
    std::size_t size = 1;
    for (const std::string& s : strings)
        size += s.size() + 1;
    if (size > static_cast<std::size_t>(kSelectedFilesSize))
        return false;
    char* p = buffer;
    for (const std::string& s : strings) {
        std::memcpy(p, s.c_str(), s.size() + 1);
        p += s.size() + 1;
    }
    *p = '\0';
    return true;
}

std::string FirstFilePath(const std::vector<std::string>& strings) {
    if (strings.size() < 2)
        return strings.empty() ? std::string() : strings[0];
    std::string folder = strings[0];
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder + strings[1];
}

void WriteSelectionList(const std::string& firstFile, const ListFileText& list) {
    std::string dir, ext;
    plat::SplitPath(firstFile, nullptr, &dir, nullptr, &ext);
    const std::string path = dir + "list" + ext;
    std::string why;
    if (!WriteListFile(path, list, &why))
        ShowError(((why.empty() ? "\n\aAttention: could not open " + path
                                : "\n\aAttention: " + path + " is not written: " + why) +
                   "\nthe data are loaded, but no list file of them was written")
                      .c_str(),
                  0);
}

bool ReadListSelection(TXLAWindow& window, std::vector<std::string>& strings) {
    ListFileText list;
    ListReadResult read =
        ReadListFileText(strings[0], static_cast<std::size_t>(kSelectedFilesSize) - 1, list);
    if (read == ListReadResult::TooLong) {
        std::string text = "list file " + strings[0] + " is too long";
        window.MessageBox(text.c_str(), "LOAD ERROR", MB_OK);
    }
    if (read != ListReadResult::Ok)
        return false;
    // A list without a name, or with a stride that cannot be meant, loads nothing and says so.
    std::string problem;
    if (!list.strideValid)
        problem = "its stride (\"newformat n=\") is not a whole number from 1 to 9999";
    else if (list.strings.size() < 2)
        problem = "it names no scan file";
    if (!problem.empty()) {
        const std::string text = "list file " + strings[0] + ": " + problem + "; nothing loaded";
        window.MessageBox(text.c_str(), "LOAD ERROR", MB_OK);
        return false;
    }
    if (!FillSelection(gSelectedFiles, list.strings))
        return false;
    ScanStore::fileStride = list.stride;
    strings = list.strings;
    SaveLastDataFolder(&window, strings[0].c_str());
    return true;
}

bool TakeListOrChosenFiles(TXLAWindow& window, std::vector<std::string>& strings, bool& listFile,
                           ListFileText& listed) {
    strings = SelectionStrings(gSelectedFiles);
    if (strings.empty())
        return false;
    std::string dir, name;
    plat::SplitPath(strings[0], nullptr, &dir, &name, nullptr);
    listFile = strings.size() == 1 && strcasecmp(name.c_str(), "list") == 0;
    if (listFile)
        return ReadListSelection(window, strings);
    SaveLastDataFolder(&window, strings.size() == 1 ? dir.c_str() : strings[0].c_str());
    listed = ListFileText{.stride = 1, .strings = strings};
    return true;
}
