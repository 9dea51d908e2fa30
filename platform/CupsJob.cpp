#include "CupsJob.h"

#include "AppVersion.h"
#include "Error.h"
#include "PrinterReason.h"

#include <QElapsedTimer>
#include <QThread>
#include <algorithm>
#include <iterator>

namespace platform {

namespace {

// The error number of no printer to print on.
constexpr int kNoPrinter = 484;
constexpr unsigned long kPollMs = 250;

struct IppDelete {
    void operator()(ipp_t* ipp) const { ippDelete(ipp); }
};

QString detailed(const QString& what, const QString& detail)
{
    return detail.isEmpty() ? what : what + QStringLiteral(": ") + detail;
}

[[noreturn]] void fail(int number, const QString& what, const QString& detail = {})
{
    throw Error(number, detailed(what, detail));
}

QString lastCupsError() { return QString::fromUtf8(cupsLastErrorString()); }

} // namespace

void CupsJob::open()
{
    // The server as configured now, not as this pooled thread first saw it.
    cupsSetServer(nullptr);
    http_.reset(httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                             static_cast<int>(answerTimeout_.count()), nullptr));
    if (!http_)
        fail(kNoPrinter, QStringLiteral("Sistema di stampa non raggiungibile"));
    // A server that takes the connection and then says nothing is a failure
    // after the answer timeout, not a wait without end. libcups waits in
    // slices and asks after each whether to go on, so the deadline holds
    // however many waits an answer takes.
    httpSetTimeout(http_.get(), std::chrono::duration<double>(slice()).count(), keepWaiting, this);
    dest_.reset(cupsGetNamedDest(asking(), nullptr, nullptr));
    if (!dest_ && httpError(http_.get()) != 0)
        fail(kNoPrinter, QStringLiteral("Il sistema di stampa non risponde"));
    if (!dest_)
        fail(kNoPrinter, QStringLiteral("Nessuna stampante predefinita"));
    // Refused before any work; the job request would be refused all the same.
    if (const char* accepting = cupsGetOption("printer-is-accepting-jobs", dest_->num_options, dest_->options);
        accepting && qstrcmp(accepting, "false") == 0)
        fail(kPrinterError, QStringLiteral("La stampante %1 non accetta lavori").arg(QString::fromUtf8(dest_->name)));
    layout_ = paperOf(asking(), dest_.get());
}

void CupsJob::send(const QByteArray& pdf)
{
    const char* const name = dest_->name;
    // The destination's own defaults (the user's lpoptions included) go with
    // the job, as `lp` sends them.
    const int job = cupsCreateJob(asking(), name, version::title, dest_->num_options, dest_->options);
    if (job <= 0)
        fail(kPrinterError, QStringLiteral("Lavoro rifiutato"), lastCupsError());
    // A job left half sent is cancelled.
    const auto cancelAndFail = [&](const QString& what) {
        const QString reason = lastCupsError();
        cupsCancelJob2(asking(), name, job, 0);
        fail(kPrinterError, what, reason);
    };
    if (cupsStartDocument(asking(), name, job, version::title, CUPS_FORMAT_PDF, 1) != HTTP_STATUS_CONTINUE)
        cancelAndFail(QStringLiteral("Documento rifiutato"));
    if (cupsWriteRequestData(asking(), pdf.constData(), static_cast<size_t>(pdf.size())) != HTTP_STATUS_CONTINUE)
        cancelAndFail(QStringLiteral("Invio interrotto"));
    if (cupsFinishDocument(asking(), name) > IPP_STATUS_OK_CONFLICTING)
        cancelAndFail(QStringLiteral("Documento rifiutato"));
    follow(job);
}

// Accepted is not printed: a job can still stop, or wait on a queue that
// has stopped. Followed for a while; a job still waiting or printing on a
// working queue after that is on its way (printers are slow).
void CupsJob::follow(int job)
{
    QElapsedTimer watch;
    watch.start();
    int startedAt = 0;
    for (;;) {
        const Status ofJob = status(IPP_OP_GET_JOB_ATTRIBUTES, job);
        if (ofJob.state == 0 || ofJob.state == IPP_JSTATE_COMPLETED)
            return; // done, or no longer told: in the printing system's hands
        judge(job, ofJob, status(IPP_OP_GET_PRINTER_ATTRIBUTES, 0), startedAt);
        if (ofJob.startedAt != 0)
            startedAt = ofJob.startedAt;
        if (watch.elapsed() >= kWatchMs)
            return;
        QThread::msleep(kPollMs);
    }
}

// Throws when the job as last seen will not print, or not now: a job that
// would print later, unnoticed, is cancelled. `startedAt` is when it was
// last seen starting to print, 0 before.
void CupsJob::judge(int job, const Status& ofJob, const Status& ofQueue, int startedAt) const
{
    const QString printer = QString::fromUtf8(dest_->name);
    const QString queueWhy = printerReason(ofQueue.message, ofQueue.reasons);
    // What went wrong, as the job tells it, else as the queue does.
    const QString why = ofJob.message.isEmpty() ? queueWhy : printerReason(ofJob.message, ofQueue.reasons);
    if (ofJob.state == IPP_JSTATE_STOPPED)
        stop(job, detailed(QStringLiteral("Lavoro fermato da %1").arg(printer), why));
    if (ofJob.state == IPP_JSTATE_CANCELED)
        fail(kPrinterError, QStringLiteral("Lavoro annullato"), why);
    if (ofJob.state == IPP_JSTATE_ABORTED)
        fail(kPrinterError, QStringLiteral("Lavoro interrotto"), why);
    if (ofQueue.state == IPP_PSTATE_STOPPED)
        stop(job, detailed(QStringLiteral("La stampante %1 è ferma").arg(printer), queueWhy));
    // A job the printer failed on waits again: held to be tried later (the
    // policy retry-job, Debian's default), or started over at once.
    const bool waitsAgain =
        ofJob.startedAt != 0 && (ofJob.state == IPP_JSTATE_PENDING || ofJob.state == IPP_JSTATE_HELD);
    const bool startedOver = startedAt != 0 && ofJob.startedAt != startedAt;
    if (waitsAgain || startedOver)
        stop(job, detailed(QStringLiteral("La stampante %1 non riesce a stampare").arg(printer), why));
}

// Cancels a job that would otherwise print later, unnoticed.
void CupsJob::stop(int job, const QString& reason) const
{
    cupsCancelJob2(asking(), dest_->name, job, 0);
    fail(kPrinterError, reason);
}

// The state of the job, or of the destination when `job` is 0.
CupsJob::Status CupsJob::status(ipp_op_t operation, int job) const
{
    ipp_t* request = ippNewRequest(operation);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, printerUri().constData());
    if (job > 0)
        ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", job);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    static const char* const ofJob[] = {"job-state", "job-state-message", "job-printer-state-message",
                                        "time-at-processing"};
    static const char* const ofPrinter[] = {"printer-state", "printer-state-message", "printer-state-reasons"};
    const auto want = [request](const auto& names) {
        ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                      static_cast<int>(std::size(names)), nullptr, names);
    };
    if (job > 0)
        want(ofJob);
    else
        want(ofPrinter);
    const std::unique_ptr<ipp_t, IppDelete> response(cupsDoRequest(asking(), request, "/"));
    Status result;
    if (!response || cupsLastError() > IPP_STATUS_OK_CONFLICTING)
        return result;
    const auto find = [answer = response.get()](const QByteArray& name, ipp_tag_t tag) {
        return ippFindAttribute(answer, name.constData(), tag);
    };
    const QByteArray of = job > 0 ? "job" : "printer";
    if (ipp_attribute_t* value = find(of + "-state", IPP_TAG_ENUM))
        result.state = ippGetInteger(value, 0);
    // The job's own message, else the printer's as it was printing the job.
    for (const QByteArray& name : {of + "-state-message", QByteArray("job-printer-state-message")})
        if (ipp_attribute_t* value = find(name, IPP_TAG_TEXT); value && result.message.isEmpty())
            result.message = QString::fromUtf8(ippGetString(value, 0, nullptr)).trimmed();
    if (ipp_attribute_t* value = find(of + "-state-reasons", IPP_TAG_KEYWORD))
        for (int i = 0; i < ippGetCount(value); ++i)
            result.reasons << QString::fromUtf8(ippGetString(value, i, nullptr));
    // No value until it first prints.
    if (ipp_attribute_t* value = find("time-at-processing", IPP_TAG_INTEGER))
        result.startedAt = ippGetInteger(value, 0);
    return result;
}

// The connection, for one more answer: the answer timeout starts afresh.
http_t* CupsJob::asking() const
{
    answerBy_.setRemainingTime(answerTimeout_);
    return http_.get();
}

std::chrono::milliseconds CupsJob::slice() const { return std::min(kSlice, answerTimeout_); }

// Goes on waiting while a whole slice more still ends by the deadline.
int CupsJob::keepWaiting(http_t*, void* self)
{
    const auto* job = static_cast<const CupsJob*>(self);
    return job->answerBy_.remainingTimeAsDuration() >= job->slice() ? 1 : 0;
}

QByteArray CupsJob::printerUri() const
{
    if (const char* uri = cupsGetOption("printer-uri-supported", dest_->num_options, dest_->options))
        return uri;
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(), "/printers/%s",
                     dest_->name);
    return uri;
}

} // namespace platform
