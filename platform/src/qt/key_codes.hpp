// Translation of the toolkit's key and pointer state into virtual-key codes and MK_ flags.
#pragma once

#include <QtCore/qnamespace.h>

namespace plat::qt {

// The virtual-key code of a toolkit key, or 0 for keys the program never sees (dead keys,
// media keys). Letters map to their upper-case code whatever the layout's shift state.
int VirtualKey(int qtKey, bool keypad = false);

// MK_LBUTTON/MK_RBUTTON/MK_SHIFT/MK_CONTROL/MK_MBUTTON of a pointer event, as the handlers
// compare them (MK_LBUTTON | MK_CONTROL == 9), plus KS_ALT for the key state of a message.
unsigned KeyState(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);
// The MK_ bits alone, the wParam of a mouse message.
constexpr unsigned kMouseKeyMask = 0x00FF;

} // namespace plat::qt
