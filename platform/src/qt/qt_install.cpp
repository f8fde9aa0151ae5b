// Starting the toolkit and installing the desktop backend.
#include "plat/backend.hpp"
#include "plat/qt_backend.hpp"
#include "qt/qt_backend.hpp"
#include "qt/qt_env.hpp"

#include <QtWidgets/QApplication>
#include <memory>

namespace plat {

bool InstallQtBackend(int& argc, char** argv) {
    if (!QCoreApplication::instance()) {
        qt::ChoosePlatformPlugin();
        // Lives for the rest of the process: windows and boxes may outlast main's objects.
        static QApplication* app = new QApplication(argc, argv);
        (void)app;
        // Closing the last window is the program's decision (WM_CLOSE), not the toolkit's.
        QApplication::setQuitOnLastWindowClosed(false);
    }
    SetBackend(std::make_unique<qt::QtBackend>());
    return true;
}

} // namespace plat

// The font library behind the toolkit keeps a cache for the life of the process, which the leak
// checker of sanitizer builds reports at exit; it is the toolkit's memory, not ours. Every
// program and test that starts the toolkit links this file, so they all share the exception.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
