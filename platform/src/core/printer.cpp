// The print job: dialog, then each page drawn on a page surface and handed to the backend.
#include "plat/printer.hpp"

#include "plat/backend.hpp"
#include "plat/msgbox.hpp"
#include "plat/surface.hpp"

void TPrintout::GetDialogInfo(int& minPage, int& maxPage, int& selFromPage, int& selToPage) {
    minPage = maxPage = 1;
    selFromPage = selToPage = 0;
}

bool TPrinter::Print(TWindow* parent, TPrintout& printout, bool prompt) {
    plat::Backend& backend = plat::GetBackend();
    int minPage = 0, maxPage = 0, fromPage = 0, toPage = 0;
    printout.GetDialogInfo(minPage, maxPage, fromPage, toPage);
    if (prompt || (target_.printer.empty() && target_.file.empty())) {
        plat::PrintTarget chosen = target_;
        if (!backend.printDialog(parent, printout.Title, chosen))
            return false;
        target_ = chosen;
    }
    const TSize size = target_.pageSize;
    if (size.cx <= 0 || size.cy <= 0)
        return false;
    bool printed = false;
    for (int page = 1; printout.HasPage(page); ++page) {
        plat::Surface surface(size.cx, size.cy, RGB(255, 255, 255));
        TSurfaceDC dc(surface);
        printout.SetPrintParams(&dc, size);
        TRect band{0, 0, size.cx, size.cy};
        printout.PrintPage(page, band, 0);
        printout.SetPrintParams(nullptr, size);
        printed = backend.printPage(target_, surface, page == 1);
        if (!printed)
            break;
    }
    // The printer object reports its own failures, as a user expects of a print job.
    if (!backend.endPrint(target_) || !printed) {
        const std::string where = target_.file.empty() ? target_.printer : target_.file;
        const std::string text = "The page could not be printed to " + where + ".";
        MessageBox(parent, text.c_str(), printout.Title.c_str(), MB_OK | MB_ICONSTOP);
        return false;
    }
    return true;
}

void TPrinter::Setup(TWindow* parent) {
    plat::GetBackend().printerSetup(parent, target_);
}
