#include "SystemServices.h"

#include <cups/cups.h>

#include <QBuffer>
#include <QFile>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QWidget>
#include <memory>
#include <optional>

namespace platform {

namespace {
// Error numbers: a failing printer, no printer to print on.
constexpr int kPrinterError = 482;
constexpr int kNoPrinter = 484;

// The window's pixels are sized for a 96 dpi screen (15 twips to the pixel).
constexpr double kWindowDotsPerInch = 96.0;
// Dense enough that positions on the page are exact; texts and lines are
// vectors anyway, so the printer's own resolution decides their sharpness.
constexpr int kPageDotsPerInch = 1200;

// The page as one PDF document: the window's client area at the top left of
// the printable area, at its on-screen size, painted by the widgets themselves
// so texts stay texts.
QByteArray renderPage(QWidget& window, const QPageLayout* layout)
{
    QByteArray pdf;
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setTitle(QStringLiteral("Tarvolin"));
        writer.setCreator(QStringLiteral("Tarvolin"));
        writer.setResolution(kPageDotsPerInch);
        if (layout && !writer.setPageLayout(*layout))
            throw Error(kPrinterError, QStringLiteral("Formato della pagina non valido"));
        QPainter painter;
        if (!painter.begin(&writer))
            throw Error(kPrinterError, QStringLiteral("Impossibile preparare la pagina"));
        // The painter's origin is the top left of the printable area.
        const double scale = writer.resolution() / kWindowDotsPerInch;
        painter.scale(scale, scale);
        window.render(&painter, QPoint(), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
        if (!painter.end())
            throw Error(kPrinterError, QStringLiteral("Impossibile preparare la pagina"));
    }
    if (pdf.isEmpty())
        throw Error(kPrinterError, QStringLiteral("Impossibile preparare la pagina"));
    return pdf;
}

struct HttpClose {
    void operator()(http_t* http) const { httpClose(http); }
};
struct DestFree {
    void operator()(cups_dest_t* dest) const { cupsFreeDests(1, dest); }
};
struct DestInfoFree {
    void operator()(cups_dinfo_t* info) const { cupsFreeDestInfo(info); }
};

[[noreturn]] void failWithCupsError(int number, const char* what)
{
    throw Error(number, QString::fromUtf8(what) + QStringLiteral(": ") + QString::fromUtf8(cupsLastErrorString()));
}

// The default paper of the destination and its printable area; none when
// the printing system does not say.
std::optional<QPageLayout> pageLayoutOf(http_t* http, cups_dest_t* dest)
{
    const std::unique_ptr<cups_dinfo_t, DestInfoFree> info(cupsCopyDestInfo(http, dest));
    cups_size_t size{};
    if (!info || !cupsGetDestMediaDefault(http, dest, info.get(), 0, &size) || size.width <= 0 || size.length <= 0)
        return std::nullopt;
    // CUPS measures in hundredths of a millimetre.
    const auto mm = [](int hundredths) { return hundredths / 100.0; };
    const QPageSize paper(QSizeF(mm(size.width), mm(size.length)), QPageSize::Millimeter, QString(),
                          QPageSize::FuzzyMatch);
    const QMarginsF margins(mm(size.left), mm(size.top), mm(size.right), mm(size.bottom));
    QPageLayout layout(paper, QPageLayout::Portrait, QMarginsF(), QPageLayout::Millimeter);
    if (!layout.setMargins(margins))
        return std::nullopt; // margins larger than the paper: keep the paper, print from its corner
    return layout;
}

// Hands the document to the printing system as one job; any refusal or
// error on the way is a failure, and a job left half sent is cancelled.
void submit(http_t* http, cups_dest_t* dest, const QByteArray& pdf)
{
    // The destination's own defaults (the user's lpoptions included) go with
    // the job, as `lp` sends them.
    const int job = cupsCreateJob(http, dest->name, "Tarvolin", dest->num_options, dest->options);
    if (job <= 0)
        failWithCupsError(kPrinterError, "Lavoro rifiutato");
    const auto cancelAndFail = [&](const char* what) {
        const QString reason = QString::fromUtf8(cupsLastErrorString());
        cupsCancelJob2(http, dest->name, job, 0);
        throw Error(kPrinterError, QString::fromUtf8(what) + QStringLiteral(": ") + reason);
    };
    if (cupsStartDocument(http, dest->name, job, "Tarvolin", CUPS_FORMAT_PDF, 1) != HTTP_STATUS_CONTINUE)
        cancelAndFail("Documento rifiutato");
    if (cupsWriteRequestData(http, pdf.constData(), static_cast<size_t>(pdf.size())) != HTTP_STATUS_CONTINUE)
        cancelAndFail("Invio interrotto");
    if (cupsFinishDocument(http, dest->name) > IPP_STATUS_OK_CONFLICTING)
        cancelAndFail("Documento rifiutato");
}

} // namespace

void SystemPrinter::printWindow(QWidget& window)
{
    if (!pdfFile_.isEmpty()) {
        const QByteArray pdf = renderPage(window, nullptr);
        QFile file(pdfFile_);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(pdf) != pdf.size() || !file.flush())
            throw Error(kPrinterError, QStringLiteral("Impossibile scrivere ") + pdfFile_);
        return;
    }

    const std::unique_ptr<http_t, HttpClose> http(
        httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, 30000, nullptr));
    if (!http)
        throw Error(kNoPrinter, QStringLiteral("Sistema di stampa non raggiungibile"));
    const std::unique_ptr<cups_dest_t, DestFree> dest(cupsGetNamedDest(http.get(), nullptr, nullptr));
    if (!dest)
        throw Error(kNoPrinter, QStringLiteral("Nessuna stampante predefinita"));
    // Refused before any work; the job request below is refused all the same.
    if (const char* accepting = cupsGetOption("printer-is-accepting-jobs", dest->num_options, dest->options);
        accepting && qstrcmp(accepting, "false") == 0)
        throw Error(kPrinterError, QStringLiteral("La stampante non accetta lavori"));

    const std::optional<QPageLayout> layout = pageLayoutOf(http.get(), dest.get());
    submit(http.get(), dest.get(), renderPage(window, layout ? &*layout : nullptr));
}

} // namespace platform
