// Key polling and waits. Until the window layer is on main there is no input queue, so no key is
// ever seen as pressed.
#include "foundations/key_polling.h"

#include <chrono>
#include <fstream>

bool gAbortRequest = false;

bool KeyPressed() {
    return false;
}

void WaitSeconds(float seconds) {
    if (seconds <= 0.0f)
        return;
    using Clock = std::chrono::steady_clock;
    auto end = Clock::now() + std::chrono::milliseconds(static_cast<long>(seconds * 1000.0f));
    while (Clock::now() < end) {
    }
}

bool FileExists(const char* path) {
    std::ifstream in(path);
    return !in.fail();
}
