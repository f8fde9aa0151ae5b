// Starting other programs from the command lines the program builds.
#pragma once

#include "plat/backend.hpp"
#include "plat/messages.hpp"

#include <string>
#include <vector>

constexpr UINT SW_HIDE = 0;
constexpr UINT SW_SHOWNORMAL = 1;
constexpr UINT SW_NORMAL = 1;
constexpr UINT SW_SHOWMINIMIZED = 2;
constexpr UINT SW_SHOWMAXIMIZED = 3;
constexpr UINT SW_MAXIMIZE = 3;
constexpr UINT SW_SHOW = 5;
constexpr UINT SW_MINIMIZE = 6;

// Starts the program and returns at once: > 31 when it started, <= 31 when it did not.
UINT WinExec(const char* commandLine, UINT show);

namespace plat {

// Splits a Windows command line into arguments: blanks separate, double quotes group.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);
// The argument vector to start on this system: the text editor ("notepad.exe") becomes $VISUAL or
// xdg-open, a browser ("firefox.exe", "explorer.exe") xdg-open, "cmd.exe /K x.bat" sh with x.sh,
// and a companion "name.exe" the program of that name (without ".exe" when such a file exists)
// in the given folder, or in the program folder when none is given. Windows paths among the
// arguments become native paths.
std::vector<std::string> MapCommandLine(const std::string& commandLine);
// Starts the program with each of args as one argument, whatever blanks or quotes it holds (no
// command line is formed and split); the program is mapped as the first word of MapCommandLine,
// Windows paths become native. wait: waits for the end as CreateProcessAndWait does, else returns
// at once as WinExec does; > 31 when it started.
int StartProgram(const std::string& program, const std::vector<std::string>& args,
                 bool wait = false, const std::string& workingDir = {});
// Starts and waits for the end; > 31 when it ran (32 + its exit status, capped), <= 31 when not.
int CreateProcessAndWait(const std::string& commandLine, const std::string& workingDir = {});
// Opens a file or address with the desktop's handler; > 31 when started.
int ShellOpen(const std::string& target);
// Opens the file in the text editor ($VISUAL, else xdg-open) with its path as one argument,
// whatever quotes or blanks the name holds; > 31 when started.
int OpenInTextEditor(const std::string& path);

} // namespace plat
