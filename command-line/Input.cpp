#include "Input.h"

#include "Output.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
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
        return true;
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
