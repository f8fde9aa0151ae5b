// The common open and save dialogs and their record.
#pragma once

#include "plat/messages.hpp"

#include <string>
#include <utility>
#include <vector>

constexpr DWORD OFN_READONLY = 0x00000001;
constexpr DWORD OFN_OVERWRITEPROMPT = 0x00000002;
constexpr DWORD OFN_HIDEREADONLY = 0x00000004;
constexpr DWORD OFN_NOCHANGEDIR = 0x00000008;
constexpr DWORD OFN_ALLOWMULTISELECT = 0x00000200;
constexpr DWORD OFN_PATHMUSTEXIST = 0x00000800;
constexpr DWORD OFN_FILEMUSTEXIST = 0x00001000;
constexpr DWORD OFN_CREATEPROMPT = 0x00002000;
constexpr DWORD OFN_EXPLORER = 0x00080000;

// CommDlgExtendedError: the selection did not fit the caller's buffer.
constexpr DWORD FNERR_BUFFERTOOSMALL = 0x3003;

// What the program sets before showing a file dialog, and what it reads after.
struct OpenFileRecord {
    DWORD lStructSize = 76;
    HWND hwndOwner = nullptr;
    // (description, patterns) pairs; patterns are ';'-separated wildcards such as "*.RA*;*.xp".
    std::vector<std::pair<std::string, std::string>> filters;
    DWORD nFilterIndex = 1; // 1-based; the user's choice on return
    // The caller's name buffer: the initial name on entry; on return one full path, or for a
    // multiple selection the folder, NUL, each name, NUL, and a final NUL.
    char* lpstrFile = nullptr;
    DWORD nMaxFile = 0;
    std::string lpstrInitialDir;
    std::string lpstrTitle;
    std::string lpstrDefExt;
    DWORD Flags = 0;
    WORD nFileOffset = 0;    // offset of the (first) name in lpstrFile
    WORD nFileExtension = 0; // offset of the extension, 0 when none

    // Filters written the Windows way: "desc|patterns|desc|patterns|" ('|' or NUL separated).
    void SetFilter(const char* filterText);
    // The initial name: lpstrFile up to its first NUL, never past nMaxFile bytes (the buffer
    // need hold no NUL).
    std::string InitialName() const;
};

// TRUE when the user chose; FALSE on cancel or error (CommDlgExtendedError tells which).
BOOL GetOpenFileName(OpenFileRecord* record);
BOOL GetSaveFileName(OpenFileRecord* record);
DWORD CommDlgExtendedError();

namespace plat {

// The folder a file dialog opens in when its record names none: the folder of the last file
// chosen in a dialog (unless that dialog asked OFN_NOCHANGEDIR), or the data folder after a
// load. The process's own working folder never changes.
const std::string& DialogFolder();
void SetDialogFolder(const std::string& folder);

} // namespace plat
