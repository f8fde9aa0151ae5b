// Printing on the desktop: the toolkit's print dialog (a printer or a PDF file) and the page
// surfaces painted onto the printer's pages.
#pragma once

#include "plat/printer.hpp"

class QWidget;

namespace plat {
class Surface;
}

namespace plat::qt {

bool RunPrintDialog(QWidget* owner, const std::string& title, PrintTarget& target);
void RunPrinterSetup(QWidget* owner, PrintTarget& target);
// The first page starts the job; each page is scaled to the printable area, aspect kept.
bool PrintSurface(const PrintTarget& target, const Surface& page, bool first);
bool EndPrint(const PrintTarget& target);

} // namespace plat::qt
