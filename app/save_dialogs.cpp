// Save dialogs on the main window's records.
#include "app/save_dialogs.h"

#include "app/last_data_folder.h"
#include "app/txla_window.h"
#include "plat/filedlg.hpp"
#include "plat/paths.hpp"
#include "state/startup_paths.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr int kExportNameSize = kPathBufferSize;
char gExportName[kExportNameSize];

constexpr DWORD kLoadFlags =
    OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_ALLOWMULTISELECT | OFN_PATHMUSTEXIST;

// One file chosen on the window's shared record, which is put back to loading afterwards.
bool AskPath(TXLAWindow* window, bool save, const char* title, const char* defaultName, DWORD flags,
             const char* defaultExtension, std::string* path, const char* initialDir = nullptr) {
    OpenFileRecord& record = window->openFilesDialog;
    std::string loadFolder = record.lpstrInitialDir;
    // Without a folder of its own the dialog opens where the user last chose a file: the data
    // folder after a load.
    record.lpstrInitialDir = initialDir ? initialDir : "";
    std::snprintf(gExportName, sizeof gExportName, "%s", defaultName ? defaultName : "");
    record.hwndOwner = window;
    record.lpstrFile = gExportName;
    record.nMaxFile = kExportNameSize;
    record.lpstrTitle = title ? title : "";
    record.lpstrDefExt = defaultExtension;
    record.Flags = flags;
    bool chosen = (save ? GetSaveFileName(&record) : GetOpenFileName(&record)) != FALSE;
    if (chosen && path)
        *path = gExportName;
    // Back to the load configuration the other commands expect.
    RestoreLoadDialog(window);
    record.lpstrInitialDir = loadFolder;
    return chosen;
}

} // namespace

void RestoreLoadDialog(TXLAWindow* window, const char* defaultExtension) {
    OpenFileRecord& record = window->openFilesDialog;
    record.lpstrFile = gSelectedFiles;
    record.nMaxFile = kSelectedFilesSize;
    record.Flags = kLoadFlags;
    record.lpstrDefExt = defaultExtension;
}

bool AskSavePath(TXLAWindow* window, const char* title, const char* defaultName,
                 bool overwritePrompt, std::string* path, const char* defaultExtension,
                 const char* initialDir) {
    // A save names a file that need not exist yet: "file must exist" would refuse every new name.
    return AskPath(window, true, title, defaultName,
                   OFN_EXPLORER | OFN_PATHMUSTEXIST | (overwritePrompt ? OFN_OVERWRITEPROMPT : 0),
                   defaultExtension ? defaultExtension : "", path, initialDir);
}

bool AskOpenPath(TXLAWindow* window, const char* title, const char* defaultName, std::string* path,
                 const char* initialDir) {
    return AskPath(window, false, title, defaultName,
                   OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST, "*", path, initialDir);
}

bool SelectFilesToSave(TXLAWindow* window, char* buffer, int size, const char* title,
                       const char* defaultExtension) {
    if (!buffer || size < 1)
        return false;
    char name[kExportNameSize];
    std::snprintf(name, sizeof name, "%s", buffer);
    std::string drive, dir;
    plat::SplitPath(buffer, &drive, &dir, nullptr, nullptr);
    OpenFileRecord record;
    record.hwndOwner = window;
    record.filters = {{"All Files (*.*)", "*.*"}};
    record.nFilterIndex = 1;
    record.lpstrFile = name;
    record.nMaxFile = kExportNameSize;
    record.lpstrInitialDir = drive + dir;
    record.lpstrTitle = title ? title : "select files";
    record.lpstrDefExt = defaultExtension ? defaultExtension : "";
    record.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST;
    if (!GetSaveFileName(&record))
        return false;
    std::snprintf(buffer, static_cast<std::size_t>(size), "%s", name);
    return true;
}

bool SelectAnyFile(TXLAWindow* window, char* buffer, int size, const char* title) {
    if (!window || !buffer || size < 1)
        return false;
    ReadLastDataFolder(window, gLastDataFolder);
    OpenFileRecord& record = window->openFilesDialog;
    // The load commands rely on the record's filters and multiple selection: keep them.
    const OpenFileRecord load = record;
    char name[kExportNameSize] = "";
    record.hwndOwner = window;
    record.filters = {{"All Files (*.*)", "*.*"}};
    record.nFilterIndex = 1;
    record.lpstrFile = name;
    record.nMaxFile = kExportNameSize;
    record.lpstrInitialDir = gLastDataFolder;
    record.lpstrTitle = title ? title : "";
    record.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
    const bool chosen = GetOpenFileName(&record) != FALSE;
    record = load;
    if (chosen)
        std::snprintf(buffer, static_cast<std::size_t>(size), "%s", name);
    return chosen;
}
