// The desktop backend on Qt 6 widgets.
#pragma once

namespace plat {

// Makes the toolkit's application object and installs the desktop backend on the calling
// thread, which becomes the GUI thread. Chooses the offscreen platform when there is no display
// and none was asked for. Returns false when the toolkit cannot start (the caller then keeps the
// headless backend). `argc` and `argv` must outlive the backend.
bool InstallQtBackend(int& argc, char** argv);

} // namespace plat
