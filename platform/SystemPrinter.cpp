#include "SystemServices.h"

#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <memory>

namespace platform {

namespace {
// Error numbers: a failing printer, no printer to print on.
constexpr int kPrinterError = 482;
constexpr int kNoPrinter = 484;
} // namespace

void SystemPrinter::printImage(const QImage& image, double dotsPerInch)
{
    if (image.isNull() || !(dotsPerInch > 0))
        throw Error(kPrinterError, QStringLiteral("Nessuna immagine da stampare"));

    std::unique_ptr<QPrinter> printer;
    if (pdfFile_.isEmpty()) {
        const QPrinterInfo target = QPrinterInfo::defaultPrinter();
        if (target.isNull())
            throw Error(kNoPrinter, QStringLiteral("Nessuna stampante predefinita"));
        printer = std::make_unique<QPrinter>(target, QPrinter::HighResolution);
    } else {
        printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(pdfFile_);
    }
    printer->setCopyCount(1);
    printer->setDocName(QStringLiteral("Tarvolin"));
    if (!printer->isValid())
        throw Error(kNoPrinter, QStringLiteral("Stampante non disponibile"));

    QPainter painter;
    if (!painter.begin(printer.get()))
        throw Error(kPrinterError, QStringLiteral("La stampante non accetta il lavoro"));
    // The painter's origin is the top left of the printable area; the picture
    // keeps the physical size it has on the screen.
    const double scale = printer->resolution() / dotsPerInch;
    painter.drawImage(QRectF(0, 0, image.width() * scale, image.height() * scale), image);
    if (!painter.end() || printer->printerState() == QPrinter::Error)
        throw Error(kPrinterError, QStringLiteral("Errore della stampante"));
}

} // namespace platform
