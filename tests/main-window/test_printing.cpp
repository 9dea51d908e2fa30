// The print command: the window as it is printed, how it comes back, how
// failures are reported; and the real printer writing a PDF page. The real
// printing system is never reached: CUPS is pointed at a socket nobody serves.

#include "Controls.h"
#include "Form1.h"
#include "RecordingServices.h"
#include "SystemServices.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

struct State {
    int controls; // of the three buttons and the update note: 1 all shown, 0 none, -1 some
    bool shown;
    int border;
    Qt::WindowFlags flags;
    QPoint pos;
};

State stateOf(const Form1& form)
{
    const testing::Form1Controls ui(form);
    int shown = 0;
    for (const QWidget* w : std::initializer_list<const QWidget*>{ui.cmdStampa, ui.cmdElabora, ui.cmdEsci, ui.Label6})
        shown += w->isVisible();
    return {shown == 4 ? 1 : (shown == 0 ? 0 : -1), form.isVisible(), form.borderStyle(), form.windowFlags(),
            form.pos()};
}

// True when every pixel of the area has one colour.
bool plain(const QImage& image, const QRect& area)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixel(x, y) != image.pixel(area.topLeft()))
                return false;
    return true;
}

// Where the buttons and the note are, a little shrunk so blurred edges do not count.
QList<QRect> controlAreas(const Form1& form, const QPoint& offset = {})
{
    const testing::Form1Controls ui(form);
    QList<QRect> areas;
    for (const QWidget* w : std::initializer_list<const QWidget*>{ui.cmdElabora, ui.cmdStampa, ui.cmdEsci, ui.Label6})
        areas << w->geometry().translated(offset).adjusted(2, 2, -2, -2);
    return areas;
}

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

// Each line edit's selected text, by name.
QMap<QString, QString> selections(const QWidget& form)
{
    QMap<QString, QString> selected;
    for (const QLineEdit* edit : form.findChildren<QLineEdit*>())
        selected[edit->objectName()] = edit->selectedText();
    return selected;
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

struct PaintCounter : QObject {
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        count += event->type() == QEvent::Paint;
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

int pageCount(const QString& pdf)
{
    QFile file(pdf);
    return file.open(QIODevice::ReadOnly) ? static_cast<int>(file.readAll().count("/Type /Page ")) : -1;
}

} // namespace

class TestPrinting : public QObject {
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

    void init()
    {
        fake.log.clear();
        fake.printed.clear();
        fake.printerFails = false;
        fake.jobFailure.reset();
        fake.holdJobs = false;
        fake.onPrint = nullptr;
        fake.onBox = nullptr;
    }

    void printsTheCardAloneThenRestoresTheWindow_data()
    {
        QTest::addColumn<bool>("fails");
        QTest::addColumn<bool>("jobFails");
        QTest::newRow("printed") << false << false;
        QTest::newRow("printer fails") << true << false;
        QTest::newRow("job stopped") << false << true;
    }
    void printsTheCardAloneThenRestoresTheWindow()
    {
        QFETCH(bool, fails);
        QFETCH(bool, jobFails);
        Form1 form(fake.services());
        testing::Form1Controls ui(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const State before = stateOf(form);
        QCOMPARE(before.border, 1);
        State atPrint{}, atBox{};
        fake.onPrint = [&] { atPrint = stateOf(form); };
        fake.onBox = [&](const QString&) { atBox = stateOf(form); };
        fake.printerFails = fails;
        if (jobFails)
            fake.jobFailure = QStringLiteral("Lavoro fermato da PDF: Filter failed");

        // Before any computation: nothing else to complain about.
        ui.cmdStampa->click();

        QStringList expected(QStringLiteral("print"));
        if (fails || jobFails)
            expected << QStringLiteral("beep")
                     << (fails ? QStringLiteral("box: Impossibile stampare.\nno printer")
                               : QStringLiteral("box: Impossibile stampare.\nLavoro fermato da PDF: Filter failed"));
        QCOMPARE(fake.log, expected);
        QCOMPARE(atPrint.controls, 0);
        QCOMPARE(atPrint.border, 0);
        QVERIFY(atPrint.flags.testFlag(Qt::FramelessWindowHint));
        QVERIFY(atPrint.shown);
        // Taking the page fails at once, before the window is restored; the
        // printing system answers on the restored window.
        if (fails || jobFails)
            QCOMPARE(atBox.controls, fails ? 0 : 1);

        const State after = stateOf(form);
        QCOMPARE(after.controls, 1);
        QVERIFY(after.shown);
        QCOMPARE(after.border, 1);
        QCOMPARE(after.flags, before.flags);
        QCOMPARE(after.pos, before.pos);
        QCOMPARE(form.minimumSize(), QSize(496, 315));
        QCOMPARE(form.maximumSize(), QSize(496, 315));
    }

    // While the printing system has the card, the window is whole and a
    // second press (a double-click) prints nothing; its answer frees Stampa.
    void oneCardAtATime()
    {
        Form1 form(fake.services());
        testing::Form1Controls ui(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        fake.holdJobs = true;
        QTest::mouseClick(ui.cmdStampa, Qt::LeftButton);
        QTest::mouseDClick(ui.cmdStampa, Qt::LeftButton);
        QTest::keyClick(ui.cmdStampa, Qt::Key_S, Qt::AltModifier);
        QCOMPARE(fake.printed.size(), 1);
        QCOMPARE(stateOf(form).controls, 1);
        QCOMPARE(form.borderStyle(), 1);
        fake.answerJobs();
        ui.cmdStampa->click();
        QCOMPARE(fake.printed.size(), 2);
        fake.answerJobs();
        QCOMPARE(fake.log, QStringList({QStringLiteral("print"), QStringLiteral("print")}));
    }

    void printedImageHasNoButtonsAndNoNote()
    {
        Form1 form(fake.services());
        testing::Form1Controls ui(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        ui.cmdStampa->click();
        ui.cmdStampa->click(); // and again, the same
        QCOMPARE(fake.printed.size(), 2);
        QCOMPARE(fake.printed[1].window, &form);
        const QImage printed = fake.printed[1].image;
        QCOMPARE(printed.size() / printed.devicePixelRatio(), QSize(496, 315));

        const QImage shown = form.grab().toImage();
        for (const QRect& area : controlAreas(form)) {
            QVERIFY2(!plain(shown, area), "the check must see a control where there is one");
            QVERIFY(plain(printed, area));
        }
        // The band is printed as shown (lower down a text cursor may blink).
        const QRect band(0, 0, 496, ui.txtCodiceFiscale->y() - 2);
        QCOMPARE(printed.copy(band), shown.copy(band));
    }

    void printingKeepsTheProgramRunning()
    {
        // New flags briefly hide the only window: that is no reason to quit.
        Form1 form(fake.services());
        testing::Form1Controls ui(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTimer::singleShot(0, ui.cmdStampa, &QPushButton::click);
        QTimer::singleShot(300, [] { QCoreApplication::exit(42); });
        QCOMPARE(QApplication::exec(), 42);
        QCOMPARE(fake.printed.size(), 1);
    }

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
        QTRY_COMPARE(pageCount(pdf), 1);
        QVERIFY(fake.log.isEmpty());

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
    // painting while it waits, and waits no longer than the answer timeout.
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
        // A short answer timeout, so the silent server is given up on soon.
        const std::chrono::milliseconds timeout(300);
        platform::SystemPrinter printer =
            pdfFile.isEmpty() ? platform::SystemPrinter(timeout) : platform::SystemPrinter(pdfFile);
        platform::Services services = withPrinter(printer);
        Form1 form(services);
        testing::Form1Controls ui(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        PaintCounter painted;
        form.installEventFilter(&painted);
        QTimer repaint;
        QObject::connect(&repaint, &QTimer::timeout, &form, qOverload<>(&QWidget::update));
        repaint.start(50);
        ui.cmdStampa->click();
        const int paintedBefore = painted.count;
        QTRY_VERIFY_WITH_TIMEOUT(!fake.log.isEmpty(), 10000);
        if (server == QStringLiteral("silent.sock"))
            QVERIFY2(painted.count - paintedBefore >= 3, qPrintable(QString::number(painted.count)));
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
        QTest::qWait(500);
        QCOMPARE(fake.log, QStringList());
    }

    // A focused button that is hidden for the print hands the focus on; a line
    // edit reached that way would select its text and print it highlighted.
    void printKeepsFocusAndSelections_data()
    {
        QTest::addColumn<QString>("route");
        QTest::newRow("Elabora clicked, then Alt+S") << QStringLiteral("elabora");
        QTest::newRow("Stampa clicked") << QStringLiteral("stampa");
        QTest::newRow("Alt+S with the name selected") << QStringLiteral("name");
    }
    void printKeepsFocusAndSelections()
    {
        QFETCH(QString, route);
        Form1 form(fake.services());
        testing::Form1Controls ui(form);
        form.show();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QTest::keyClicks(ui.txtCognome, QStringLiteral("Rossi"));
        QTest::keyClick(ui.txtCognome, Qt::Key_Tab);
        QTest::keyClicks(ui.txtNome, QStringLiteral("Mario"));
        QTest::keyClick(ui.txtNome, Qt::Key_Tab);
        QTest::keyClicks(ui.txtDataNascita, QStringLiteral("7/5/1983"));
        ui.Text1->setFocus(Qt::TabFocusReason);
        QTest::keyClicks(ui.Text1, QStringLiteral("tor"));
        QVERIFY(!ui.Text2->text().isEmpty());
        QTest::mouseClick(ui.cmdElabora, Qt::LeftButton);
        QCOMPARE(ui.txtCodiceFiscale->text().size(), 16);
        QCOMPARE(QApplication::focusWidget(), ui.cmdElabora);
        if (route == QStringLiteral("name")) {
            ui.txtNome->setFocus(Qt::MouseFocusReason);
            QTest::keyClick(ui.txtNome, Qt::Key_End);
            QTest::keyClick(ui.txtNome, Qt::Key_Home, Qt::ShiftModifier);
            QCOMPARE(ui.txtNome->selectedText(), QStringLiteral("MARIO"));
        }

        QWidget* const focused = QApplication::focusWidget();
        QVERIFY(focused != ui.cmdStampa);
        const QMap<QString, QString> before = selections(form);
        QMap<QString, QString> atPrint;
        fake.onPrint = [&] { atPrint = selections(form); };
        if (route == QStringLiteral("stampa"))
            QTest::mouseClick(ui.cmdStampa, Qt::LeftButton);
        else
            QTest::keyClick(focused, Qt::Key_S, Qt::AltModifier);
        QTRY_COMPARE(fake.printed.size(), 1);

        // Alt+S moves the focus to Stampa first, as a click does, and a line
        // edit drops its selection when it loses the focus: nothing shows
        // selected, on the screen or on the page.
        QMap<QString, QString> unselected = before;
        for (QString& text : unselected)
            text.clear();
        QCOMPARE(atPrint, unselected);
        // The window comes back active, the focus on the button pressed.
        QTRY_COMPARE(QApplication::focusWidget(), ui.cmdStampa);
        QCOMPARE(selections(form), unselected);
        QVERIFY(fake.log == QStringList(QStringLiteral("print")));
    }
};

QTEST_MAIN(TestPrinting)
#include "test_printing.moc"
