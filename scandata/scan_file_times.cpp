// File times as 100-ns ticks since 1601, read with stat and set back with utimensat.
#include "scandata/scan_file_times.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace {

// Seconds between 1601-01-01 and 1970-01-01.
constexpr long long kEpochDifference = 11644473600LL;

FileTime ToTicks(const timespec& ts)
{
    long long ticks = (static_cast<long long>(ts.tv_sec) + kEpochDifference) * 10000000LL +
                      ts.tv_nsec / 100;
    return ticks < 0 ? 0 : static_cast<FileTime>(ticks);
}

timespec FromTicks(FileTime ticks)
{
    timespec ts{};
    long long t = static_cast<long long>(ticks);
    ts.tv_sec = static_cast<time_t>(t / 10000000LL - kEpochDifference);
    ts.tv_nsec = static_cast<long>((t % 10000000LL) * 100);
    return ts;
}

} // namespace

bool ReadScanFileTimes(const char* path, FileTime& creation, FileTime& access, FileTime& write)
{
    struct stat st {};
    if (!path || stat(path, &st) != 0)
        return false;
    access = ToTicks(st.st_atim);
    write = ToTicks(st.st_mtim);
    // No birth time through stat: the status change time stands in for it.
    creation = ToTicks(st.st_ctim);
    return true;
}

bool RestoreScanFileTimes(const char* path, FileTime creation, FileTime access, FileTime write)
{
    (void)creation;
    timespec times[2] = {FromTicks(access), FromTicks(write)};
    return path && utimensat(AT_FDCWD, path, times, 0) == 0;
}
