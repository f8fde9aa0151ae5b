// The desktop's print job on one QPrinter, kept for the whole run as the printer object is.
#include "qt/print_job.hpp"

#include "plat/surface.hpp"
#include "qt/modal_loop.hpp"

#include <QtGui/QImage>
#include <QtGui/QPainter>
#include <QtPrintSupport/QPageSetupDialog>
#include <QtPrintSupport/QPrintDialog>
#include <QtPrintSupport/QPrinter>
#include <memory>

namespace plat::qt {
namespace {

QPrinter& Printer() {
    static std::unique_ptr<QPrinter> printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *printer;
}

std::unique_ptr<QPainter>& Painter() {
    static std::unique_ptr<QPainter> painter;
    return painter;
}

void Describe(PrintTarget& target) {
    QPrinter& printer = Printer();
    const bool toFile = printer.outputFormat() == QPrinter::PdfFormat;
    target.file = toFile ? printer.outputFileName().toStdString() : std::string();
    target.printer = toFile ? std::string() : printer.printerName().toStdString();
    // Pages are drawn at 150 dots per inch and scaled to the printer's resolution.
    const QSizeF inches = printer.pageLayout().paintRect(QPageLayout::Inch).size();
    target.pageSize = TSize{int(inches.width() * 150.0), int(inches.height() * 150.0)};
}

} // namespace

bool RunPrintDialog(QWidget* owner, const std::string& title, PrintTarget& target) {
    QPrinter& printer = Printer();
    if (!target.file.empty()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(target.file));
    }
    printer.setDocName(QString::fromStdString(title));
    QPrintDialog dialog(&printer, owner);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setMinMax(1, 1);
    if (!RunModal(dialog))
        return false;
    Describe(target);
    return target.pageSize.cx > 0 && target.pageSize.cy > 0;
}

void RunPrinterSetup(QWidget* owner, PrintTarget& target) {
    QPageSetupDialog dialog(&Printer(), owner);
    if (RunModal(dialog))
        Describe(target);
}

bool PrintSurface(const PrintTarget&, const Surface& page, bool first) {
    QPrinter& printer = Printer();
    std::unique_ptr<QPainter>& painter = Painter();
    if (first) {
        painter = std::make_unique<QPainter>();
        if (!painter->begin(&printer)) {
            painter.reset();
            return false;
        }
    } else if (!painter || !printer.newPage()) {
        return false;
    }
    QImage image(page.Width(), page.Height(), QImage::Format_RGB32);
    for (int y = 0; y < page.Height(); ++y)
        for (int x = 0; x < page.Width(); ++x) {
            const COLORREF c = page.GetPixel(x, y);
            image.setPixel(x, y, qRgb(GetRValue(c), GetGValue(c), GetBValue(c)));
        }
    // Lossless, so that a PDF holds the page's pixels as drawn.
    painter->setRenderHint(QPainter::LosslessImageRendering);
    const QRect area = painter->viewport();
    QSize size = image.size().scaled(area.size(), Qt::KeepAspectRatio);
    painter->drawImage(QRect(area.topLeft(), size), image);
    return true;
}

bool EndPrint(const PrintTarget&) {
    std::unique_ptr<QPainter>& painter = Painter();
    if (!painter)
        return false;
    const bool ok = painter->end();
    painter.reset();
    return ok;
}

} // namespace plat::qt
