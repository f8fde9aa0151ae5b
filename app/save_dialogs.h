// The save dialogs of the commands that write scans: the window's shared file-dialog record set
// up for one save and put back to loading afterwards.
#pragma once

#include <string>

class TXLAWindow;

// A save dialog with title, the name buffer preset to defaultName; true with the chosen full
// path in *path, false on Cancel. overwritePrompt asks before an existing file is chosen; a name
// typed without extension gets defaultExtension when one is given. The dialog starts in
// initialDir when given, else where the user last chose a file.
bool AskSavePath(TXLAWindow* window, const char* title, const char* defaultName,
                 bool overwritePrompt, std::string* path, const char* defaultExtension = "",
                 const char* initialDir = nullptr);

// An open dialog for one file with title, the name buffer preset to defaultName, starting in
// initialDir when given; true with the chosen full path in *path.
bool AskOpenPath(TXLAWindow* window, const char* title, const char* defaultName, std::string* path,
                 const char* initialDir = nullptr);

// A save dialog of its own record: buffer (size characters) holds the proposed path on entry,
// which also gives the initial folder, and the chosen path on return. True when a name was
// chosen; Cancel leaves the buffer.
bool SelectFilesToSave(TXLAWindow* window, char* buffer, int size, const char* title,
                       const char* defaultExtension);

// An open dialog for one existing file of any name on the window's shared record, starting in the
// last data folder of "tarnix.ini"; true with the chosen path in buffer (size characters). The
// record is put back to loading afterwards, filters included.
bool SelectAnyFile(TXLAWindow* window, char* buffer, int size, const char* title);

// The load configuration of the shared record: the selection buffer, multiple selection of
// existing files, default extension defaultExtension. Every dialog above puts it back itself;
// commands whose later steps expect another default extension call it again.
void RestoreLoadDialog(TXLAWindow* window, const char* defaultExtension = "*");
