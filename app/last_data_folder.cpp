// "tarnix.ini": one line, the folder of the last loaded data.
#include "app/last_data_folder.h"

#include "plat/atomic_file.hpp"
#include "state/startup_paths.h"

#include <cstdio>
#include <cstring>
#include <string>

char gLastDataFolder[kLastDataFolderSize];

void SaveLastDataFolder(TXLAWindow*, const char* path) {
    // A folder given without its trailing '/' gets one; a dot in its name is part of the name.
    std::string folder = path;
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    // Best effort, as before: a failed write leaves the previous folder.
    plat::WriteFileAtomically(gLastFolderFilePath, folder);
}

void ReadLastDataFolder(TXLAWindow*, char* folder) {
    std::FILE* file = std::fopen(gLastFolderFilePath, "r");
    if (!file)
        return;
    // The whole folder is taken: a deep folder cut short would name one of its ancestors.
    std::string buffer(kLastDataFolderSize, '\0');
    if (!std::fgets(buffer.data(), kLastDataFolderSize, file))
        buffer[0] = '\0';
    bool whole = std::strlen(buffer.c_str()) + 1 < std::size_t(kLastDataFolderSize);
    if (!whole) {
        int next = std::fgetc(file);
        whole = next == EOF || next == '\n';
    }
    std::fclose(file);
    if (!whole)
        return;
    char* line = buffer.data();
    // Only the folder part counts: anything after the last separator is dropped.
    char* slash = std::strrchr(line, '/');
    if (!slash)
        slash = std::strrchr(line, '\\');
    std::size_t length = slash ? std::size_t(slash - line) + 1 : 0;
    std::memcpy(folder, line, length);
    folder[length] = '\0';
}
