// Reading and writing "tarnixparams.ini" for the main window.
#include "app/preferences_file.h"
#include "app/txla_window.h"
#include "foundations/cvector.h"
#include "foundations/numeric_text_files.h"
#include "foundations/sounds.h"
#include "plat/atomic_file.hpp"
#include "state/startup_paths.h"

#include <cstdio>
#include <string>

namespace {

bool Readable(const char* path) {
    std::FILE* file = std::fopen(path, "r");
    if (!file)
        return false;
    std::fclose(file);
    return true;
}

} // namespace

bool TXLAWindow::ReadPreferences() {
    if (!Readable(gPreferencesPath))
        return false;
    CVector entries;
    if (!ReadSettingsVector(entries, gPreferencesPath, kMostSettingsLines) || entries.length == 0)
        return false;
    bool rewrite = ApplyPreferenceEntries(entries.data, int(entries.length), [this](const char* q) {
        return AskYesNo(q, "SET PREFERENCE");
    });
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
    if (index < 0 || !Readable(gPreferencesPath))
        return false;
    CVector entries;
    if (!ReadSettingsVector(entries, gPreferencesPath, kMostSettingsLines) ||
        entries.length < std::uint32_t(index) + 1)
        return false;
    entries.data[index] = float(value);
    return entries.Write(gPreferencesPath);
}
