#include "PrivateCups.h"

#include <cups/cups.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <csignal>

namespace testing {

namespace {

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

// True when the scheduler answers and has the queue.
bool knows(const QString& queue)
{
    cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, queue.toUtf8().constData(), nullptr);
    cupsFreeDests(dest ? 1 : 0, dest);
    return dest != nullptr;
}

QString daemon()
{
    return QStandardPaths::findExecutable(
        QStringLiteral("cupsd"), {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin"), QStringLiteral("/usr/bin")});
}

} // namespace

bool write(const QString& path, const QString& text, QFile::Permissions permissions)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text.toUtf8()) < 0)
        return false;
    file.close();
    return !permissions || file.setPermissions(permissions);
}

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

QString PrivateCups::unavailable()
{
    if (daemon().isEmpty() || !QFile::exists(QStringLiteral("/usr/lib/cups/daemon/cups-exec")))
        return QStringLiteral("cupsd (Debian cups-daemon) is not installed: nothing printed through CUPS");
    if (geteuid() != 0)
        return QStringLiteral("a private cupsd runs its backends as root only: run this test as root");
    return {};
}

void PrivateCups::start()
{
    QVERIFY(dir_.isValid());
    const QString root = dir_.path();
    makeTree(root);
    if (QTest::currentTestFailed())
        return;
    configure(root);
    if (QTest::currentTestFailed())
        return;
    // cupsd dies with the test, however the test ends.
    cupsd_.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
    cupsd_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    cupsd_.start(daemon(), {QStringLiteral("-f"), QStringLiteral("-c"), root + QStringLiteral("/cupsd.conf"),
                            QStringLiteral("-s"), root + QStringLiteral("/cups-files.conf")});
    QVERIFY2(cupsd_.waitForStarted(), qPrintable(cupsd_.errorString()));

    // The program and this test reach that scheduler only, with no user or
    // system default destination of their own.
    qputenv("CUPS_SERVER", (root + QStringLiteral("/cups.sock")).toLocal8Bit());
    qputenv("CUPS_SERVERROOT", (root + QStringLiteral("/client")).toLocal8Bit());
    // Read by libcups on each thread's first call: set before any.
    qputenv("HOME", path(QStringLiteral("home")).toLocal8Bit());
    QVERIFY(QDir().mkpath(QFileInfo(lpoptions()).path()));
    qunsetenv("PRINTER");
    qunsetenv("LPDEST");
    QTRY_VERIFY2(cupsd_.state() == QProcess::Running && knows(kAccepting), "the private cupsd does not answer");
}

void PrivateCups::stop()
{
    if (cupsd_.state() != QProcess::NotRunning) {
        cupsd_.terminate();
        if (!cupsd_.waitForFinished(3000))
            cupsd_.kill();
        cupsd_.waitForFinished();
    }
    if (hasCupsPdf())
        QFile::remove(cupsPdfConf_);
}

QString PrivateCups::printed(const QString& queue) const
{
    const QStringList files = QDir(pdfDirectory()).entryList({QStringLiteral("*.pdf")}, QDir::Files);
    if (activeJobs(queue) != 0 || files.size() != 1)
        return {};
    return QDir(pdfDirectory()).filePath(files.first());
}

// The scheduler's own tree: configuration, spool, state, and a server
// directory with cups-exec, the filters of CUPS, one backend that copies
// jobs to files and, where installed, cups-pdf.
void PrivateCups::makeTree(const QString& root)
{
    for (const char* sub : {"spool", "cache", "state", "ppd", "bin/backend", "bin/daemon", "client"})
        QVERIFY(QDir(root).mkpath(QString::fromLatin1(sub)));
    // The filters run as lp, and must reach the spool and the drivers.
    QVERIFY(QFile::setPermissions(root, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
                                            | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther));
    QVERIFY(
        QFile::link(QStringLiteral("/usr/lib/cups/daemon/cups-exec"), root + QStringLiteral("/bin/daemon/cups-exec")));
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
    cupsPdfConf_ = QStringLiteral("/etc/cups/cups-pdf-tarvolin-test-%1.conf").arg(QCoreApplication::applicationPid());
    QVERIFY(write(cupsPdfConf_, QStringLiteral("Out %1\nSpool %2\nLog %3\n")
                                    .arg(pdfDirectory(), path(QStringLiteral("cups-pdf-spool")), root)));
}

// The scheduler's configuration, its drivers and its queues.
void PrivateCups::configure(const QString& root)
{
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
                                                            .arg(root + QStringLiteral("/cups.sock"))));
    // Its own printcap too: the system's one lists the system's queues.
    QVERIFY(write(root + QStringLiteral("/cups-files.conf"), QStringLiteral(R"(ServerRoot %1
ServerBin %1/bin
DataDir /usr/share/cups
RequestRoot %1/spool
CacheDir %1/cache
StateDir %1/state
ErrorLog %1/error_log
AccessLog %1/access_log
PageLog %1/page_log
Printcap %1/printcap
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
}

QString PrivateCups::queues() const
{
    QString printers;
    const QString uri = QStringLiteral("cups-pdf:/") + QFileInfo(cupsPdfConf_).completeBaseName().mid(9);
    const auto add = [&](const QString& queue, const QString& device, const QString& extra = {}) {
        printers += QStringLiteral("<Printer %1>\nDeviceURI %2\nState %3\nAccepting %4\n%5</Printer>\n")
                        .arg(queue, device, queue == kStopped ? QStringLiteral("Stopped") : QStringLiteral("Idle"),
                             queue == kRejecting ? QStringLiteral("No") : QStringLiteral("Yes"), extra);
    };
    for (const QString& queue : {kAccepting, kRejecting, kStopped})
        add(queue, QStringLiteral("tarvolin-file:") + output(queue));
    add(kOneJob, QStringLiteral("tarvolin-file:") + output(kOneJob), QStringLiteral("QuotaPeriod 86400\nKLimit 1\n"));
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

} // namespace testing
