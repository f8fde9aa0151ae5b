// The clipboard's text as a spreadsheet pastes it, for tests that read back the copied tables.
#pragma once

#include <string>
#include <vector>

using PastedTable = std::vector<std::vector<std::string>>;

// The clipboard text split into rows at line feeds and into cells at tabs (a row without a tab is
// one cell); empty when the clipboard holds no text.
PastedTable PasteClipboard();
