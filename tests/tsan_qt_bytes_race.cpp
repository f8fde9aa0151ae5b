// A race of ours on a buffer the toolkit copies, for the ThreadSanitizer build: a worker thread
// writes the buffer while the main thread hands it to the toolkit. With the threads Qt starts for
// itself unchecked it must still be reported: the copy is made by the C library's memcpy called
// from inside Qt, which a rule silencing every call Qt makes into the checked library would hide.
#include "plat/qt_backend.hpp"
#include "platform/src/qt/qt_probe.hpp"

#include <atomic>
#include <cstdio>
#include <thread>

namespace {
char gBuffer[4096]; // unguarded on purpose
} // namespace

int main(int argc, char** argv) {
    if (!plat::InstallQtBackend(argc, argv))
        return 2;
    std::atomic<bool> started{false};
    std::thread worker([&started] {
        started = true;
        for (int round = 0; round < 200; ++round)
            for (char& c : gBuffer)
                c = char(round);
    });
    while (!started) {
    }
    long sum = 0;
    for (int i = 0; i < 200; ++i)
        sum += plat::qtprobe::SumOfToolkitCopy(gBuffer, int(sizeof gBuffer));
    worker.join();
    std::printf("sum %ld\n", sum);
    return 0;
}
