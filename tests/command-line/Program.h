#pragma once
// The built program run as a user runs it, with no display at all (DISPLAY,
// WAYLAND_DISPLAY and QT_QPA_PLATFORM unset), and its output read back.

#include "Csv.h"

#include <QFile>
#include <QProcess>
#include <QStringList>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

namespace program {

inline const QString kProgram = QStringLiteral(TARVOLIN_EXE);

// How the program is run, set as Options().input(bytes).locale(name)...
struct Options {
    QByteArray input_; // standard input
    QString program_ = kProgram;
    bool asNobody_ = false; // root may write anywhere: a user without the right runs as nobody
    QByteArray readOnly_; // a folder the program sees on a file system mounted read-only
    QString locale_ = QStringLiteral("C.UTF-8");
    QString inputFile_; // standard input from this file rather than a pipe
    QString outputFile_; // standard output into this file rather than a pipe
    bool append_ = false; // to the output file, as >> does
    bool outputClosed_ = false;
    rlim_t diskFullAt_ = 0; // bytes a file may reach, as ulimit -f sets it

    Options& input(const QByteArray& bytes) { return input_ = bytes, *this; }
    Options& program(const QString& path) { return program_ = path, *this; }
    Options& asNobody(bool nobody) { return asNobody_ = nobody, *this; }
    Options& readOnly(const QString& folder) { return readOnly_ = QFile::encodeName(folder), *this; }
    Options& locale(const QString& name) { return locale_ = name, *this; }
    Options& inputFile(const QString& path) { return inputFile_ = path, *this; }
    Options& outputFile(const QString& path, bool append = false)
    {
        return outputFile_ = path, append_ = append, *this;
    }
    Options& outputClosed(bool closed) { return outputClosed_ = closed, *this; }
    Options& diskFullAt(rlim_t bytes) { return diskFullAt_ = bytes, *this; }
};

struct Run {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

// No display, and the locale given.
inline void setEnvironment(QProcess& process, const QString& locale = QStringLiteral("C.UTF-8"))
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("LC_ALL"), locale);
    process.setProcessEnvironment(environment);
}

inline Run run(const QStringList& arguments, const Options& options = {})
{
    QProcess process;
    process.setChildProcessModifier([options] {
        if (options.asNobody_ && ::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(127);
        // Mounted so in a namespace of the program's own; exit 126 where that cannot be.
        const char* folder = options.readOnly_.constData();
        if (!options.readOnly_.isEmpty()
            && (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
                || ::mount(folder, folder, nullptr, MS_BIND, nullptr) != 0
                || ::mount(nullptr, folder, nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0))
            ::_exit(126);
        if (options.outputClosed_)
            ::close(STDOUT_FILENO);
        if (options.diskFullAt_ > 0) { // SIGXFSZ as the shell leaves it: the program must ignore it
            const rlimit limit{options.diskFullAt_, options.diskFullAt_};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
    });
    setEnvironment(process, options.locale_);
    if (!options.inputFile_.isEmpty())
        process.setStandardInputFile(options.inputFile_);
    if (!options.outputFile_.isEmpty())
        process.setStandardOutputFile(options.outputFile_, options.append_ ? QIODevice::Append : QIODevice::Truncate);
    process.start(options.program_, arguments);
    if (!process.waitForStarted(10000))
        return {};
    if (options.inputFile_.isEmpty())
        process.write(options.input_);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

// Writes `bytes` to a file at `path`, and gives the path.
inline QString writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// The output read back as CSV: the header, then per row the named columns
// joined by "|".
inline QStringList columns(const QByteArray& out, const QStringList& names, char separator = ',')
{
    platform::CsvReader reader(out, separator);
    platform::CsvRecord record;
    QStringList rows;
    if (!reader.next(record))
        return {QStringLiteral("no header")};
    const QStringList header = record.fields;
    rows << header.join(u',');
    while (reader.next(record)) {
        if (record.fault != platform::CsvFault::None || record.fields.size() != header.size()) {
            rows << QStringLiteral("unreadable row at line %1").arg(record.line);
            continue;
        }
        QStringList picked;
        for (const QString& name : names)
            picked << record.fields.value(header.indexOf(name));
        rows << picked.join(u'|');
    }
    return rows;
}

inline const QString kCalcolaHeader = QStringLiteral("cognome,nome,data,sesso,luogo,codice,esito,motivo");
inline const QString kVerificaHeader =
    QStringLiteral("codice,esito,motivo,sesso,data_nascita,data_secolo_precedente,luogo,provincia,catastale,omocodia,"
                   "codice_base");
inline const QStringList kCalcolaOut{"codice", "esito", "motivo"};
inline const QStringList kVerificaOut{"esito", "sesso", "data_nascita", "luogo", "provincia", "catastale", "omocodia"};

} // namespace program
