#pragma once
// One print job on the default destination of CUPS, from the connection to
// the end of its watch. Every call may wait on the printing system (up to
// the answer timeout for each answer), so none of them belongs on the GUI
// thread; each throws Error on failure.

#include "CupsPaper.h"

#include <cups/cups.h>

#include <QByteArray>
#include <QDeadlineTimer>
#include <QPageLayout>
#include <QStringList>
#include <chrono>
#include <memory>

namespace platform {

// The error number of a page that was not printed, whatever stopped it.
constexpr int kPrinterError = 482;

class CupsJob {
public:
    // How long an accepted job is followed before it counts as on its way.
    static constexpr int kWatchMs = 4000;

    // `answerTimeout`: the longest the printing system may keep us waiting
    // for one answer.
    explicit CupsJob(std::chrono::milliseconds answerTimeout) : answerTimeout_(answerTimeout) {}
    CupsJob(const CupsJob&) = delete; // the connection calls back into this object
    CupsJob& operator=(const CupsJob&) = delete;

    // Connects and finds the default destination and its paper.
    void open();
    // The paper the job comes out on, with its printable area.
    const QPageLayout& pageLayout() const { return layout_; }
    // Sends the PDF document as one job and follows it: a job the printer
    // stops, aborts or cancels, one left on a stopped queue, or one that
    // waits again after the printer failed on it, is a failure, and one left
    // waiting is cancelled.
    void send(const QByteArray& pdf);

private:
    struct HttpClose {
        void operator()(http_t* http) const { httpClose(http); }
    };
    struct DestFree {
        void operator()(cups_dest_t* dest) const { cupsFreeDests(1, dest); }
    };
    struct Status {
        int state = 0; // an ipp_jstate_t or ipp_pstate_t; 0 when unknown
        QString message;
        QStringList reasons; // the destination's keywords
        int startedAt = 0; // when the job last started to print; 0 before
    };

    void follow(int job);
    void judge(int job, const Status& ofJob, const Status& ofQueue, int startedAt) const;
    Status status(ipp_op_t operation, int job) const;
    [[noreturn]] void stop(int job, const QString& reason) const;
    QByteArray printerUri() const;
    http_t* asking() const;
    std::chrono::milliseconds slice() const;
    static int keepWaiting(http_t* http, void* self);

    // How often a silent wait is looked at.
    static constexpr std::chrono::milliseconds kSlice{250};

    std::unique_ptr<http_t, HttpClose> http_;
    std::unique_ptr<cups_dest_t, DestFree> dest_;
    QPageLayout layout_ = defaultPaper();
    std::chrono::milliseconds answerTimeout_;
    mutable QDeadlineTimer answerBy_;
};

} // namespace platform
