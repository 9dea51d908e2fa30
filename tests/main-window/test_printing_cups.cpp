// The print command against a real CUPS scheduler: a cupsd of the test's own,
// on a socket in a temporary directory, with queues whose backend copies each
// job into a file, and PostScript queues that print through the filters of
// CUPS into cups-pdf, as PostScript printers do. Skipped where cupsd is not
// installed, or not run as root; the cups-pdf queues where cups-pdf is missing.

#include "Controls.h"
#include "Form1.h"
#include "RecordingServices.h"
#include "SystemServices.h"

#include <cups/cups.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

namespace {

// Queues of the private scheduler.
const QString kAccepting = QStringLiteral("tarvolin-accepting");
const QString kRejecting = QStringLiteral("tarvolin-rejecting");
const QString kOneJob = QStringLiteral("tarvolin-one-job"); // a quota of one job
const QString kStopped = QStringLiteral("tarvolin-stopped"); // disabled: takes jobs, prints none
// PostScript printers into cups-pdf, with their own default paper and margins.
const QString kA4 = QStringLiteral("tarvolin-a4");
const QString kLetter = QStringLiteral("tarvolin-letter");
// As `lpadmin -o PageSize=Letter` leaves cups-pdf's driver: Letter without a
// margin, which the scheduler names in media-col-default only.
const QString kLetterDefault = QStringLiteral("tarvolin-letter-default");
// A filter that fails; a printer that fails, and the scheduler stops the
// queue, or aborts the job.
const QString kFilterFails = QStringLiteral("tarvolin-filter-fails");
const QString kPrinterStops = QStringLiteral("tarvolin-printer-stops");
const QString kPrinterAborts = QStringLiteral("tarvolin-printer-aborts");
// Debian's own error policy: a printer that fails, or runs out of paper,
// and the job is held to be tried again later; or started again at once.
const QString kPrinterRetries = QStringLiteral("tarvolin-printer-retries");
const QString kOutOfPaper = QStringLiteral("tarvolin-out-of-paper");
const QString kPrinterRestarts = QStringLiteral("tarvolin-printer-restarts");
// A printer that takes its time over each job.
const QString kSlow = QStringLiteral("tarvolin-slow");
const char* const kNoCupsPdf = "cups-pdf (Debian printer-driver-cups-pdf) or cups-filters is not installed";

// cups-pdf's own driver (a PostScript printer of language level 2), with
// `paper` its default and all but `left` and `top` points of the sheet
// printable (as much at right and bottom); empty without cups-pdf.
QString cupsPdfPpd(const QString& paper, int left, int top, const QString& filter = {})
{
    QFile file(QStringLiteral("/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QString ppd = QString::fromLatin1(file.readAll());
    const auto line = [&](const QString& pattern, const QString& replacement) {
        ppd.replace(QRegularExpression(QStringLiteral("^\\*") + pattern + QStringLiteral("$"),
                                       QRegularExpression::MultilineOption),
                    replacement);
    };
    line(QStringLiteral("Default(PageSize|PageRegion|ImageableArea|PaperDimension): A4"),
         QStringLiteral("*Default\\1: ") + paper);
    for (const auto& [size, width, height] :
         {std::tuple{QStringLiteral("A4/A4"), 595, 842}, std::tuple{QStringLiteral("Letter/US Letter"), 612, 792}})
        line(QStringLiteral("ImageableArea ") + size + QStringLiteral(": .*"),
             QStringLiteral("*ImageableArea %1: \"%2 %2 %3 %4\"")
                 .arg(size)
                 .arg(left)
                 .arg(width - left)
                 .arg(height - top));
    if (!filter.isEmpty())
        ppd += QStringLiteral("*cupsFilter: \"application/pdf 0 %1\"\n").arg(filter);
    return ppd;
}

bool write(const QString& path, const QString& text, QFile::Permissions permissions = {})
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text.toUtf8()) < 0)
        return false;
    file.close();
    return !permissions || file.setPermissions(permissions);
}

// True when the scheduler answers and has the queue.
bool knows(const QString& queue)
{
    cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, queue.toUtf8().constData(), nullptr);
    cupsFreeDests(dest ? 1 : 0, dest);
    return dest != nullptr;
}

// The jobs of the queue that are not over yet.
int activeJobs(const QString& queue)
{
    cups_job_t* jobs = nullptr;
    const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue.toUtf8().constData(), 0, CUPS_WHICHJOBS_ACTIVE);
    cupsFreeJobs(count, jobs);
    return count;
}

QString toolOutput(const char* tool, const QStringList& arguments)
{
    const QString path = QStandardPaths::findExecutable(QString::fromLatin1(tool));
    if (path.isEmpty())
        return {};
    QProcess process;
    process.start(path, arguments);
    process.waitForFinished();
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

class TestPrintingCups : public QObject {
    Q_OBJECT

    testing::RecordingServices fake;
    platform::SystemPrinter printer;
    QTemporaryDir dir{QDir::tempPath() + QStringLiteral("/tarvolin-cups-XXXXXX")};
    QProcess cupsd;
    // cups-pdf reads its settings from /etc/cups only: a file of this run's own.
    QString cupsPdfConf;

    // The recording desktop with the real printer.
    platform::Services services{
        fake.services().messageBox, fake.services().beeper,  fake.services().clock, printer,
        fake.services().shell,      fake.services().program, fake.services().app,   fake.services().locale};

    // Where the backend puts the jobs of a queue: a file for the raw queues,
    // a directory for cups-pdf.
    QString output(const QString& queue) const { return dir.filePath(queue + QStringLiteral(".pdf")); }
    QString pdfDirectory() const { return dir.filePath(QStringLiteral("cups-pdf")); }
    // The user's own printing options, as `lpoptions` writes them.
    QString lpoptions() const { return dir.filePath(QStringLiteral("home/.cups/lpoptions")); }
    bool hasCupsPdf() const { return !cupsPdfConf.isEmpty(); }

    // The one PDF cups-pdf wrote once the queue is done; empty until then.
    QString printed(const QString& queue) const
    {
        const QStringList files = QDir(pdfDirectory()).entryList({QStringLiteral("*.pdf")}, QDir::Files);
        if (activeJobs(queue) != 0 || files.size() != 1)
            return {};
        return QDir(pdfDirectory()).filePath(files.first());
    }

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

    // The scheduler's own tree: configuration, spool, state, and a server
    // directory with cups-exec, the filters of CUPS, one backend that copies
    // jobs to files and, where installed, cups-pdf.
    void makeTree(const QString& root)
    {
        for (const char* sub : {"spool", "cache", "state", "ppd", "bin/backend", "bin/daemon", "client"})
            QVERIFY(QDir(root).mkpath(QString::fromLatin1(sub)));
        // The filters run as lp, and must reach the spool and the drivers.
        QVERIFY(QFile::setPermissions(root, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
                                                | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther));
        QVERIFY(QFile::link(QStringLiteral("/usr/lib/cups/daemon/cups-exec"),
                            root + QStringLiteral("/bin/daemon/cups-exec")));
        QVERIFY(QFile::link(QStringLiteral("/usr/lib/cups/filter"), root + QStringLiteral("/bin/filter")));
        // Run as root (mode 0700), so they may write into the test's directory.
        const auto backend = [&](const char* name, const char* body) {
            return write(root + QStringLiteral("/bin/backend/") + QString::fromLatin1(name),
                         QStringLiteral("#!/bin/sh\n[ $# -eq 0 ] && exit 0\n") + QString::fromLatin1(body),
                         QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        };
        QVERIFY(backend("tarvolin-file", "out=${DEVICE_URI#*:}\n"
                                         "cat \"${6:-/dev/stdin}\" > \"$out.part\" && mv \"$out.part\" \"$out\"\n"));
        QVERIFY(backend("tarvolin-jam", "echo 'ERROR: Carta inceppata' >&2\nexit 1\n"));
        QVERIFY(backend("tarvolin-empty", "echo 'STATE: +media-empty-error' >&2\nexit 1\n"));
        QVERIFY(backend("tarvolin-slow", "sleep 30\n"));
        const QString cupsPdf = QStringLiteral("/usr/lib/cups/backend/cups-pdf");
        if (!QFile::exists(cupsPdf) || !QFile::exists(QStringLiteral("/usr/lib/cups/filter/pdftops"))
            || cupsPdfPpd(QStringLiteral("A4"), 0, 0).isEmpty())
            return;
        QVERIFY(QFile::link(cupsPdf, root + QStringLiteral("/bin/backend/cups-pdf")));
        cupsPdfConf =
            QStringLiteral("/etc/cups/cups-pdf-tarvolin-test-%1.conf").arg(QCoreApplication::applicationPid());
        QVERIFY(write(cupsPdfConf, QStringLiteral("Out %1\nSpool %2\nLog %3\n")
                                       .arg(pdfDirectory(), dir.filePath(QStringLiteral("cups-pdf-spool")), root)));
    }

    QString queues() const
    {
        QString printers;
        const QString uri = QStringLiteral("cups-pdf:/") + QFileInfo(cupsPdfConf).completeBaseName().mid(9);
        const auto add = [&](const QString& queue, const QString& device, const QString& extra = {}) {
            printers += QStringLiteral("<Printer %1>\nDeviceURI %2\nState %3\nAccepting %4\n%5</Printer>\n")
                            .arg(queue, device, queue == kStopped ? QStringLiteral("Stopped") : QStringLiteral("Idle"),
                                 queue == kRejecting ? QStringLiteral("No") : QStringLiteral("Yes"), extra);
        };
        for (const QString& queue : {kAccepting, kRejecting, kStopped})
            add(queue, QStringLiteral("tarvolin-file:") + output(queue));
        add(kOneJob, QStringLiteral("tarvolin-file:") + output(kOneJob),
            QStringLiteral("QuotaPeriod 86400\nKLimit 1\n"));
        add(kPrinterStops, QStringLiteral("tarvolin-jam:/"));
        add(kPrinterAborts, QStringLiteral("tarvolin-jam:/"), QStringLiteral("ErrorPolicy abort-job\n"));
        add(kPrinterRetries, QStringLiteral("tarvolin-jam:/"), QStringLiteral("ErrorPolicy retry-job\n"));
        add(kOutOfPaper, QStringLiteral("tarvolin-empty:/"), QStringLiteral("ErrorPolicy retry-job\n"));
        add(kPrinterRestarts, QStringLiteral("tarvolin-jam:/"), QStringLiteral("ErrorPolicy retry-current-job\n"));
        add(kSlow, QStringLiteral("tarvolin-slow:/"));
        if (hasCupsPdf()) {
            add(kA4, uri);
            add(kLetter, uri);
            add(kLetterDefault, uri);
            add(kFilterFails, QStringLiteral("tarvolin-file:") + output(kFilterFails));
        }
        return printers;
    }

private slots:
    void initTestCase()
    {
        const QString daemon = QStandardPaths::findExecutable(
            QStringLiteral("cupsd"),
            {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin"), QStringLiteral("/usr/bin")});
        const QString exec = QStringLiteral("/usr/lib/cups/daemon/cups-exec");
        if (daemon.isEmpty() || !QFile::exists(exec))
            QSKIP("cupsd (Debian cups-daemon) is not installed: nothing printed through CUPS");
        if (geteuid() != 0)
            QSKIP("a private cupsd runs its backends as root only: run this test as root");
        QVERIFY(dir.isValid());

        const QString root = dir.path();
        makeTree(root);
        if (QTest::currentTestFailed())
            return;
        const QString socket = root + QStringLiteral("/cups.sock");
        QVERIFY(write(root + QStringLiteral("/cupsd.conf"), QStringLiteral(R"(LogLevel warn
Listen %1
Browsing No
BrowseLocalProtocols none
DefaultAuthType None
WebInterface No
ErrorPolicy stop-printer
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
)")
                                                                .arg(socket)));
        QVERIFY(write(root + QStringLiteral("/cups-files.conf"), QStringLiteral(R"(ServerRoot %1
ServerBin %1/bin
DataDir /usr/share/cups
RequestRoot %1/spool
CacheDir %1/cache
StateDir %1/state
ErrorLog %1/error_log
AccessLog %1/access_log
PageLog %1/page_log
)")
                                                                     .arg(root)));
        // Queues without a driver are raw: the job reaches the backend as sent.
        const QString ppd = root + QStringLiteral("/ppd/");
        if (hasCupsPdf()) {
            QVERIFY(write(ppd + kA4 + QStringLiteral(".ppd"), cupsPdfPpd(QStringLiteral("A4"), 18, 36)));
            QVERIFY(write(ppd + kLetter + QStringLiteral(".ppd"), cupsPdfPpd(QStringLiteral("Letter"), 36, 18)));
            QVERIFY(write(ppd + kLetterDefault + QStringLiteral(".ppd"), cupsPdfPpd(QStringLiteral("Letter"), 0, 0)));
            QVERIFY(write(ppd + kFilterFails + QStringLiteral(".ppd"),
                          cupsPdfPpd(QStringLiteral("A4"), 0, 0, QStringLiteral("/bin/false"))));
        }
        QVERIFY(write(root + QStringLiteral("/printers.conf"), queues()));

        // cupsd dies with the test, however the test ends.
        cupsd.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
        cupsd.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        cupsd.start(daemon, {QStringLiteral("-f"), QStringLiteral("-c"), root + QStringLiteral("/cupsd.conf"),
                             QStringLiteral("-s"), root + QStringLiteral("/cups-files.conf")});
        QVERIFY2(cupsd.waitForStarted(), qPrintable(cupsd.errorString()));

        // The program and this test reach that scheduler only, with no user or
        // system default destination of their own.
        qputenv("CUPS_SERVER", socket.toLocal8Bit());
        qputenv("CUPS_SERVERROOT", (root + QStringLiteral("/client")).toLocal8Bit());
        // Read by libcups on each thread's first call: set before any.
        qputenv("HOME", dir.filePath(QStringLiteral("home")).toLocal8Bit());
        QVERIFY(QDir().mkpath(QFileInfo(lpoptions()).path()));
        qunsetenv("PRINTER");
        useDefault({});
        QTRY_VERIFY2(cupsd.state() == QProcess::Running && knows(kAccepting), "the private cupsd does not answer");
    }

    void cleanupTestCase()
    {
        if (cupsd.state() != QProcess::NotRunning) {
            cupsd.terminate();
            if (!cupsd.waitForFinished(3000))
                cupsd.kill();
            cupsd.waitForFinished();
        }
        if (hasCupsPdf())
            QFile::remove(cupsPdfConf);
    }

    void init()
    {
        fake.log.clear();
        useDefault({});
        QFile::remove(lpoptions());
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
        if (queue != kAccepting && !hasCupsPdf())
            QSKIP(kNoCupsPdf);
        useDefault(queue);
        if (!options.isEmpty())
            QVERIFY(write(lpoptions(), QStringLiteral("Dest %1 %2\n").arg(queue, options)));
        QFile::remove(output(queue));
        QDir(pdfDirectory()).removeRecursively();
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
            return queue == kAccepting ? QFile::exists(output(queue)) : !printed(queue).isEmpty();
        };
        QTRY_VERIFY_WITH_TIMEOUT(arrived(), 30000);
        const QString pdf = queue == kAccepting ? output(queue) : printed(queue);
        // Nothing is shown, and the window is as it was.
        QTest::qWait(200);
        QCOMPARE(fake.log, QStringList());
        QVERIFY(ui.cmdStampa->isVisible());
        QCOMPARE(form.borderStyle(), 1);

        const QString info = toolOutput("pdfinfo", {pdf});
        const QString text = toolOutput("pdftotext", {pdf, QStringLiteral("-")});
        const QString picture = dir.filePath(queue);
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
        if (queue == kFilterFails && !hasCupsPdf())
            QSKIP(kNoCupsPdf);
        useDefault(queue);
        if (queue == kOneJob) {
            Form1 first(services);
            first.show();
            testing::Form1Controls(first).cmdStampa->click();
            QTRY_VERIFY(QFile::exists(output(kOneJob)));
            QTRY_COMPARE(activeJobs(kOneJob), 0);
            QCOMPARE(fake.log, QStringList());
            QFile::remove(output(kOneJob));
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
            QCOMPARE(QFileInfo(output(queue)).size(), 0); // no page, now or later
        }
    }

    // Waiting behind another job on a working queue is no failure.
    void jobWaitingItsTurnIsPrinted()
    {
        useDefault(kSlow);
        const QString file = dir.filePath(QStringLiteral("first.txt"));
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
