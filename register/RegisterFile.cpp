#include "RegisterFile.h"

#include "ComuniStore.h"
#include "Error.h"
#include "RegisterSql.h"
#include "Sqlite.h"

#include <QCoreApplication>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <tuple>

namespace registro {

namespace {

struct Prepared {
    QByteArray key;
    QByteArray name;
    QByteArray code;
    QByteArray province;
    QByteArray first; // yyyy-mm-dd or empty
    QByteArray last;

    // Open ends as far as they go, for sorting only.
    QByteArray lastForOrder() const { return last.isEmpty() ? QByteArray("9999-99-99") : last; }
    QByteArray firstForOrder() const { return first.isEmpty() ? QByteArray("0000-00-00") : first; }
};

void writeTo(const QString& path, const std::vector<Prepared>& records)
{
    sqlite::Connection writer(path, sqlite::Connection::Mode::ReadWriteCreate);
    // Built from scratch and renamed into place only when complete, so the
    // rollback journal buys nothing. page_size is fixed for identical bytes
    // whatever SQLite's default; user_version marks this layout.
    writer.exec("PRAGMA page_size = 4096");
    writer.exec("PRAGMA journal_mode = OFF");
    writer.exec("PRAGMA synchronous = OFF");
    writer.exec("PRAGMA user_version = 2");
    writer.exec("BEGIN");
    writer.exec(sql::createTable().toUtf8().constData());
    sqlite::Statement insert = writer.prepare(sql::insert());
    for (const Prepared& r : records) {
        int slot = 1;
        for (const QByteArray* value : {&r.name, &r.province, &r.code, &r.key, &r.first, &r.last})
            insert.bindText(slot++, *value);
        insert.run();
    }
    insert.finalize();
    writer.exec(sql::createIndex().toUtf8().constData());
    writer.exec("COMMIT");
}

} // namespace

void writeRegister(const QString& path, std::vector<Record> records)
{
    std::vector<Prepared> prepared;
    prepared.reserve(records.size());
    for (const Record& r : records)
        prepared.push_back({foldKey(r.name).toUtf8(), r.name.toUtf8(), r.code.toUtf8(), r.province.toUtf8(),
                            dateField(r.first).toUtf8(), dateField(r.last).toUtf8()});
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
        writeTo(temporary, prepared);
    } catch (...) {
        std::remove(temporaryName.constData());
        throw;
    }
    // rename() replaces the old file in one step: readers see old or new.
    if (std::rename(temporaryName.constData(), sqlite::nativePath(path).constData()) != 0) {
        const int error = errno;
        std::remove(temporaryName.constData());
        throw platform::Error(
            error,
            QStringLiteral("Impossibile sostituire %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(error))));
    }
}

} // namespace registro
