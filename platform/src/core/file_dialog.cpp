// The open and save dialogs: the backend picks, the layer writes the caller's buffer.
#include "plat/backend.hpp"
#include "plat/filedlg.hpp"

#include <cstring>
#include <string>
#include <vector>

namespace {

thread_local DWORD gLastError = 0;
std::string gDialogFolder;

std::string Folder(const std::string& path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return {};
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string Name(const std::string& path) {
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The selection as the caller reads it: one full path, or folder, names, each NUL-terminated,
// and one more NUL.
std::string Encode(const std::vector<std::string>& paths, bool multi, WORD& nameOffset) {
    if (!multi || paths.size() == 1) {
        nameOffset = WORD(std::min<std::size_t>(paths[0].size() - Name(paths[0]).size(), 0xFFFF));
        return paths[0] + '\0' + '\0';
    }
    std::string folder = Folder(paths[0]);
    std::string out = folder + '\0';
    nameOffset = WORD(std::min<std::size_t>(out.size(), 0xFFFF));
    for (const std::string& p : paths)
        out += Name(p) + '\0';
    out += '\0';
    return out;
}

BOOL Run(OpenFileRecord* r, bool save) {
    gLastError = 0;
    if (!r || !r->lpstrFile || r->nMaxFile == 0)
        return FALSE;
    std::vector<std::string> paths;
    DWORD index = r->nFilterIndex;
    plat::DispatchPendingPaints();
    // A record without a folder opens where the user last chose a file.
    std::string given = r->lpstrInitialDir;
    if (given.empty())
        r->lpstrInitialDir = gDialogFolder;
    bool chosen = plat::GetBackend().fileDialog(*r, save, paths, index) && !paths.empty();
    r->lpstrInitialDir = given;
    if (!chosen)
        return FALSE;
    if (save && !r->lpstrDefExt.empty() &&
        r->lpstrDefExt.find_first_of("*?") == std::string::npos &&
        Name(paths[0]).find('.') == std::string::npos)
        paths[0] += "." + r->lpstrDefExt;
    bool multi = !save && (r->Flags & OFN_ALLOWMULTISELECT);
    WORD nameOffset = 0;
    std::string encoded = Encode(paths, multi, nameOffset);
    // The caller's buffer is never overrun; a selection that does not fit is an error, not a
    // cut list of names.
    if (encoded.size() > r->nMaxFile) {
        gLastError = FNERR_BUFFERTOOSMALL;
        return FALSE;
    }
    std::memcpy(r->lpstrFile, encoded.data(), encoded.size());
    r->nFilterIndex = index;
    r->nFileOffset = nameOffset;
    if (!(r->Flags & OFN_NOCHANGEDIR))
        gDialogFolder = Folder(paths[0]);
    std::string first = Name(paths[0]);
    auto dot = first.find_last_of('.');
    r->nFileExtension =
        (multi && paths.size() > 1) || dot == std::string::npos ? 0 : WORD(nameOffset + dot + 1);
    return TRUE;
}

} // namespace

std::string OpenFileRecord::InitialName() const {
    if (!lpstrFile)
        return {};
    return std::string(lpstrFile, strnlen(lpstrFile, nMaxFile));
}

void OpenFileRecord::SetFilter(const char* filterText) {
    filters.clear();
    if (!filterText)
        return;
    std::vector<std::string> parts;
    if (std::strchr(filterText, '|')) {
        std::string cur;
        for (const char* p = filterText; *p; ++p) {
            if (*p == '|') {
                parts.push_back(cur);
                cur.clear();
            } else {
                cur += *p;
            }
        }
        if (!cur.empty())
            parts.push_back(cur);
    } else {
        // NUL-separated, ending with an empty string.
        for (const char* p = filterText; *p; p += std::strlen(p) + 1)
            parts.emplace_back(p);
    }
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2)
        filters.emplace_back(parts[i], parts[i + 1]);
}

BOOL GetOpenFileName(OpenFileRecord* record) {
    return Run(record, false);
}
BOOL GetSaveFileName(OpenFileRecord* record) {
    return Run(record, true);
}
DWORD CommDlgExtendedError() {
    return gLastError;
}

namespace plat {

const std::string& DialogFolder() {
    return gDialogFolder;
}
void SetDialogFolder(const std::string& folder) {
    gDialogFolder = folder;
    while (gDialogFolder.size() > 1 && gDialogFolder.back() == '/')
        gDialogFolder.pop_back();
}

} // namespace plat
