// The open and save dialogs on the toolkit's own (non-native) file dialog, so they behave the
// same on every desktop.
#pragma once

#include "plat/filedlg.hpp"

#include <QtWidgets/QFileDialog>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace plat::qt {

// "All AUC Files (*.IP*;*.RA*)" with patterns "*.IP*;*.RA*" becomes a name filter whose pattern
// list the toolkit can read; the description is what the user sees.
QStringList NameFilters(const std::vector<std::pair<std::string, std::string>>& filters);

std::unique_ptr<QFileDialog> MakeFileDialog(QWidget* owner, const OpenFileRecord& record,
                                            bool save);
// The chosen files as full paths and the 1-based filter; false when nothing was chosen.
bool ChosenFiles(const QFileDialog& dialog, std::vector<std::string>& paths, DWORD& filterIndex);

} // namespace plat::qt
