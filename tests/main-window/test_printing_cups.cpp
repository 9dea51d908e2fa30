// The print command against a real CUPS scheduler of the test's own.
// Skipped where cupsd is not installed, or not run as root; the cups-pdf
// queues where cups-pdf is missing.

#include "Controls.h"
#include "Form1.h"
#include "PrivateCups.h"
#include "RecordingServices.h"
#include "SystemServices.h"

#include <cups/cups.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>

using namespace testing;

namespace {

const char* const kNoCupsPdf = "cups-pdf (Debian printer-driver-cups-pdf) or cups-filters is not installed";

} // namespace

class TestPrintingCups : public QObject {
    Q_OBJECT

    testing::RecordingServices fake;
    platform::SystemPrinter printer;
    PrivateCups cups;

    // The recording desktop with the real printer.
    platform::Services services{
        fake.services().messageBox, fake.services().beeper,  fake.services().clock, printer,
        fake.services().shell,      fake.services().program, fake.services().app,   fake.services().locale};

    void useDefault(const QString& queue)
    {
        if (queue.isEmpty())
            qunsetenv("LPDEST");
        else
            qputenv("LPDEST", queue.toLocal8Bit());
    }

    // Starts a shown window with a computed code, typed in as a user would.
    static void fillIn(Form1& form)
    {
        const testing::Form1Controls ui(form);
        form.show();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QTest::keyClicks(ui.txtCognome, QStringLiteral("Rossi"));
        QTest::keyClicks(ui.txtNome, QStringLiteral("Mario"));
        QTest::keyClicks(ui.txtDataNascita, QStringLiteral("7/5/1983"));
        ui.Text1->setFocus(Qt::TabFocusReason);
        QTest::keyClicks(ui.Text1, QStringLiteral("tori"));
        QTest::mouseClick(ui.cmdElabora, Qt::LeftButton);
        QCOMPARE(ui.txtCodiceFiscale->text().size(), 16);
    }

private slots:
    void initTestCase()
    {
        if (const QString why = PrivateCups::unavailable(); !why.isEmpty())
            QSKIP(qPrintable(why));
        cups.start();
    }

    void cleanupTestCase() { cups.stop(); }

    void init()
    {
        fake.log.clear();
        useDefault({});
        QFile::remove(cups.lpoptions());
    }

    // The PDF that comes out: one page of the queue's paper, the card at the
    // top left of the printable area at its size on the screen, 496 x 315
    // pixels at 96 dpi (131.2 x 83.3 mm), its texts readable as text.
    void jobArrivesWholeOnTheQueuesPaper_data()
    {
        QTest::addColumn<QString>("queue");
        QTest::addColumn<QString>("pageSize"); // as pdfinfo gives it, in points
        QTest::addColumn<QPointF>("corner"); // of the printable area, in millimetres
        QTest::addColumn<QString>("options"); // the user's, for the queue
        // A raw queue takes the document as sent; the scheduler calls its paper A4.
        QTest::newRow("raw queue") << kAccepting << QStringLiteral("595 x 842") << QPointF(6.35, 6.35) << QString();
        // Through pdftopdf, pdftops and Ghostscript into cups-pdf.
        const QString a4 = QStringLiteral("595 x 842");
        const QString letter = QStringLiteral("612 x 792");
        QTest::newRow("A4, PostScript") << kA4 << a4 << QPointF(6.35, 12.7) << QString();
        QTest::newRow("US Letter, PostScript") << kLetter << letter << QPointF(12.7, 6.35) << QString();
        QTest::newRow("US Letter, lpadmin -o PageSize=Letter")
            << kLetterDefault << letter << QPointF(0, 0) << QString();
        // The margins of the queue's own description of that paper.
        QTest::newRow("the user's PageSize A4 on a Letter queue")
            << kLetter << a4 << QPointF(12.7, 6.35) << QStringLiteral("PageSize=A4");
        QTest::newRow("the user's media Letter on an A4 queue")
            << kA4 << letter << QPointF(6.35, 12.7) << QStringLiteral("media=na_letter_8.5x11in");
        // The scheduler prints on PageSize when a job names both.
        QTest::newRow("the user's PageSize and media")
            << kA4 << letter << QPointF(6.35, 12.7) << QStringLiteral("media=iso_a4_210x297mm PageSize=Letter");
    }
    void jobArrivesWholeOnTheQueuesPaper()
    {
        QFETCH(QString, queue);
        QFETCH(QString, pageSize);
        QFETCH(QPointF, corner);
        QFETCH(QString, options);
        if (queue != kAccepting && !cups.hasCupsPdf())
            QSKIP(kNoCupsPdf);
        useDefault(queue);
        if (!options.isEmpty())
            QVERIFY(write(cups.lpoptions(), QStringLiteral("Dest %1 %2\n").arg(queue, options)));
        QFile::remove(cups.output(queue));
        QDir(cups.pdfDirectory()).removeRecursively();
        Form1 form(services);
        testing::Form1Controls ui(form);
        fillIn(form);
        if (QTest::currentTestFailed())
            return;
        const QString code = ui.txtCodiceFiscale->text();
        // Pressed twice: the second press comes while the first card is on its way.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::AltModifier);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::AltModifier);
        const auto arrived = [&] {
            return queue == kAccepting ? QFile::exists(cups.output(queue)) : !cups.printed(queue).isEmpty();
        };
        QTRY_VERIFY_WITH_TIMEOUT(arrived(), 30000);
        const QString pdf = queue == kAccepting ? cups.output(queue) : cups.printed(queue);
        // Nothing is shown, and the window is as it was.
        QTest::qWait(200);
        QCOMPARE(fake.log, QStringList());
        QVERIFY(ui.cmdStampa->isVisible());
        QCOMPARE(form.borderStyle(), 1);

        const QString info = toolOutput("pdfinfo", {pdf});
        const QString text = toolOutput("pdftotext", {pdf, QStringLiteral("-")});
        const QString picture = cups.path(queue);
        toolOutput("pdftoppm", {QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-png"),
                                QStringLiteral("-singlefile"), pdf, picture});
        const QImage page(picture + QStringLiteral(".png"));
        if (info.isEmpty() || page.isNull())
            QSKIP("pdfinfo, pdftotext and pdftoppm (Debian poppler-utils) are missing: the job arrived unread");
        QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))), qPrintable(info));
        QVERIFY2(info.contains(QStringLiteral("Page size:       ") + pageSize), qPrintable(info));
        for (const QString& shown : {code, QStringLiteral("ROSSI"), QStringLiteral("MARIO"), QStringLiteral("TORINO")})
            QVERIFY2(text.contains(shown), qPrintable(text));
        QVERIFY(!text.contains(QStringLiteral("Stampa")));
        // At 72 dpi a pixel is a point.
        QRect ink;
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x)
                if (qGray(page.pixel(x, y)) < 250)
                    ink |= QRect(x, y, 1, 1);
        const QRectF inkMm(QPointF(ink.topLeft()) * 25.4 / 72, QSizeF(ink.size()) * 25.4 / 72);
        const QString where = QStringLiteral("the card covers %1,%2 mm, %3 x %4 mm")
                                  .arg(inkMm.x())
                                  .arg(inkMm.y())
                                  .arg(inkMm.width())
                                  .arg(inkMm.height());
        QVERIFY2(qAbs(inkMm.x() - corner.x()) <= 1 && qAbs(inkMm.y() - corner.y()) <= 1, qPrintable(where));
        QVERIFY2(qAbs(inkMm.width() - 131.2) <= 1 && qAbs(inkMm.height() - 83.3) <= 1, qPrintable(where));
    }

    // Refused at once, or accepted and then stopped: one beep, one box with
    // the reason below, the window whole again, and no job left to print.
    void failedJobGivesOneBox_data()
    {
        QTest::addColumn<QString>("queue");
        QTest::addColumn<QString>("reason"); // how the second line of the box starts
        QTest::newRow("queue rejecting jobs")
            << kRejecting << QStringLiteral("La stampante tarvolin-rejecting non accetta lavori");
        QTest::newRow("no default queue") << QString() << QStringLiteral("Nessuna stampante predefinita");
        QTest::newRow("default queue unknown")
            << QStringLiteral("tarvolin-missing") << QStringLiteral("Nessuna stampante predefinita");
        // The queue's check passes; the job itself is refused.
        QTest::newRow("quota used up") << kOneJob << QStringLiteral("Lavoro rifiutato: ");
        // Accepted, and then it would wait for ever.
        QTest::newRow("queue disabled") << kStopped
                                        << QStringLiteral("La stampante tarvolin-stopped è ferma: in pausa");
        QTest::newRow("filter fails") << kFilterFails
                                      << QStringLiteral("Lavoro fermato da tarvolin-filter-fails: Filter failed");
        QTest::newRow("printer fails, queue stops")
            << kPrinterStops << QStringLiteral("La stampante tarvolin-printer-stops è ferma: Carta inceppata");
        QTest::newRow("printer fails, job aborted") << kPrinterAborts << QStringLiteral("Lavoro interrotto");
        // Held, to be tried again later, or started again: cancelled.
        QTest::newRow("printer fails, job held")
            << kPrinterRetries
            << QStringLiteral("La stampante tarvolin-printer-retries non riesce a stampare: Carta inceppata");
        QTest::newRow("printer out of paper, job held")
            << kOutOfPaper
            << QStringLiteral("La stampante tarvolin-out-of-paper non riesce a stampare: carta esaurita");
        QTest::newRow("printer fails, job started again")
            << kPrinterRestarts << QStringLiteral("La stampante tarvolin-printer-restarts non riesce a stampare");
    }
    void failedJobGivesOneBox()
    {
        QFETCH(QString, queue);
        QFETCH(QString, reason);
        if (queue == kFilterFails && !cups.hasCupsPdf())
            QSKIP(kNoCupsPdf);
        useDefault(queue);
        if (queue == kOneJob) {
            Form1 first(services);
            first.show();
            testing::Form1Controls(first).cmdStampa->click();
            QTRY_VERIFY(QFile::exists(cups.output(kOneJob)));
            QTRY_COMPARE(activeJobs(kOneJob), 0);
            QCOMPARE(fake.log, QStringList());
            QFile::remove(cups.output(kOneJob));
        }

        Form1 form(services);
        testing::Form1Controls ui(form);
        fillIn(form);
        if (QTest::currentTestFailed())
            return;
        QTest::mouseClick(ui.cmdStampa, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(fake.log.size(), 2, 15000);
        QCOMPARE(fake.log.first(), QStringLiteral("beep"));
        QVERIFY2(fake.log.last().startsWith(QStringLiteral("box: Impossibile stampare.\n") + reason),
                 qPrintable(fake.log.last()));
        for (const QWidget* w :
             std::initializer_list<const QWidget*>{ui.cmdStampa, ui.cmdElabora, ui.cmdEsci, ui.Label6})
            QVERIFY(w->isVisible());
        QCOMPARE(form.borderStyle(), 1);
        QVERIFY(!form.windowFlags().testFlag(Qt::FramelessWindowHint));
        if (!queue.isEmpty() && queue != QStringLiteral("tarvolin-missing")) {
            QCOMPARE(activeJobs(queue), 0);
            QCOMPARE(QFileInfo(cups.output(queue)).size(), 0); // no page, now or later
        }
    }

    // Waiting behind another job on a working queue is no failure.
    void jobWaitingItsTurnIsPrinted()
    {
        useDefault(kSlow);
        const QString file = cups.path(QStringLiteral("first.txt"));
        QVERIFY(write(file, QStringLiteral("first\n")));
        QVERIFY(cupsPrintFile(kSlow.toUtf8().constData(), file.toUtf8().constData(), "first", 0, nullptr) > 0);
        Form1 form(services);
        form.show();
        testing::Form1Controls(form).cmdStampa->click();
        platform::SystemPrinter::finishJobs();
        QCOMPARE(fake.log, QStringList());
        QCOMPARE(activeJobs(kSlow), 2);
        cupsCancelJob(kSlow.toUtf8().constData(), CUPS_JOBID_ALL);
    }
};

QTEST_MAIN(TestPrintingCups)
#include "test_printing_cups.moc"
