// "tarnix.ini": the folder of the last loaded data, stored with a trailing separator and read
// back as a folder only.
#include "app/last_data_folder.h"
#include "app/startup_environment.h"
#include "state/startup_paths.h"
#include "support/program_folder.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace {

std::string ReadBack() {
    char folder[kLastDataFolderSize] = "unchanged";
    ReadLastDataFolder(nullptr, folder);
    return folder;
}

} // namespace

TEST(LastDataFolder, StoredFoldersReadBackWithTheirSeparator) {
    struct Case {
        const char* given;
        const char* stored;
    };
    const Case cases[] = {
        {"/data/run1/", "/data/run1/"},
        {"/data/run1", "/data/run1/"},
        // A dot belongs to the folder's name, not to an extension.
        {"/data/exp.2024", "/data/exp.2024/"},
    };
    for (const Case& c : cases) {
        ProgramFolder folder;
        CheckStartupEnvironment();
        SaveLastDataFolder(nullptr, c.given);
        EXPECT_EQ(ReadTextFile(folder.file("tarnix.ini")), c.stored) << c.given;
        EXPECT_EQ(ReadBack(), c.stored) << c.given;
    }
}

// The whole folder comes back, however deep: a folder cut short would be one of its ancestors.
TEST(LastDataFolder, ReadingKeepsTheWholeFolder) {
    ProgramFolder folder;
    CheckStartupEnvironment();
    struct Case {
        std::string content;
        std::string folder;
    };
    std::string longFolder = "/" + std::string(120, 'a') + "/";
    std::string deepFolder;
    for (int i = 0; i < 16; ++i)
        deepFolder += "/" + std::string(250, char('a' + i));
    deepFolder += "/";
    const Case cases[] = {
        {"/data/run1/00001.RA1", "/data/run1/"},      {"/data/run1/\n", "/data/run1/"},
        {"C:\\data\\run1\\", "C:\\data\\run1\\"},     {longFolder, longFolder},
        {"/data/" + std::string(120, 'b'), "/data/"}, {deepFolder, deepFolder},
        {deepFolder + "00001.RA1", deepFolder},
    };
    for (const Case& c : cases) {
        WriteTextFile(folder.file("tarnix.ini"), c.content);
        EXPECT_EQ(ReadBack(), c.folder) << c.content;
    }
}

TEST(LastDataFolder, MissingFileLeavesTheFolderAlone) {
    ProgramFolder folder;
    SetProgramPath(folder.file("none/tarnix").c_str());
    CheckStartupEnvironment();
    SaveLastDataFolder(nullptr, "/data/");
    EXPECT_EQ(ReadBack(), "unchanged");
}

TEST(LastDataFolder, StartUpStoresTheProgramFolderOnce) {
    ProgramFolder folder;
    CheckStartupEnvironment();
    EXPECT_EQ(ReadBack(), folder.path() + "/");
    SaveLastDataFolder(nullptr, "/data/run2/");
    CheckStartupEnvironment();
    EXPECT_EQ(ReadBack(), "/data/run2/");
}
