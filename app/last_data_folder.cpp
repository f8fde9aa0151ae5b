// "tarnix.ini": one line, the folder of the last loaded data.
#include "app/last_data_folder.h"

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
    std::FILE* file = std::fopen(gLastFolderFilePath, "w");
    if (!file)
        return;
    std::fprintf(file, "%s", folder.c_str());
    std::fclose(file);
}

void ReadLastDataFolder(TXLAWindow*, char* folder) {
    std::FILE* file = std::fopen(gLastFolderFilePath, "r");
    if (!file)
        return;
    char line[100] = "";
    if (!std::fgets(line, sizeof line, file))
        line[0] = '\0';
    std::fclose(file);
    // Only the folder part counts: anything after the last separator is dropped.
    char* slash = std::strrchr(line, '/');
    if (!slash)
        slash = std::strrchr(line, '\\');
    std::size_t length = slash ? std::size_t(slash - line) + 1 : 0;
    std::memcpy(folder, line, length);
    folder[length] = '\0';
}
