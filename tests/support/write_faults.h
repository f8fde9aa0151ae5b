// Runs a save in a child process under a write fault (a cut write, a failing close, a read-only
// folder) so that savers can be checked for keeping the previous file and reporting the failure.
#pragma once

#include <functional>
#include <string>
#include <vector>

enum class WriteFault { CutWrite, FailingClose, ReadOnlyFolder };
const char* WriteFaultName(WriteFault fault);
std::vector<WriteFault> AllWriteFaults();

// Forks; the child sets up the fault (a 16-byte file-size limit with SIGXFSZ ignored; the next
// atomic commit failing at the close; folder made read-only and, when running as root, the
// child's user changed to one without rights), runs reported() and exits with its verdict.
// True when the child ran to the end and reported() answered true.
bool ChildReportsFailure(WriteFault fault, const std::string& folder,
                         const std::function<bool()>& reported);
// The names of the entries of folder, sorted.
std::vector<std::string> FolderEntries(const std::string& folder);
