// Choice of the toolkit's platform plugin before the application object exists.
#include "qt/qt_env.hpp"

#include <cstdlib>

namespace plat::qt {

bool ChoosePlatformPlugin() {
    auto set = [](const char* name) {
        const char* v = std::getenv(name);
        return v && *v;
    };
    if (set("QT_QPA_PLATFORM"))
        return false;
    // Without a display the default plugin aborts the program; offscreen still runs it.
    if (set("DISPLAY") || set("WAYLAND_DISPLAY"))
        return false;
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return true;
}

} // namespace plat::qt
