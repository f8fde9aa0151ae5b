// Printing the main window as one page (234) and the printer set-up (233).
#include "app/txla_window.h"
#include "plat/printer.hpp"
#include "plat/surface.hpp"

#include <algorithm>

namespace {

// The window's painting as one page: the client area scaled to fill the page, aspect kept.
class TWindowPrintout : public TPrintout {
  public:
    TWindowPrintout(const char* title, TWindow* window) : TPrintout(title), window_(window) {}

    // No page range to choose: there is one page.
    void GetDialogInfo(int& minPage, int& maxPage, int& selFromPage, int& selToPage) override {
        minPage = maxPage = selFromPage = selToPage = 0;
    }
    bool HasPage(int page) override { return page == 1; }

    void PrintPage(int, TRect&, unsigned) override {
        if (!DC || !window_)
            return;
        // What the window shows, with any repaint still pending done first.
        window_->UpdateWindow();
        plat::Surface& screen = window_->GetSurface();
        const int width = screen.Width(), height = screen.Height();
        if (width <= 0 || height <= 0 || PageSize.cx <= 0 || PageSize.cy <= 0)
            return;
        int w = PageSize.cx, h = PageSize.cy;
        if (scale_) {
            const double factor =
                std::min(double(PageSize.cx) / width, double(PageSize.cy) / height);
            w = int(width * factor);
            h = int(height * factor);
        }
        TSurfaceDC source(screen);
        DC->StretchBlt(0, 0, w, h, source, 0, 0, width, height);
    }

  private:
    TWindow* window_;
    bool scale_ = true;
};

} // namespace

TPrinter* TXLAWindow::GetPrinter() {
    if (!printerCreated) {
        printer = new TPrinter;
        printerCreated = true;
    }
    return printer;
}

void TXLAWindow::CmPrint() {
    if (!printerCreated)
        GetPrinter();
    if (!printer)
        return;
    TWindowPrintout printout("Tarnix Printout", this);
    printout.Banding = true;
    printer->Print(this, printout, true);
}

void TXLAWindow::CmPrinterSetup() {
    if (printer)
        printer->Setup(this);
}
