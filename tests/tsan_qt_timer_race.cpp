// A race of ours run from the toolkit's timer slot, for the ThreadSanitizer build: a worker thread
// and the slot write one counter without a lock. With the threads Qt starts for itself unchecked it
// must still be reported; a suppression rule matching the Qt libraries anywhere on the stack would
// hide it (Qt's event loop is below the slot).
#include "plat/qt_backend.hpp"
#include "platform/src/qt/qt_probe.hpp"

#include <atomic>
#include <cstdio>
#include <thread>

namespace {
int gShared = 0; // unguarded on purpose
} // namespace

int main(int argc, char** argv) {
    if (!plat::InstallQtBackend(argc, argv))
        return 2;
    std::atomic<bool> slotRan{false};
    std::thread worker([] {
        for (int i = 0; i < 1000; ++i)
            gShared = gShared + 1;
    });
    plat::qtprobe::CallFromTimerSlot(1, [&slotRan] {
        gShared = -1;
        slotRan = true;
    });
    while (!slotRan)
        plat::qtprobe::ProcessEvents();
    worker.join();
    std::printf("counter %d\n", gShared);
    return 0;
}
