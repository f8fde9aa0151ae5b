// Reading and writing "tarnixparams.ini" for the main window.
#include "app/preferences_file.h"
#include "app/txla_window.h"
#include "foundations/cvector.h"
#include "foundations/numeric_text_files.h"
#include "foundations/show_error.h"
#include "foundations/sounds.h"
#include "plat/atomic_file.hpp"
#include "scandata/scan_file.h"
#include "state/startup_paths.h"

#include <cstdio>
#include <optional>
#include <string>

namespace {

// The preferences file as the start reads it; nothing when it is not there or cannot be read.
std::optional<PreferenceText> ReadPreferenceFile() {
    std::string text;
    if (!ReadWholeFile(gPreferencesPath, &text))
        return std::nullopt;
    return ReadPreferenceText(text);
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
    // A file without one value taken (empty, text, binary) is no preferences file: a first start.
    if (read.refused.size() == read.entries.size())
        return false;
    // A value that is not taken is named with its line; its default stands in its place.
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
    // Read as at start; a value the start would not take (the file was edited since) is not
    // written over by what its first characters read as: the file stays as it is.
    const std::optional<PreferenceText> read = ReadPreferenceFile();
    if (!read || read->tooLong || !read->refused.empty() ||
        read->entries.size() < std::size_t(index) + 1)
        return false;
    CVector entries(std::uint32_t(read->entries.size()), read->entries.data(), 1);
    entries.data[index] = float(value);
    return entries.Write(gPreferencesPath);
}
