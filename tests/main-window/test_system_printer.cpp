// The real printer: the PDF page it writes, and how it reports a printing
// system that is missing, silent or unwritable. The real printing system is
// never reached: CUPS is pointed at a socket nobody serves.

#include "PrintedCard.h"
#include "RecordingServices.h"
#include "SystemServices.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

using testing::controlAreas;
using testing::plain;
using testing::stateOf;

// Page 1 of a PDF at 96 dpi; null without pdftoppm (Debian poppler-utils).
QImage renderPage(const QString& pdf)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
    if (tool.isEmpty()
        || QProcess::execute(tool, {QStringLiteral("-r"), QStringLiteral("96"), QStringLiteral("-png"),
                                    QStringLiteral("-singlefile"), pdf, pdf})
               != 0)
        return {};
    return QImage(pdf + QStringLiteral(".png"));
}

// The output of a poppler tool run on the PDF; null when the tool is missing.
QString popplerOutput(const char* tool, const QString& pdf)
{
    const QString path = QStandardPaths::findExecutable(QString::fromLatin1(tool));
    if (path.isEmpty())
        return {};
    QProcess process;
    process.start(path, tool == QByteArrayView("pdftotext") ? QStringList{pdf, QStringLiteral("-")} : QStringList{pdf});
    process.waitForFinished();
    return QString::fromUtf8(process.readAllStandardOutput());
}

// A Unix socket that takes connections and never answers.
struct SilentServer {
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    explicit SilentServer(const QString& path)
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        qstrncpy(address.sun_path, QFile::encodeName(path).constData(), sizeof address.sun_path);
        QFile::remove(path);
        if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, 8) != 0)
            qFatal("no silent server");
    }
    ~SilentServer() { close(fd); }
};

// The paints of a window while `log` is empty: before the printer's answer.
struct PaintCounter : QObject {
    const QStringList& log;
    int whileWaiting = 0;
    explicit PaintCounter(const QStringList& answered) : log(answered) {}
    bool eventFilter(QObject*, QEvent* event) override
    {
        whileWaiting += event->type() == QEvent::Paint && log.isEmpty();
        return false;
    }
};

// Where the title's light letters lie within `area` of a picture of the
// window at `scale` pixels per pixel, in the window's pixels.
QRectF letters(const QImage& image, const QRect& area, qreal scale)
{
    QRect found;
    for (int y = area.top() * scale; y < (area.bottom() + 1) * scale; ++y)
        for (int x = area.left() * scale; x < (area.right() + 1) * scale; ++x)
            if (qRed(image.pixel(x, y)) > 128) // the band beneath has no red
                found |= QRect(x, y, 1, 1);
    return QRectF(QPointF(found.topLeft()) / scale, QSizeF(found.size()) / scale);
}

QByteArray bytesOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int pageCount(const QString& pdf) { return static_cast<int>(bytesOf(pdf).count("/Type /Page ")); }

// What is wrong with the cross-reference table of a PDF file: it must list
// the objects 1 to n after the free entry 0 (`xref 0 n+1`), each at its
// offset, and the trailer's /Size must say n+1. Printers' interpreters may
// not forgive what PDF readers do. Empty when all is right.
QString crossReferenceFault(const QByteArray& pdf)
{
    const QString text = QString::fromLatin1(pdf);
    QList<int> objects;
    for (const auto& m : QRegularExpression(QStringLiteral("\\n(\\d+) 0 obj\\n")).globalMatch(text))
        objects << m.captured(1).toInt();
    const auto table = QRegularExpression(QStringLiteral("\\nxref\\n0 (\\d+)\\n")).match(text);
    const auto size = QRegularExpression(QStringLiteral("trailer\\n<< /Size (\\d+) ")).match(text);
    if (!table.hasMatch() || !size.hasMatch())
        return QStringLiteral("no xref table or no trailer");
    const int count = table.captured(1).toInt();
    if (count != objects.size() + 1 || size.captured(1).toInt() != count)
        return QStringLiteral("%1 objects, xref 0 %2, /Size %3").arg(objects.size()).arg(count).arg(size.captured(1));
    for (int n = 1; n <= objects.size(); ++n) {
        const qsizetype offset = pdf.mid(table.capturedEnd() + 20 * n, 10).toLongLong();
        if (objects[n - 1] != n || !pdf.mid(offset).startsWith(QByteArray::number(n) + " 0 obj"))
            return QStringLiteral("object %1 is not where the table says").arg(n);
    }
    return {};
}

} // namespace

class TestSystemPrinter : public QObject {
    Q_OBJECT

    testing::RecordingServices fake;
    QTemporaryDir dir;

    platform::Services withPrinter(platform::Printer& printer)
    {
        auto& s = fake.services();
        return {s.messageBox, s.beeper, s.clock, printer, s.shell, s.program, s.app, s.locale};
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        qputenv("CUPS_SERVER", dir.filePath(QStringLiteral("nobody.sock")).toLocal8Bit());
    }

    void init() { fake.log.clear(); }

    void pdfPageShowsTheWindowAtScreenSize()
    {
        const QString pdf = dir.filePath(QStringLiteral("form.pdf"));
        platform::SystemPrinter printer(pdf);
        platform::Services services = withPrinter(printer);
        Form1 form(services);
        testing::Form1Controls ui(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        // Ř is not in the standard fonts: drawn as an outline, the rest as text.
        ui.txtCognome->setText(QStringLiteral("Dvořák"));
        ui.txtNome->setText(QStringLiteral("Mario"));
        ui.txtDataNascita->setText(QStringLiteral("7/5/1983"));
        ui.Text1->setText(QStringLiteral("ROMA"));
        ui.Text2->setText(QStringLiteral("RM"));
        ui.Text3->setText(QStringLiteral("H501"));
        ui.cmdElabora->click();
        const QString code = ui.txtCodiceFiscale->text();
        QCOMPARE(code.size(), 16);
        ui.cmdStampa->click();
        // The file is whole once the job is done; its page shows before.
        platform::SystemPrinter::finishJobs();
        QTRY_COMPARE(pageCount(pdf), 1);
        QVERIFY(fake.log.isEmpty());
        const QString fault = crossReferenceFault(bytesOf(pdf));
        QVERIFY2(fault.isEmpty(), qPrintable(fault));

        // Texts are printed as texts: sharp at any resolution, and readable back.
        const QString fonts = popplerOutput("pdffonts", pdf);
        const QString text = popplerOutput("pdftotext", pdf);
        if (fonts.isEmpty() || text.isEmpty())
            QSKIP("pdffonts and pdftotext (Debian poppler-utils) are missing: the page was written but not read");
        // The standard fonts, which every printing chain keeps as text.
        QVERIFY2(fonts.contains(QStringLiteral("Helvetica-Bold")), qPrintable(fonts));
        for (const QString& shown :
             {code, QStringLiteral("DVO"), QStringLiteral("ÁK"), QStringLiteral("MARIO"), QStringLiteral("7/5/1983"),
              QStringLiteral("Codice Fiscale"), QStringLiteral("cf.tarvolin.example")})
            QVERIFY2(text.contains(shown), qPrintable(shown + QStringLiteral(" is not on the page:\n") + text));
        for (const QString& absent : {QStringLiteral("?"), QStringLiteral("Aggiornato"), QStringLiteral("Elabora"),
                                      QStringLiteral("Stampa"), QStringLiteral("Chiudi")})
            QVERIFY2(!text.contains(absent), qPrintable(absent + QStringLiteral(" is on the page")));

        const QImage page = renderPage(pdf);
        QVERIFY2(!page.isNull(), "pdftoppm failed");
        // 496 x 315 pixels at 96 dpi (13.1 x 8.3 cm), at the top left of the
        // printable area of an A4 sheet with a quarter-inch margin (24 pixels).
        const QPoint corner(24, 24);
        QCOMPARE(page.size(), QSize(794, 1123)); // 210 x 297 mm
        QRect ink;
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x)
                if (qGray(page.pixel(x, y)) < 250)
                    ink |= QRect(x, y, 1, 1);
        QVERIFY2((ink.topLeft() - corner).manhattanLength() <= 2 && qAbs(ink.width() - 496) <= 1
                     && qAbs(ink.height() - 315) <= 1,
                 qPrintable(QStringLiteral("printed at %1,%2 size %3x%4")
                                .arg(ink.x())
                                .arg(ink.y())
                                .arg(ink.width())
                                .arg(ink.height())));
        for (const QRect& area : controlAreas(form, corner))
            QVERIFY(plain(page, area));
        // The title picture as large and where on paper as on the screen, at any pixel density.
        const QImage shot = form.grab().toImage();
        const QRectF shown = letters(shot, ui.Image1->geometry(), shot.devicePixelRatio());
        const QRectF printed = letters(page, ui.Image1->geometry().translated(corner), 1).translated(-corner);
        QVERIFY(shown.width() > 100);
        for (const qreal edge : {shown.left() - printed.left(), shown.top() - printed.top(),
                                 shown.right() - printed.right(), shown.bottom() - printed.bottom()})
            QVERIFY2(qAbs(edge) <= 1.5, qPrintable(QStringLiteral("%1 pixels apart").arg(edge)));
    }

    // Reported once, after the window is whole again; the window keeps
    // painting while it waits, and a silent printing system is given up on
    // after the answer timeout.
    void printerFailuresAreReportedOnce_data()
    {
        QTest::addColumn<QString>("pdfFile");
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("reason");
        QTest::newRow("no printing system")
            << QString() << QStringLiteral("nobody.sock") << QStringLiteral("Sistema di stampa non raggiungibile");
        // It takes the connection, and never answers.
        QTest::newRow("silent printing system")
            << QString() << QStringLiteral("silent.sock") << QStringLiteral("Il sistema di stampa non risponde");
        QTest::newRow("unwritable file") << QStringLiteral("/nonexistent/dir/x.pdf") << QString()
                                         << QStringLiteral("Impossibile scrivere /nonexistent/dir/x.pdf");
    }
    void printerFailuresAreReportedOnce()
    {
        QFETCH(QString, pdfFile);
        QFETCH(QString, server);
        QFETCH(QString, reason);
        const SilentServer silent(dir.filePath(QStringLiteral("silent.sock")));
        qputenv("CUPS_SERVER", dir.filePath(server).toLocal8Bit());
        // A short answer timeout, so the silent server is given up on soon,
        // yet long enough to see the window paint before.
        const std::chrono::milliseconds timeout(1000);
        platform::SystemPrinter printer =
            pdfFile.isEmpty() ? platform::SystemPrinter(timeout) : platform::SystemPrinter(pdfFile);
        platform::Services services = withPrinter(printer);
        Form1 form(services);
        testing::Form1Controls ui(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        PaintCounter painted(fake.log);
        form.installEventFilter(&painted);
        QTimer repaint;
        QObject::connect(&repaint, &QTimer::timeout, &form, qOverload<>(&QWidget::update));
        repaint.start(50);
        ui.cmdStampa->click();
        painted.whileWaiting = 0;
        form.update();
        QTRY_VERIFY_WITH_TIMEOUT(!fake.log.isEmpty(), 20000);
        if (server == QStringLiteral("silent.sock"))
            QVERIFY(painted.whileWaiting > 0);
        QCOMPARE(fake.log,
                 QStringList({QStringLiteral("beep"), QStringLiteral("box: Impossibile stampare.\n") + reason}));
        QCOMPARE(stateOf(form).controls, 1);
        QCOMPARE(form.borderStyle(), 1);
    }

    // The answer of a job whose window has gone finds no window to tell.
    void windowClosedBeforeTheAnswer()
    {
        platform::SystemPrinter printer(QStringLiteral("/nonexistent/dir/x.pdf"));
        platform::Services services = withPrinter(printer);
        {
            Form1 form(services);
            form.show();
            testing::Form1Controls(form).cmdStampa->click();
        }
        platform::SystemPrinter::finishJobs();
        QCOMPARE(fake.log, QStringList());
    }
};

QTEST_MAIN(TestSystemPrinter)
#include "test_system_printer.moc"
