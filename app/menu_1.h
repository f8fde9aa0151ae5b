// The main window's menu bar "MENU_1" and accelerator table 303, built from the command table.
#pragma once

#include "plat/menu.hpp"

// Every command with a menu item, in table order; a popup appears where its first item does.
plat::MenuModel BuildMenu1();
// Ctrl and Alt letter shortcuts of the commands that have one.
plat::AcceleratorTable BuildAcceleratorTable303();
