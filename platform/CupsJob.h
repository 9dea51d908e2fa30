#pragma once
// One print job on the default destination of CUPS, from the connection to
// the end of its watch. Every call may wait on the printing system (up to
// kAnswerTimeoutMs at a time), so none of them belongs on the GUI thread;
// each throws Error on failure.

#include "CupsPaper.h"

#include <cups/cups.h>

#include <QByteArray>
#include <QPageLayout>
#include <QStringList>
#include <memory>

namespace platform {

class CupsJob {
public:
    // The longest the printing system may keep us waiting for one answer.
    static constexpr int kAnswerTimeoutMs = 5000;
    // How long an accepted job is followed before it counts as on its way.
    static constexpr int kWatchMs = 4000;

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

    std::unique_ptr<http_t, HttpClose> http_;
    std::unique_ptr<cups_dest_t, DestFree> dest_;
    QPageLayout layout_ = defaultPaper();
};

} // namespace platform
