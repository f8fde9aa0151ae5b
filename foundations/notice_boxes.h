// The boxes an engine shows with a caption of its own, owned by the main window when there is
// one: a notice to confirm, the same with the exclamation icon, and a yes/no question. Errors
// without a caption of their own go through ShowError.
#pragma once

class TXLAWindow;

void ShowNotice(TXLAWindow* window, const char* text, const char* caption);
void ShowWarning(TXLAWindow* window, const char* text, const char* caption);
// True on yes. A null caption shows the program's name.
bool AskYesOrNo(TXLAWindow* window, const char* text, const char* caption);
