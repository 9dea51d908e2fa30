#include "AppVersion.h"
#include "CupsJob.h"
#include "CupsPaper.h"
#include "PagePdf.h"
#include "SystemServices.h"

#include <QCoreApplication>
#include <QFile>
#include <QPointer>
#include <QThreadPool>
#include <QWidget>

namespace platform {

namespace {

// Pages handed to print() and not yet answered; read and written on the GUI
// thread only.
int jobsInFlight = 0;

void writeFile(const QString& path, const QByteArray& data)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(data) != data.size() || !file.flush())
        throw Error(kPrinterError, QStringLiteral("Impossibile scrivere ") + path);
}

QByteArray pdfOf(const PagePicture& page, const QPageLayout& layout)
{
    return pagePdf(page, layout, QString::fromUtf8(version::title));
}

// Runs `work` on a thread of the pool, then `then` with its failure, if any,
// on the GUI thread. The application object carries the answer back, as it
// outlives every window; a job still at work as the program ends keeps it.
void offThread(std::function<void()> work, Printer::Done then)
{
    QThreadPool::globalInstance()->start([work = std::move(work), then = std::move(then)]() mutable {
        std::optional<Error> failure;
        try {
            work();
        } catch (const Error& error) {
            failure = error;
        }
        if (QCoreApplication* app = QCoreApplication::instance())
            QMetaObject::invokeMethod(
                app, [then = std::move(then), failure = std::move(failure)] { then(failure); }, Qt::QueuedConnection);
    });
}

} // namespace

PagePicture SystemPrinter::render(QWidget& window) { return PagePicture::of(window); }

void SystemPrinter::print(const PagePicture& page, QObject* receiver, Done done)
{
    // Read on the GUI thread only, where the receiver lives.
    ++jobsInFlight;
    Done finish = [receiver = QPointer<QObject>(receiver),
                   done = std::move(done)](const std::optional<Error>& failure) {
        --jobsInFlight;
        if (receiver)
            done(failure);
    };
    if (!pdfFile_.isEmpty()) {
        offThread([pdf = pdfOf(page, defaultPaper()), path = pdfFile_] { writeFile(path, pdf); }, std::move(finish));
        return;
    }
    // Connecting and finding the paper may wait on the printing system, and
    // so may sending; the page is drawn in between, here on the GUI thread.
    auto job = std::make_shared<CupsJob>(answerTimeout_);
    offThread([job] { job->open(); },
              [job, page, finish](const std::optional<Error>& failure) {
                  if (failure)
                      finish(failure);
                  else
                      offThread([job, pdf = pdfOf(page, job->pageLayout())] { job->send(pdf); }, finish);
              });
}

void SystemPrinter::finishJobs()
{
    // Each answer comes back as an event, and the first one of a job starts
    // its second wait: the pool and the events take turns until all are in.
    while (jobsInFlight > 0) {
        QThreadPool::globalInstance()->waitForDone(100);
        QCoreApplication::sendPostedEvents();
    }
}

} // namespace platform
