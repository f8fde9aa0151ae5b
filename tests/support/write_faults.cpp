// Write faults in a child process.
#include "support/write_faults.h"

#include "plat/atomic_file.hpp"
#include "state/conti_state.h"
#include "state/preference_switches.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

const char* WriteFaultName(WriteFault fault) {
    switch (fault) {
    case WriteFault::CutWrite:
        return "cut write";
    case WriteFault::FailingClose:
        return "failing close";
    case WriteFault::ReadOnlyFolder:
        return "read-only folder";
    }
    return "?";
}

std::vector<WriteFault> AllWriteFaults() {
    return {WriteFault::CutWrite, WriteFault::FailingClose, WriteFault::ReadOnlyFolder};
}

bool ChildReportsFailure(WriteFault fault, const std::string& folder,
                         const std::function<bool()>& reported) {
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0)
        return false;
    if (pid == 0) {
        switch (fault) {
        case WriteFault::CutWrite: {
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit limit{};
            ::getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = 16;
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
                ::_exit(3);
            break;
        }
        case WriteFault::FailingClose:
            plat::test::FailAtomicCommits(1);
            break;
        case WriteFault::ReadOnlyFolder:
            if (::chmod(folder.c_str(), 0555) != 0)
                ::_exit(3);
            // Root writes anywhere: the child becomes "nobody" for the save.
            if (::geteuid() == 0 &&
                (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
                ::_exit(3);
            break;
        }
        // A child of a threaded parent starts no threads of its own (the thread checker refuses
        // them): its engines run on the calling thread.
        gLammThreadCount = 1;
        gDistributionThreadCount = 1;
        ContiState::multiThreading = false;
        const bool ok = reported();
        std::fflush(nullptr);
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::chmod(folder.c_str(), 0700);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}
