// Windows-style paths in the program's strings, and where they land on this system.
#pragma once

#include <string>

namespace plat {

// Splits as the C runtime's _splitpath does, on '\\' and '/': drive ("c:" or empty), folder with
// its trailing separator, name, and extension with its dot. Null outputs are skipped.
void SplitPath(const std::string& path, std::string* drive, std::string* dir, std::string* name,
               std::string* ext);
// Joins the four parts; a separator is added after a folder that lacks one, a dot before an
// extension that lacks one.
std::string MakePath(const std::string& drive, const std::string& dir, const std::string& name,
                     const std::string& ext);
// The path to open: '\\' becomes '/', "c:\\temp" becomes the temp folder, any other drive
// letter is dropped.
std::string NativePath(const std::string& path);
// The program folder with a trailing '/': $TARNIX_HOME when set, else the executable's folder.
std::string ProgramFolder();
// Where "c:\\temp" goes: $TARNIX_TEMP when set, else /tmp.
std::string TempFolder();

} // namespace plat
