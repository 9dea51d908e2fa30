// The print command against a real CUPS scheduler: a cupsd of the test's own,
// on a socket in a temporary directory, with queues whose backend copies each
// job into a file. Skipped where cupsd is not installed.

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
const QString kLetter = QStringLiteral("tarvolin-letter"); // a driver with US Letter paper

// A printer that takes PDF as it is, on US Letter paper by default, printing
// all but half an inch around.
const char* const kLetterPpd = R"ppd(*PPD-Adobe: "4.3"
*FormatVersion: "4.3"
*FileVersion: "1.0"
*LanguageVersion: English
*LanguageEncoding: ISOLatin1
*PCFileName: "TARVOLIN.PPD"
*Manufacturer: "Tarvolin"
*Product: "(Tarvolin test)"
*ModelName: "Tarvolin test"
*ShortNickName: "Tarvolin test"
*NickName: "Tarvolin test"
*PSVersion: "(3010.000) 0"
*cupsFilter: "application/pdf 0 -"
*OpenUI *PageSize/Media Size: PickOne
*DefaultPageSize: Letter
*PageSize Letter/US Letter: "<</PageSize[612 792]>>setpagedevice"
*CloseUI: *PageSize
*DefaultImageableArea: Letter
*ImageableArea Letter/US Letter: "36 36 576 756"
*DefaultPaperDimension: Letter
*PaperDimension Letter/US Letter: "612 792"
)ppd";

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

    // The recording desktop with the real printer.
    platform::Services services{
        fake.services().messageBox, fake.services().beeper,  fake.services().clock, printer,
        fake.services().shell,      fake.services().program, fake.services().app,   fake.services().locale};

    // Where the backend puts the jobs of a queue; the file appears whole.
    QString output(const QString& queue) const { return dir.filePath(queue + QStringLiteral(".pdf")); }

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
        const QString daemon = QStandardPaths::findExecutable(
            QStringLiteral("cupsd"),
            {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin"), QStringLiteral("/usr/bin")});
        const QString exec = QStringLiteral("/usr/lib/cups/daemon/cups-exec");
        if (daemon.isEmpty() || !QFile::exists(exec))
            QSKIP("cupsd (Debian cups-daemon) is not installed: nothing printed through CUPS");
        if (geteuid() != 0)
            QSKIP("a private cupsd runs its backends as root only: run this test as root");
        QVERIFY(dir.isValid());

        // The scheduler's own tree: configuration, spool, state, and a server
        // directory with cups-exec and one backend that copies jobs to files.
        const QString root = dir.path();
        for (const char* sub : {"spool", "tmp", "cache", "state", "ppd", "bin/backend", "bin/daemon", "client"})
            QVERIFY(QDir(root).mkpath(QString::fromLatin1(sub)));
        QVERIFY(QFile::link(exec, root + QStringLiteral("/bin/daemon/cups-exec")));
        // Run as root (mode 0700), so it may write into the test's directory.
        QVERIFY(write(root + QStringLiteral("/bin/backend/tarvolin-file"), QStringLiteral(R"(#!/bin/sh
[ $# -eq 0 ] && exit 0
out=${DEVICE_URI#*:}
cat "${6:-/dev/stdin}" > "$out.part" && mv "$out.part" "$out"
)"),
                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        const QString socket = root + QStringLiteral("/cups.sock");
        QVERIFY(write(root + QStringLiteral("/cupsd.conf"), QStringLiteral(R"(LogLevel warn
Listen %1
Browsing No
BrowseLocalProtocols none
DefaultAuthType None
WebInterface No
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
RequestRoot %1/spool
TempDir %1/tmp
CacheDir %1/cache
StateDir %1/state
ErrorLog %1/error_log
AccessLog %1/access_log
PageLog %1/page_log
)")
                                                                     .arg(root)));
        // Queues without a driver are raw, and the Letter driver takes PDF as it
        // is: either way the job reaches the backend as sent.
        QVERIFY(
            write(root + QStringLiteral("/ppd/") + kLetter + QStringLiteral(".ppd"), QString::fromLatin1(kLetterPpd)));
        QString printers;
        for (const auto& [queue, extra] :
             {std::pair{kAccepting, QString()}, std::pair{kRejecting, QString()},
              std::pair{kOneJob, QStringLiteral("QuotaPeriod 86400\nKLimit 1\n")}, std::pair{kLetter, QString()}})
            printers +=
                QStringLiteral("<Printer %1>\nDeviceURI tarvolin-file:%2\nState Idle\nAccepting %3\n%4</Printer>\n")
                    .arg(queue, output(queue), queue == kRejecting ? QStringLiteral("No") : QStringLiteral("Yes"),
                         extra);
        QVERIFY(write(root + QStringLiteral("/printers.conf"), printers));

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
    }

    void init()
    {
        fake.log.clear();
        useDefault({});
    }

    void acceptedJobArrivesAsOnePageWithTheCode_data()
    {
        QTest::addColumn<QString>("queue");
        QTest::addColumn<QString>("pageSize"); // as pdfinfo gives it, in points
        QTest::addColumn<int>("margin"); // where the card starts, in points
        // A queue that describes no paper: the PDF writer's own A4 page and margins.
        QTest::newRow("no paper described") << kAccepting << QStringLiteral("595 x 842") << 10;
        // The queue's default paper and printable area.
        QTest::newRow("US Letter, half-inch margins") << kLetter << QStringLiteral("612 x 792") << 36;
    }
    void acceptedJobArrivesAsOnePageWithTheCode()
    {
        QFETCH(QString, queue);
        QFETCH(QString, pageSize);
        QFETCH(int, margin);
        useDefault(queue);
        QFile::remove(output(queue));
        Form1 form(services);
        testing::Form1Controls ui(form);
        fillIn(form);
        if (QTest::currentTestFailed())
            return;
        const QString code = ui.txtCodiceFiscale->text();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::AltModifier);
        // After a print nothing is shown, and the window is as it was.
        QTRY_VERIFY(QFile::exists(output(queue)));
        QCOMPARE(fake.log, QStringList());
        QVERIFY(ui.cmdStampa->isVisible());
        QCOMPARE(form.borderStyle(), 1);
        QVERIFY(!ui.Text2->hasSelectedText());

        QFile job(output(queue));
        QVERIFY(job.open(QIODevice::ReadOnly));
        QVERIFY(job.readAll().startsWith("%PDF-"));
        const QString info = toolOutput("pdfinfo", {output(queue)});
        const QString text = toolOutput("pdftotext", {output(queue), QStringLiteral("-")});
        const QString picture = dir.filePath(queue);
        toolOutput("pdftoppm", {QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-png"),
                                QStringLiteral("-singlefile"), output(queue), picture});
        const QImage page(picture + QStringLiteral(".png"));
        if (info.isEmpty() || text.isEmpty() || page.isNull())
            QSKIP("pdfinfo, pdftotext and pdftoppm (Debian poppler-utils) are missing: the job arrived unread");
        QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))), qPrintable(info));
        QVERIFY2(info.contains(QStringLiteral("Page size:       ") + pageSize), qPrintable(info));
        QVERIFY2(text.contains(code) && text.contains(QStringLiteral("ROSSI")), qPrintable(text));
        QVERIFY(!text.contains(QStringLiteral("Stampa")));
        // At 72 dpi a pixel is a point: the card's top left corner.
        QPoint corner(page.width(), page.height());
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x)
                if (qGray(page.pixel(x, y)) < 250)
                    corner = QPoint(std::min(corner.x(), x), std::min(corner.y(), y));
        QVERIFY2((corner - QPoint(margin, margin)).manhattanLength() <= 2,
                 qPrintable(QStringLiteral("the card starts at %1,%2").arg(corner.x()).arg(corner.y())));
    }

    void refusedJobGivesOneBox_data()
    {
        QTest::addColumn<QString>("queue");
        QTest::newRow("queue rejecting jobs") << kRejecting;
        QTest::newRow("no default queue") << QString();
        QTest::newRow("default queue unknown") << QStringLiteral("tarvolin-missing");
        // The queue's check passes; the job itself is refused.
        QTest::newRow("quota used up") << kOneJob;
    }
    void refusedJobGivesOneBox()
    {
        QFETCH(QString, queue);
        useDefault(queue);
        if (queue == kOneJob) {
            Form1 first(services);
            first.show();
            testing::Form1Controls(first).cmdStampa->click();
            QCOMPARE(fake.log, QStringList());
            QTRY_VERIFY(QFile::exists(output(kOneJob)));
            QFile::remove(output(kOneJob));
        }

        Form1 form(services);
        testing::Form1Controls ui(form);
        fillIn(form);
        if (QTest::currentTestFailed())
            return;
        QTest::mouseClick(ui.cmdStampa, Qt::LeftButton);
        QCOMPARE(fake.log, QStringList({QStringLiteral("beep"), QStringLiteral("box: Impossibile stampare.")}));
        for (const QWidget* w :
             std::initializer_list<const QWidget*>{ui.cmdStampa, ui.cmdElabora, ui.cmdEsci, ui.Label6})
            QVERIFY(w->isVisible());
        QCOMPARE(form.borderStyle(), 1);
        QVERIFY(!form.windowFlags().testFlag(Qt::FramelessWindowHint));
        if (!queue.isEmpty() && queue != QStringLiteral("tarvolin-missing")) {
            QTest::qWait(200);
            QVERIFY(!QFile::exists(output(queue)));
        }
    }
};

QTEST_MAIN(TestPrintingCups)
#include "test_printing_cups.moc"
