#include "Output.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace riga {

void printError(const QString& message)
{
    const QByteArray text = QStringLiteral("tarvolin: %1\n").arg(message).toUtf8();
    if (::write(STDERR_FILENO, text.constData(), size_t(text.size())) < 0)
        return; // nowhere left to say it
}

int badUsage(const QString& message, const QString& details)
{
    printError(message);
    const QByteArray text = details.toUtf8();
    if (::write(STDERR_FILENO, text.constData(), size_t(text.size())) < 0)
        return BadUsage;
    printError(QStringLiteral("«tarvolin --help» mostra l'uso."));
    return BadUsage;
}

QString systemErrorText(int error)
{
    switch (error) {
        case ENOSPC: return QStringLiteral("disco pieno");
        case EDQUOT: return QStringLiteral("spazio su disco di questo utente esaurito");
        case EFBIG: return QStringLiteral("file troppo grande");
        case EIO: return QStringLiteral("errore di input/output del dispositivo");
        case EBADF: return QStringLiteral("chiuso");
        case EACCES: return QStringLiteral("permesso negato");
        default: return QString::fromLocal8Bit(std::strerror(error));
    }
}

Output::Output()
{
    buffer_.reserve(2 * kChunk);
    sinceWrite_.start();
}

bool Output::standardStreamsReady()
{
    for (const int stream : {STDIN_FILENO, STDERR_FILENO}) {
        if (::fcntl(stream, F_GETFD) != -1)
            continue;
        const int null = ::open("/dev/null", stream == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        if (null >= 0 && null != stream) {
            ::dup2(null, stream);
            ::close(null);
        }
    }
    return ::fcntl(STDOUT_FILENO, F_GETFL) != -1;
}

void Output::setForm(const platform::CsvForm& form, char separator)
{
    lineEnd_ = form.lineEnd;
    const bool big = form.encoding == platform::CsvForm::Utf16BigEndian;
    if (form.encoding != platform::CsvForm::Utf8) {
        utf16_.emplace(big ? QStringConverter::Utf16BE : QStringConverter::Utf16LE);
        buffer_ += big ? "\xFE\xFF" : "\xFF\xFE";
        rowStart_ = buffer_.size();
    } else if (form.byteOrderMark) {
        buffer_ += "\xEF\xBB\xBF";
    }
    if (form.separatorLine)
        buffer_ += "sep=" + QByteArray(1, separator) + lineEnd_;
}

void Output::rowDone(qsizetype inputLine)
{
    if (utf16_) {
        const QString row = QString::fromUtf8(QByteArrayView(buffer_).sliced(rowStart_));
        buffer_.truncate(rowStart_);
        buffer_ += utf16_->encode(row);
    }
    rowStart_ = buffer_.size();
    rowsCounted_ = true;
    rows_.push_back({buffer_.size(), inputLine});
    if (buffer_.size() >= kChunk || sinceWrite_.elapsed() >= 1000)
        flush();
}

bool Output::flush()
{
    qsizetype written = 0;
    while (!error_ && written < buffer_.size()) {
        const ssize_t n = ::write(STDOUT_FILENO, buffer_.constData() + written, size_t(buffer_.size() - written));
        if (n >= 0) {
            written += n;
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) { // an output set not to wait
            pollfd ready{STDOUT_FILENO, POLLOUT, 0};
            ::poll(&ready, 1, -1);
        } else if (errno != EINTR) {
            error_ = errno;
        }
    }
    qsizetype wholeRows = 0; // the bytes of the rows written whole
    for (const RowEnd& row : rows_) {
        if (row.end > written)
            break;
        ++rowsOut_;
        lastLineOut_ = row.inputLine;
        wholeRows = row.end;
    }
    if (error_ && rowsCounted_ && written > wholeRows)
        dropPartialRow(written - wholeRows);
    buffer_.resize(0);
    rowStart_ = 0;
    rows_.clear();
    sinceWrite_.restart();
    return !error_;
}

// A file ends at a whole row, as the message says: the part of the next one
// that got out is cut off. A pipe or a device keeps what it was given.
void Output::dropPartialRow(qsizetype bytes)
{
    struct stat file {};
    if (::fstat(STDOUT_FILENO, &file) != 0 || !S_ISREG(file.st_mode))
        return;
    const off_t at = ::lseek(STDOUT_FILENO, 0, SEEK_CUR);
    if (at >= bytes && ::ftruncate(STDOUT_FILENO, at - bytes) != 0)
        return; // the file keeps the start of that row
}

QString Output::failure() const
{
    QString text = QStringLiteral("impossibile scrivere sullo standard output (%1).").arg(systemErrorText(error_));
    if (!rowsCounted_)
        return text;
    if (rowsOut_ <= 1)
        return text + QStringLiteral(" Nessun risultato scritto.");
    if (lastLineOut_ > 0)
        return text
               + QStringLiteral(" Risultati scritti per intero: fino alla riga %1 dell'ingresso.").arg(lastLineOut_);
    return text + QStringLiteral(" Risultati scritti per intero: %1.").arg(rowsOut_ - 1);
}

int Output::finish(int status)
{
    if (flush())
        return status;
    // A reader that has gone wants nothing more, a message least of all.
    if (error_ != EPIPE)
        printError(failure());
    return BadUsage;
}

} // namespace riga
