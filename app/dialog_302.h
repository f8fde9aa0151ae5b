// Dialog 302: the warranty disclaimer, shown at the first start and by About.
#pragma once

#include "plat/dialog.hpp"

constexpr int kDisclaimerDialogId = 302;

// The template: the disclaimer text, "agree" (IDOK) and "don't agree" (IDCANCEL).
plat::DialogTemplate Dialog302();
// Makes dialog 302 known to the dialog layer (again, when it already is).
void RegisterDialog302();
