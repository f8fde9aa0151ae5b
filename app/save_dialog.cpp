// Save and single-file open dialogs on the main window's shared record.
#include "app/save_dialog.h"

#include "app/txla_window.h"

#include <cstdio>

namespace {

bool Ask(TXLAWindow& window, const char* title, const std::string& preset, DWORD flags, bool save,
         std::string& path)
{
    OpenFileRecord& record = window.openFilesDialog;
    std::snprintf(gExportName, sizeof gExportName, "%s", preset.c_str());
    record.hwndOwner = &window;
    record.lpstrFile = gExportName;
    record.nMaxFile = kExportNameSize;
    record.lpstrDefExt.clear();
    record.lpstrTitle = title;
    record.Flags = flags;
    const bool chosen = save ? GetSaveFileName(&record) : GetOpenFileName(&record);
    if (chosen)
        path = gExportName;
    return chosen && !path.empty();
}

} // namespace

// A save dialog does not insist on an existing file: under the old filename convention the
// name chosen is the name written, which usually does not exist yet.
bool AskSavePath(TXLAWindow& window, const char* title, const std::string& defaultName,
                 bool overwritePrompt, std::string& path)
{
    DWORD flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | (overwritePrompt ? OFN_OVERWRITEPROMPT : 0);
    return Ask(window, title, defaultName, flags, true, path);
}

bool AskOpenPath(TXLAWindow& window, const char* title, std::string& path)
{
    return Ask(window, title, "", OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST, false,
               path);
}

void RestoreLoadDialog(TXLAWindow& window, const char* defaultExtension)
{
    OpenFileRecord& record = window.openFilesDialog;
    record.lpstrFile = gSelectedFiles;
    record.nMaxFile = kSelectedFilesSize;
    record.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_ALLOWMULTISELECT | OFN_PATHMUSTEXIST;
    record.lpstrDefExt = defaultExtension;
}
