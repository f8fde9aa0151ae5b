// Printing: the print dialog chooses a printer or a file; each page is drawn by the printout on a
// page-sized surface, which the desktop then gives to the printer (or writes as a PDF file). The
// headless backend asks its script for an image file and writes the page there as PNG.
#pragma once

#include "plat/gdi.hpp"
#include "plat/geometry.hpp"

#include <string>

class TWindow;

namespace plat {

// Where the pages go, as the print dialog chose it.
struct PrintTarget {
    std::string printer; // the printer's name; empty when printing to a file
    std::string file;    // the output file; empty when printing to a printer
    TSize pageSize{};    // printable page in device pixels
};

} // namespace plat

// One print job's pages. The printer asks for the page range first, then draws each page the
// printout has into the page context set by SetPrintParams.
class TPrintout {
  public:
    explicit TPrintout(std::string title) : Title(std::move(title)) {}
    virtual ~TPrintout() = default;

    // The page numbers the dialog offers: minimum, maximum and the first and last selected.
    virtual void GetDialogInfo(int& minPage, int& maxPage, int& selFromPage, int& selToPage);
    virtual bool HasPage(int page) { return page == 1; }
    // Draws the page into DC; rect is the band to draw (the whole page here).
    virtual void PrintPage(int page, TRect& rect, unsigned flags) = 0;

    void SetPrintParams(TDC* dc, TSize pageSize) {
        DC = dc;
        PageSize = pageSize;
    }

    std::string Title;
    bool Banding = false;
    TDC* DC = nullptr;
    TSize PageSize{};
};

class TPrinter {
  public:
    // Shows the print dialog (prompt) and prints every page the printout has. False when the
    // dialog was cancelled, the printout had no page, or the printer refused a page.
    bool Print(TWindow* parent, TPrintout& printout, bool prompt);
    // The printer set-up dialog.
    void Setup(TWindow* parent);

  private:
    plat::PrintTarget target_; // the last choice, which a print without the dialog reuses
};
