// Building the start-up paths and preparing the program folder.
#include "app/startup_environment.h"

#include "plat/atomic_file.hpp"
#include "plat/msgbox.hpp"
#include "state/startup_paths.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

// folder + name, cut to the buffer when too long.
void Join(char* out, const char* folder, const char* name) {
    std::string joined = std::string(folder) + name;
    std::size_t length = std::min(joined.size(), std::size_t(kPathBufferSize - 1));
    std::memcpy(out, joined.data(), length);
    out[length] = '\0';
}

bool IsFile(const char* path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

// The sibling program is installed without the Windows extension; a copy that kept it is found too.
void FindSiblingProgram() {
    Join(gMirovanProgramPath, gProgramFolder, "mirovan");
    if (IsFile(gMirovanProgramPath))
        return;
    char withExtension[kPathBufferSize];
    Join(withExtension, gProgramFolder, "mirovan.exe");
    if (IsFile(withExtension)) {
        std::memcpy(gMirovanProgramPath, withExtension, kPathBufferSize);
        return;
    }
    char text[kPathBufferSize + 32];
    std::snprintf(text, sizeof text, "could not find %s", gMirovanProgramPath);
    MessageBox(nullptr, text, "ERROR", MB_OK);
}

void PrepareTempFolder() {
    Join(gTempFolder, gSettingsFolder, "temp");
    std::error_code error;
    if (!std::filesystem::is_directory(gTempFolder, error)) {
        std::filesystem::create_directory(gTempFolder, error);
        if (error) {
            char text[kPathBufferSize + 32];
            std::snprintf(text, sizeof text, "could not create %s", gTempFolder);
            MessageBox(nullptr, text, "ERROR", MB_OK);
        }
    }
    std::strncat(gTempFolder, "/", kPathBufferSize - std::strlen(gTempFolder) - 1);
}

// "tarnix.ini" starts out naming the program folder as the last data folder.
void PrepareLastFolderFile() {
    Join(gLastFolderFilePath, gSettingsFolder, "tarnix.ini");
    std::error_code error;
    if (std::filesystem::exists(gLastFolderFilePath, error))
        return;
    plat::WriteFileAtomically(gLastFolderFilePath, gProgramFolder);
}

void BuildTablePaths() {
    static const char* const kSoundFiles[kSoundSetCount] = {
        "sounds/error.wav", "sounds/info.wav", "sounds/question.wav", "sounds/fitdone.wav",
        "sounds/hi.wav",    "sounds/bye.wav",  "sounds/ok.wav",       "sounds/beer.wav"};
    TablePaths& t = gTablePaths;
    Join(t.mofs, gProgramFolder, "mofs.dat");
    Join(t.wormChainMofs, gProgramFolder, "~WormChain_mofs.dat");
    for (int i = 0; i < kSoundSetCount; ++i)
        Join(t.sounds[i], gProgramFolder, kSoundFiles[i]);
    Join(t.viscosity, gProgramFolder, "viscosity.dat");
    Join(t.density, gProgramFolder, "density.dat");
    Join(t.sNonId, gProgramFolder, "snonid.dat");
    Join(t.dNonId, gProgramFolder, "dnonid.dat");
    Join(t.distrib, gTempFolder, "distrib.dat");
    Join(t.boundaryFractions, gTempFolder, "ppBoundaryFracts.dat");
    Join(t.nonIdCtotTable, gTempFolder, "ppNonIdCtotTable.dat");
    Join(t.integrationRangeFile, gProgramFolder, "integratrangefile.txt");
    Join(t.optimiserLog, gProgramFolder, "integratrangefile.txt");
}

} // namespace

void SetProgramPath(const char* programPath) {
    const char* slash = std::strrchr(programPath, '/');
    std::size_t length = slash ? std::size_t(slash - programPath) + 1 : 0;
    if (length >= std::size_t(kPathBufferSize))
        length = kPathBufferSize - 1;
    std::memcpy(gProgramFolder, programPath, length);
    gProgramFolder[length] = '\0';
    const char* home = std::getenv("TARNIX_HOME");
    if (home && *home)
        Join(gSettingsFolder, home, home[std::strlen(home) - 1] == '/' ? "" : "/");
    else
        std::memcpy(gSettingsFolder, gProgramFolder, kPathBufferSize);
    Join(gPreferencesPath, gSettingsFolder, "tarnixparams.ini");
    Join(gLammPreferencesPath, gSettingsFolder, "tarnixlammparams.ini");
}

void CheckStartupEnvironment() {
    FindSiblingProgram();
    PrepareTempFolder();
    PrepareLastFolderFile();
    BuildTablePaths();
}
