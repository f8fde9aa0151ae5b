// Clocks, waits, memory blocks and the help engine.
#pragma once

#include "plat/messages.hpp"

#include <cstddef>
#include <cstdint>
#include <vector>

struct SYSTEMTIME {
    WORD wYear = 0;
    WORD wMonth = 0;
    WORD wDayOfWeek = 0;
    WORD wDay = 0;
    WORD wHour = 0;
    WORD wMinute = 0;
    WORD wSecond = 0;
    WORD wMilliseconds = 0;
};

// Milliseconds since an arbitrary start, monotonic.
DWORD GetTickCount();
void GetLocalTime(SYSTEMTIME* time);
void Sleep(DWORD milliseconds);

constexpr UINT HELP_CONTEXT = 0x0001;
constexpr UINT HELP_QUIT = 0x0002;
constexpr UINT HELP_CONTENTS = 0x0003;
constexpr UINT HELP_FINDER = 0x000B;

// There is no help engine here: the request is handed to the backend (recorded headless).
BOOL WinHelp(HWND window, const char* helpFile, UINT command, std::uintptr_t data);

namespace plat {
// A zeroed block of n + 1 doubles (indexed from 1 by its users); empty when n cannot be
// allocated.
std::vector<double> GlobalBlock(std::size_t n);
// The physical memory of the computer in bytes; 0 when it cannot be told.
double PhysicalMemoryBytes();
} // namespace plat
