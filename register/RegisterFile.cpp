#include "RegisterFile.h"

#include "ComuniStore.h"
#include "Error.h"
#include "RegisterSql.h"
#include "Sqlite.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <tuple>
#include <unistd.h>

namespace registro {

namespace {

struct Prepared {
    QByteArray key;
    QByteArray name;
    QByteArray code;
    QByteArray province;
    QByteArray first; // yyyy-mm-dd or empty
    QByteArray last;
    QByteArray periods;

    // Open ends as far as they go, for sorting only.
    QByteArray lastForOrder() const { return last.isEmpty() ? QByteArray("9999-99-99") : last; }
    QByteArray firstForOrder() const { return first.isEmpty() ? QByteArray("0000-00-00") : first; }
};

Prepared prepare(Record r)
{
    if (!r.periods.empty())
        setPeriods(r, r.periods); // the record's first and last day are those of its periods
    return {foldKey(r.name).toUtf8(),
            r.name.toUtf8(),
            r.code.toUtf8(),
            r.province.toUtf8(),
            dateField(r.first).toUtf8(),
            dateField(r.last).toUtf8(),
            periodsField(r.spans()).toUtf8()};
}

void writeTo(const QString& path, const std::vector<Prepared>& records, const QDate& dataDate)
{
    sqlite::Connection writer(path, sqlite::Connection::Mode::ReadWriteCreate);
    // Built from scratch and renamed into place only when complete, so the
    // rollback journal buys nothing. page_size is fixed for identical bytes
    // whatever SQLite's default; user_version marks this layout.
    writer.exec("PRAGMA page_size = 4096");
    writer.exec("PRAGMA journal_mode = OFF");
    writer.exec("PRAGMA synchronous = OFF");
    writer.exec("PRAGMA user_version = 3");
    writer.exec("BEGIN");
    writer.exec(sql::createTable().toUtf8().constData());
    sqlite::Statement insert = writer.prepare(sql::insert());
    for (const Prepared& r : records) {
        int slot = 1;
        for (const QByteArray* value : {&r.name, &r.province, &r.code, &r.key, &r.first, &r.last, &r.periods})
            insert.bindText(slot++, *value);
        insert.run();
    }
    insert.finalize();
    writer.exec(sql::createIndex().toUtf8().constData());
    writer.exec(sql::createCodeIndex().toUtf8().constData());
    writer.exec(sql::createMetadata().toUtf8().constData());
    if (dataDate.isValid()) {
        sqlite::Statement metadata = writer.prepare(sql::insertMetadata());
        metadata.bindText(1, sql::kDataDate.toUtf8());
        metadata.bindText(2, dateField(dataDate).toUtf8());
        metadata.run();
    }
    writer.exec("COMMIT");
}

[[noreturn]] void failWith(int error, const QString& what, const QString& path)
{
    throw platform::Error(error,
                          QStringLiteral("%1 %2: %3").arg(what, path, QString::fromLocal8Bit(std::strerror(error))));
}

// Waits until the file's bytes are on the disk.
void flushToDisk(const QString& path)
{
    const int fd = ::open(sqlite::nativePath(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0) {
        const int error = errno;
        if (fd >= 0)
            ::close(fd);
        failWith(error, QStringLiteral("Impossibile scrivere su disco"), path);
    }
    ::close(fd);
}

// Makes a rename in the directory last across a crash; a failure here leaves
// the new file in place all the same, so it is not reported.
void flushDirectory(const QString& path)
{
    const int fd = ::open(sqlite::nativePath(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

void writeRegister(const QString& path, std::vector<Record> records, const QDate& dataDate)
{
    std::vector<Prepared> prepared;
    prepared.reserve(records.size());
    for (const Record& r : records)
        prepared.push_back(prepare(r));
    // Byte order of UTF-8 is the order SQLite compares the key in.
    std::sort(prepared.begin(), prepared.end(), [](const Prepared& a, const Prepared& b) {
        const QByteArray aLast = a.lastForOrder(), bLast = b.lastForOrder();
        const QByteArray aFirst = a.firstForOrder(), bFirst = b.firstForOrder();
        // Validity runs backwards: the latest first.
        return std::tie(a.key, a.name, bLast, bFirst, a.code, a.province)
               < std::tie(b.key, b.name, aLast, aFirst, b.code, b.province);
    });

    const QString temporary = path + QStringLiteral(".tmp%1").arg(QCoreApplication::applicationPid());
    const QByteArray temporaryName = sqlite::nativePath(temporary);
    std::remove(temporaryName.constData());
    try {
        writeTo(temporary, prepared, dataDate);
        flushToDisk(temporary);
    } catch (...) {
        std::remove(temporaryName.constData());
        throw;
    }
    // rename() replaces the old file in one step: readers see old or new.
    if (std::rename(temporaryName.constData(), sqlite::nativePath(path).constData()) != 0) {
        const int error = errno;
        std::remove(temporaryName.constData());
        failWith(error, QStringLiteral("Impossibile sostituire"), path);
    }
    flushDirectory(path);
}

} // namespace registro
