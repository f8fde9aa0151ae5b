// Message boxes: the button and icon flags of the program's boxes and their result codes.
#pragma once

#include <string>

class QMessageBox;
class QWidget;

namespace plat::qt {

// A box with the buttons and icon of `flags` (MB_OK, MB_OKCANCEL, MB_YESNO, MB_ICON*). A BEL in
// the text is taken out, because it would show as a control glyph; `rings` tells the caller to
// ring the bell instead.
QMessageBox* MakeMessageBox(QWidget* owner, const std::string& text, const std::string& caption,
                            unsigned flags, bool* rings);

// IDOK 1, IDCANCEL 2, IDYES 6 or IDNO 7 for the button that closed the box.
int MessageBoxResult(const QMessageBox& box);

} // namespace plat::qt
