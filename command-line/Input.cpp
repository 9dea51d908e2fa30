#include "Input.h"

#include "Output.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace riga {

Input::~Input()
{
    if (fd_ > STDIN_FILENO)
        ::close(fd_);
}

bool Input::open(const QString& file, QString& reason)
{
    file_ = file;
    if (file == u"-") {
        fd_ = STDIN_FILENO;
        return !readsOutput(reason);
    }
    const QFileInfo info(file);
    if (!info.exists()) {
        reason = QStringLiteral("%1: il file non esiste.").arg(file);
        return false;
    }
    if (info.isDir()) {
        reason = QStringLiteral("%1 è una cartella, non un file.").arg(file);
        return false;
    }
    fd_ = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
        reason = QStringLiteral("impossibile aprire %1 (%2).").arg(file, systemErrorText(errno));
        return false;
    }
    return !readsOutput(reason);
}

// Results appended to the file they are read from would be read again, and
// their results again, until the disk is full: refused, as cat does.
bool Input::readsOutput(QString& reason) const
{
    struct stat in {
    }, out{};
    if (::fstat(fd_, &in) != 0 || ::fstat(STDOUT_FILENO, &out) != 0 || !S_ISREG(in.st_mode) || in.st_dev != out.st_dev
        || in.st_ino != out.st_ino)
        return false;
    reason = QStringLiteral("%1: il file di ingresso è anche quello di uscita.").arg(name());
    return true;
}

QString Input::name() const { return file_ == u"-" ? QStringLiteral("lo standard input") : file_; }

QString Input::failure() const { return systemErrorText(error_); }

qsizetype Input::read(char* into, qsizetype most)
{
    pollfd ready{fd_, POLLIN, 0};
    if (::poll(&ready, 1, 0) == 0) // nothing there yet: what is done goes out before the wait
        out_.flush();
    for (;;) {
        const ssize_t n = ::read(fd_, into, size_t(most));
        if (n >= 0)
            return n;
        if (errno == EAGAIN || errno == EWOULDBLOCK) // an input set not to wait
            ::poll(&ready, 1, -1);
        else if (errno != EINTR)
            break;
    }
    error_ = errno;
    return -1;
}

} // namespace riga
