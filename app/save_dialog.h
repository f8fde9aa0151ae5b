// The save dialogs of the result-writing commands, all on the main window's shared open-dialog
// record, which is put back to its load configuration afterwards.
#pragma once

#include <string>

class TXLAWindow;

// Name buffer of the save dialogs.
constexpr int kExportNameSize = 260;
inline char gExportName[kExportNameSize] = {};

// Shows the save dialog title with defaultName preset (a name, or a path whose folder the
// dialog opens in); true with the chosen path on OK, false on Cancel. overwritePrompt lets the
// dialog ask before an existing file is chosen.
bool AskSavePath(TXLAWindow& window, const char* title, const std::string& defaultName,
                 bool overwritePrompt, std::string& path);
// Shows the open dialog title for one existing file; true with its path on OK.
bool AskOpenPath(TXLAWindow& window, const char* title, std::string& path);
// The load configuration of the record: the selection buffer, multiple selection of existing
// files, default extension defaultExtension.
void RestoreLoadDialog(TXLAWindow& window, const char* defaultExtension = "*");
