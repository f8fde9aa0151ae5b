// Reading and writing "tarnixparams.ini" for the main window.
#include "app/preferences_file.h"
#include "app/txla_window.h"
#include "foundations/numeric_text_files.h"
#include "foundations/show_error.h"
#include "foundations/sounds.h"
#include "plat/atomic_file.hpp"
#include "scandata/scan_file.h"
#include "state/startup_paths.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace {

constexpr const char* kNotOpened = "the file cannot be opened";

// The preferences file as the start reads it; nothing when there is none. One that is there but
// cannot be read (a folder in its place, a file this user may not read) is no first start: it
// is not read, so it is named and kept until the user agrees to replace it.
std::optional<PreferenceText> ReadPreferenceFile() {
    std::string text;
    if (ReadWholeFile(gPreferencesPath, &text))
        return ReadPreferenceText(text);
    std::error_code unknown;
    if (std::filesystem::status(gPreferencesPath, unknown).type() ==
        std::filesystem::file_type::not_found)
        return std::nullopt;
    PreferenceText unopened;
    unopened.notRead = kNotOpened;
    return unopened;
}

} // namespace

bool TXLAWindow::ReadPreferences() {
    const std::optional<PreferenceText> file = ReadPreferenceFile();
    if (!file)
        return false;
    const PreferenceText& read = *file;
    if (read.tooLong) {
        char message[kPathBufferSize + 100];
        std::snprintf(
            message, sizeof message,
            "%s holds more than %u lines of numbers, far more than a file of its kind: it "
            "is not read",
            gPreferencesPath, kMostSettingsLines);
        ShowError(message, 0);
        return false;
    }
    // A file that is not plain text, or cannot be opened, is named; the defaults are used, as at a
    // first start.
    if (!read.notRead.empty()) {
        const std::string message = std::string(gPreferencesPath) + "\n" + read.notRead +
                                    "\nit is not read: the defaults are used";
        PlayInfoSound();
        MessageBox(message.c_str(), "ERROR", MB_OK);
        return false;
    }
    // A value that is not taken is named with its line; its default stands in its place. The
    // file is kept as it is until the user agrees to replace it.
    if (!read.refused.empty()) {
        std::string message = gPreferencesPath;
        constexpr std::size_t kMostNamed = 8;
        for (std::size_t k = 0; k < read.refused.size() && k < kMostNamed; ++k)
            message += "\n" + read.refused[k];
        if (read.refused.size() > kMostNamed)
            message += "\nand " + std::to_string(read.refused.size() - kMostNamed) + " more";
        message += read.refused.size() == 1 ? "\nit is not taken: its default is used"
                                            : "\nthese are not taken: their defaults are used";
        PlayInfoSound();
        MessageBox(message.c_str(), "ERROR", MB_OK);
    }
    // A file without one value taken (empty, text, binary) is no preferences file: a first start.
    if (read.refused.size() == read.entries.size())
        return false;
    bool rewrite =
        ApplyPreferenceEntries(read.entries.data(), int(read.entries.size()),
                               [this](const char* q) { return AskYesNo(q, "SET PREFERENCE"); });
    if (rewrite) {
        PlayOkSound();
        WritePreferences();
    }
    return true;
}

bool TXLAWindow::WritePreferences() {
    // A file there that the start would not take as written is replaced only when the user
    // agrees; No keeps it byte for byte, and the settings hold for this run only.
    const std::optional<PreferenceText> read = ReadPreferenceFile();
    if (read && read->NotReadAsWritten()) {
        const char* why =
            read->notRead == kNotOpened ? "could not be opened" : "was not read as written";
        const std::string replace = std::string("replace ") + gPreferencesPath + ", which " + why +
                                    ", with the settings now in use?\nNo: they are used now, but "
                                    "not kept for the next start";
        if (MessageBox(replace.c_str(), "SET PREFERENCE", MB_YESNO) != IDYES)
            return false;
    }
    plat::AtomicFile file(gPreferencesPath);
    std::string text = FormatPreferences();
    if (file.file() && std::fputs(text.c_str(), file.file()) >= 0 && file.Commit())
        return true;
    file.Discard();
    PlayInfoSound();
    char message[kPathBufferSize + 100];
    std::snprintf(message, sizeof message,
                  "could not write to disk into directory %s \nPlease generate directory or "
                  "make write-accessible",
                  gPreferencesPath);
    MessageBox(message, "ERROR", MB_OK | MB_ICONSTOP);
    return false;
}

bool TXLAWindow::SavePreference(int index, int value) {
    if (index < 0)
        return false;
    // Read as at start. A file with something the start would not take as written is not
    // written over by what its first characters read as: the whole file is written from the
    // settings now in use (this one among them) if the user agrees to replace it.
    const std::optional<PreferenceText> read = ReadPreferenceFile();
    if (read && read->NotReadAsWritten())
        return WritePreferences();
    if (!read || read->entries.size() < std::size_t(index) + 1)
        return false;
    // Every other entry is written back so that it reads as it was read.
    std::vector<float> entries = read->entries;
    entries[std::size_t(index)] = float(value);
    if (plat::WriteFileAtomically(gPreferencesPath, FormatPreferenceEntries(entries)))
        return true;
    ReportCannotOpen(kOpenPlain, gPreferencesPath);
    return false;
}
