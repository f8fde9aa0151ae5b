// The store's file list: read from list files, rebuilt from the loaded scans, renamed, written.
#include "scandata/scan_file_list.h"

#include "foundations/key_polling.h"
#include "foundations/show_error.h"
#include "plat/files.hpp"
#include "plat/paths.hpp"
#include "scandata/list_file.h"
#include "scandata/scan_store_alloc.h"
#include "scandata/scan_user_messages.h"
#include "state/result_table.h"

#include <cstdio>
#include <vector>

namespace {

using S = ScanStore;
using P = ScanPaths;

std::string FolderOf(const std::string& path) {
    std::string dir;
    plat::SplitPath(path, nullptr, &dir, nullptr, nullptr);
    return dir;
}

std::string FileNameOf(const std::string& path) {
    std::string name, ext;
    plat::SplitPath(path, nullptr, nullptr, &name, &ext);
    return name + ext;
}

std::string WithSeparator(std::string folder) {
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

} // namespace

std::string WithoutTrailingSeparator(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

void FreeScanFileList() {
    S::fileNames.clear();
}

int ReadListFile(const std::string& path) {
    ListFileText list;
    ListReadResult read = ReadListFileText(path, kListFileTextLimit, list);
    if (read == ListReadResult::Unopenable)
        return 0;
    if (read == ListReadResult::TooLong) {
        std::string text = "list file " + path + " is too long";
        ScanErrorBox(text.c_str(), "LOAD ERROR");
        return 0;
    }
    if (list.strings.empty())
        return 0;
    P::gLoadSelection = list.strings[0];
    S::fileStride = list.stride;
    if (S::scanCount > 0) {
        FreeResultTable();
        FreeAllData();
    }
    // The 1st, (n+1)-th, (2n+1)-th ... name, as the loader takes them.
    std::vector<std::string> taken;
    for (std::size_t j = 1; j < list.strings.size(); j += static_cast<std::size_t>(list.stride))
        taken.push_back(list.strings[j]);
    if (static_cast<int>(taken.size()) > kMaxScans) {
        ScanErrorBox("too many scans selected", "LOAD ERROR");
        return 0;
    }
    // The first line is always the folder, whatever the stride leaves of the names.
    std::string folder = WithSeparator(list.strings[0]);
    FreeScanFileList();
    for (const std::string& name : taken)
        S::fileNames.push_back(folder + name);
    return static_cast<int>(S::fileNames.size());
}

bool WriteListCorr() {
    if (S::fileNames.empty() || static_cast<int>(S::fileNames.size()) != S::scanCount)
        return false;
    const std::string& first = S::fileNames[0];
    std::string ext;
    plat::SplitPath(first, nullptr, nullptr, nullptr, &ext);
    std::string folder = FolderOf(first);
    std::string path = folder + "list_corr" + ext;
    std::vector<std::string> strings{WithoutTrailingSeparator(folder)};
    for (const std::string& entry : S::fileNames)
        strings.push_back(FileNameOf(entry));
    std::string why;
    if (!WriteListFile(path, ListFileText{.stride = 1, .strings = strings}, &why)) {
        std::string text = why.empty() ? "\n\aAttention: could not open " + path
                                       : "\n\aAttention: " + path + " is not written: " + why;
        ShowError(text.c_str(), 0);
        return false;
    }
    return true;
}

void MakeTmpScanFileList(int leaveOut) {
    FreeScanFileList();
    // After a selection of one full path the selection names a file: its folder is meant.
    std::string selection = WithoutTrailingSeparator(P::gLoadSelection);
    std::string folder = plat::IsFolder(selection) || selection.empty() ? WithSeparator(selection)
                                                                        : FolderOf(selection);
    P::gDataDrive.clear();
    P::gDataDir = folder;
    // Scans added from another folder are listed in their own.
    const std::vector<std::string>& own = P::gScanFolders;
    for (int i = 1; i <= S::scanCount; ++i) {
        int k = S::scanOrder[i];
        if (k == leaveOut)
            continue;
        const bool recorded = static_cast<std::size_t>(k) < own.size() && !own[k].empty();
        S::fileNames.push_back((recorded ? own[k] : folder) + S::scanFileName[k]);
    }
}

void RecordScanFolders(const std::vector<std::string>& paths) {
    P::gScanFolders.clear();
    for (const std::string& path : paths)
        if (FolderOf(path) != FolderOf(paths.front())) {
            P::gScanFolders.emplace_back();
            for (const std::string& each : paths)
                P::gScanFolders.push_back(FolderOf(each));
            return;
        }
}

void SetCellInFileNames(int cell) {
    if (cell < 0 || cell > 8)
        return;
    for (std::string& entry : S::fileNames) {
        std::string ext;
        plat::SplitPath(entry, nullptr, nullptr, nullptr, &ext);
        if (ext.size() > 1)
            entry.back() = static_cast<char>('0' + cell);
    }
}

void SetFolderNumberInFileNames(int n) {
    for (std::string& entry : S::fileNames) {
        std::string dir = WithoutTrailingSeparator(FolderOf(entry));
        std::size_t slash = dir.find_last_of('/');
        std::string parent = slash == std::string::npos ? std::string() : dir.substr(0, slash + 1);
        entry = parent + std::to_string(n) + "/" + FileNameOf(entry);
    }
}

int AllScanFilesExist() {
    for (const std::string& entry : S::fileNames)
        if (!FileExists(entry.c_str()))
            return 0;
    return 1;
}
