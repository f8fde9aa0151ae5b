// A fresh program folder for tests of the shell: the start-up paths point into it and the
// program-wide records are at their defaults.
#pragma once

#include "support/temp_folder.h"

#include <string>

class ProgramFolder {
  public:
    ProgramFolder();
    ~ProgramFolder();
    const std::string& path() const { return folder_.path(); }
    // path() + "/" + name
    std::string file(const std::string& name) const { return folder_.file(name); }
    // The program's own path inside the folder, as the entry function gets it.
    std::string programPath() const { return folder_.file("tarnix"); }
    // A preferences file as the writer makes it with the defaults and the disclaimer accepted.
    void WriteAcceptedPreferences() const;
    // After every record is reset: the start-up paths point into the newest folder still alive,
    // as the program built them from its own path; with none alive they stay empty.
    static void PointPathsIntoTheLiveFolder();

  private:
    void PointPathsHere();

    TempFolder folder_;
    std::string diagnosticsFolder_;
    ProgramFolder* previous_ = nullptr;
};
