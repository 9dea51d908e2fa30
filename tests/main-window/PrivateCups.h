#pragma once
// A CUPS scheduler of the test's own, on a socket in a temporary directory:
// queues whose backend copies each job into a file, queues whose backend
// fails, and PostScript queues that print through the filters of CUPS into
// cups-pdf, as PostScript printers do. It runs as root only (its backends
// must), and where cups-pdf is missing it has no cups-pdf queues.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace testing {

// Queues of the private scheduler.
inline const QString kAccepting = QStringLiteral("tarvolin-accepting");
inline const QString kRejecting = QStringLiteral("tarvolin-rejecting");
inline const QString kOneJob = QStringLiteral("tarvolin-one-job"); // a quota of one job
inline const QString kStopped = QStringLiteral("tarvolin-stopped"); // disabled: takes jobs, prints none
// PostScript printers into cups-pdf, with their own default paper and margins.
inline const QString kA4 = QStringLiteral("tarvolin-a4");
inline const QString kLetter = QStringLiteral("tarvolin-letter");
// As `lpadmin -o PageSize=Letter` leaves cups-pdf's driver: Letter without a
// margin, which the scheduler names in media-col-default only.
inline const QString kLetterDefault = QStringLiteral("tarvolin-letter-default");
// A filter that fails; a printer that fails, and the scheduler stops the
// queue, or aborts the job.
inline const QString kFilterFails = QStringLiteral("tarvolin-filter-fails");
inline const QString kPrinterStops = QStringLiteral("tarvolin-printer-stops");
inline const QString kPrinterAborts = QStringLiteral("tarvolin-printer-aborts");
// Debian's own error policy: a printer that fails, or runs out of paper,
// and the job is held to be tried again later; or started again at once.
inline const QString kPrinterRetries = QStringLiteral("tarvolin-printer-retries");
inline const QString kOutOfPaper = QStringLiteral("tarvolin-out-of-paper");
inline const QString kPrinterRestarts = QStringLiteral("tarvolin-printer-restarts");
// A printer that takes its time over each job.
inline const QString kSlow = QStringLiteral("tarvolin-slow");

class PrivateCups {
public:
    // Why the scheduler cannot run here; empty when it can.
    static QString unavailable();
    // Starts it and points libcups at it, for this process and the program,
    // with no default destination and the user's options in a home of its
    // own; fails the test when it does not answer.
    void start();
    void stop();

    bool hasCupsPdf() const { return !cupsPdfConf_.isEmpty(); }
    // Where the backend puts the jobs of a queue: a file for the raw queues,
    // a directory for cups-pdf.
    QString output(const QString& queue) const { return path(queue + QStringLiteral(".pdf")); }
    QString pdfDirectory() const { return path(QStringLiteral("cups-pdf")); }
    // The one PDF cups-pdf wrote once the queue is done; empty until then.
    QString printed(const QString& queue) const;
    // The user's own printing options, as `lpoptions` writes them.
    QString lpoptions() const { return path(QStringLiteral("home/.cups/lpoptions")); }
    QString path(const QString& name) const { return dir_.filePath(name); }

private:
    void makeTree(const QString& root);
    void configure(const QString& root);
    QString queues() const;

    QTemporaryDir dir_{QDir::tempPath() + QStringLiteral("/tarvolin-cups-XXXXXX")};
    QProcess cupsd_;
    // cups-pdf reads its settings from /etc/cups only: a file of this run's own.
    QString cupsPdfConf_;
};

bool write(const QString& path, const QString& text, QFile::Permissions permissions = {});
// The jobs of the queue that are not over yet.
int activeJobs(const QString& queue);
// What the tool writes on its standard output; empty when it is missing.
QString toolOutput(const char* tool, const QStringList& arguments);

} // namespace testing
