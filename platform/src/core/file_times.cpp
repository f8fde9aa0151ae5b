// File times as 100-ns ticks since 1601, read with statx and set with utimensat.
#include "plat/files.hpp"

#include <fcntl.h>
#include <sys/stat.h>

namespace plat {

namespace {
// Seconds from 1601-01-01 to 1970-01-01.
constexpr std::uint64_t kEpochDelta = 11644473600ull;

std::uint64_t ToTicks(std::int64_t sec, std::uint32_t nsec) {
    if (sec < -std::int64_t(kEpochDelta))
        return 0;
    return (std::uint64_t(sec + std::int64_t(kEpochDelta)) * 10000000ull) + nsec / 100;
}

timespec ToTimespec(std::uint64_t ticks) {
    timespec ts{};
    if (ticks == 0) {
        ts.tv_nsec = UTIME_OMIT;
        return ts;
    }
    ts.tv_sec = time_t(std::int64_t(ticks / 10000000ull) - std::int64_t(kEpochDelta));
    ts.tv_nsec = long(ticks % 10000000ull) * 100;
    return ts;
}
} // namespace

bool GetFileTimes(const std::string& path, FileTimes& times) {
    struct statx sx {};
    if (statx(AT_FDCWD, path.c_str(), 0, STATX_ATIME | STATX_MTIME | STATX_BTIME, &sx) != 0)
        return false;
    times.access = ToTicks(sx.stx_atime.tv_sec, sx.stx_atime.tv_nsec);
    times.write = ToTicks(sx.stx_mtime.tv_sec, sx.stx_mtime.tv_nsec);
    times.creation = (sx.stx_mask & STATX_BTIME)
                         ? ToTicks(sx.stx_btime.tv_sec, sx.stx_btime.tv_nsec)
                         : times.write;
    return true;
}

bool SetFileTimes(const std::string& path, const FileTimes& times) {
    timespec ts[2] = {ToTimespec(times.access), ToTimespec(times.write)};
    return utimensat(AT_FDCWD, path.c_str(), ts, 0) == 0;
}

} // namespace plat
