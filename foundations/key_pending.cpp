// The look at the queue for a waiting key.
#include "foundations/key_pending.h"

#include "plat/app.hpp"
#include "plat/messages.hpp"

bool KeyPending() {
    MSG msg;
    return PeekMessage(&msg, nullptr, WM_KEYDOWN, WM_KEYDOWN, PM_NOREMOVE) != 0;
}
