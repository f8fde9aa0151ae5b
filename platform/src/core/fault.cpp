// Fault reporting: a handler when installed, else a loud end.
#include "plat/fault.hpp"

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace plat {

namespace {
std::mutex gMutex;
FaultHandler gHandler;
} // namespace

FaultHandler SetFaultHandler(FaultHandler handler) {
    std::lock_guard lock(gMutex);
    FaultHandler previous = std::move(gHandler);
    gHandler = std::move(handler);
    return previous;
}

void ReportFault(const std::string& text) {
    FaultHandler handler;
    {
        std::lock_guard lock(gMutex);
        handler = gHandler;
    }
    if (handler) {
        handler(text);
        return;
    }
    std::fprintf(stderr, "tarnix: %s\n", text.c_str());
    std::abort();
}

} // namespace plat
