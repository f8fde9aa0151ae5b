// Entry of the tarnix program: the desktop when it can start, the program folder from the
// executable itself, then the application's run.
#include "app/txla_app.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#ifdef TARNIX_DESKTOP
#include "plat/qt_backend.hpp"
#endif

namespace {

// argv[0] may be relative or a bare name found on the PATH; the kernel knows the real file.
std::string ProgramPath(const char* argv0) {
    char path[4096];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return argv0 ? argv0 : "";
    path[length] = '\0';
    return path;
}

} // namespace

int main(int argc, char* argv[]) {
#ifdef TARNIX_DESKTOP
    const char* backend = std::getenv("PLAT_BACKEND");
    if (!backend || std::strcmp(backend, "headless") != 0)
        plat::InstallQtBackend(argc, argv);
#endif
    std::string self = ProgramPath(argc > 0 ? argv[0] : nullptr);
    char* args[] = {self.data(), nullptr};
    return OwlMain(1, args);
}
