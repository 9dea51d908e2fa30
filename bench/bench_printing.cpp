// Printing against a server that takes the connection and never answers:
// how long until the job gives up, beside the answer timeout it promises.

#include "BenchTable.h"
#include "CupsJob.h"
#include "Error.h"
#include "SystemServices.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("silent.sock")));
    const int silent = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    qstrncpy(address.sun_path, path.constData(), sizeof address.sun_path);
    if (!dir.isValid() || bind(silent, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || listen(silent, 8) != 0)
        return 1;
    qputenv("CUPS_SERVER", path);

    const auto limit = platform::SystemPrinter::kAnswerTimeout;
    QElapsedTimer timer;
    timer.start();
    QString said;
    try {
        platform::CupsJob job(limit);
        job.open();
    } catch (const platform::Error& error) {
        said = error.description;
    }
    const qint64 elapsed = timer.nsecsElapsed();
    close(silent);
    const bool met = !said.isEmpty() && elapsed <= std::chrono::nanoseconds(limit).count();
    bench::printRow(out, QStringLiteral("silent printing system reported after"), bench::millis(double(elapsed)),
                    QStringLiteral("<= %1 ms").arg(limit.count()), met);
    return 0;
}
