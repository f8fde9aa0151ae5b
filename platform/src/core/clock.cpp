// Tick count, local time, sleep, memory blocks and help requests.
#include "plat/clock.hpp"

#include "plat/backend.hpp"

#include <chrono>
#include <ctime>
#include <new>
#include <thread>
#include <unistd.h>

DWORD GetTickCount() {
    using namespace std::chrono;
    return DWORD(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void GetLocalTime(SYSTEMTIME* out) {
    if (!out)
        return;
    using namespace std::chrono;
    auto now = system_clock::now();
    std::time_t t = system_clock::to_time_t(now);
    std::tm tm{};
    localtime_r(&t, &tm);
    out->wYear = WORD(tm.tm_year + 1900);
    out->wMonth = WORD(tm.tm_mon + 1);
    out->wDayOfWeek = WORD(tm.tm_wday);
    out->wDay = WORD(tm.tm_mday);
    out->wHour = WORD(tm.tm_hour);
    out->wMinute = WORD(tm.tm_min);
    out->wSecond = WORD(tm.tm_sec);
    out->wMilliseconds = WORD(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
}

void Sleep(DWORD milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

BOOL WinHelp(HWND, const char* helpFile, UINT command, std::uintptr_t data) {
    plat::GetBackend().showHelp(helpFile ? helpFile : "", command, data);
    return TRUE;
}

namespace plat {
double PhysicalMemoryBytes() {
    const long pages = ::sysconf(_SC_PHYS_PAGES), size = ::sysconf(_SC_PAGESIZE);
    return pages > 0 && size > 0 ? double(pages) * double(size) : 0.0;
}

std::vector<double> GlobalBlock(std::size_t n) {
    if (n >= std::vector<double>().max_size())
        return {};
    try {
        return std::vector<double>(n + 1, 0.0);
    } catch (const std::bad_alloc&) {
        return {};
    } catch (const std::length_error&) {
        return {};
    }
}
} // namespace plat
