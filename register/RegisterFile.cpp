#include "RegisterFile.h"

#include "ComuniStore.h"
#include "RegisterSql.h"
#include "Services.h"

#include <QCoreApplication>
#include <QFile>
#include <algorithm>
#include <filesystem>
#include <sqlite3.h>
#include <tuple>

namespace registro {

namespace {

std::filesystem::path fsPath(const QString& path)
{
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

// One write session on the temporary file; throws with SQLite's code and
// message on the first failure.
class Writer {
public:
    explicit Writer(const QString& path)
    {
#ifdef Q_OS_WIN
        const QByteArray name = path.toUtf8();
#else
        const QByteArray name = QFile::encodeName(path);
#endif
        const int rc = sqlite3_open_v2(name.constData(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        if (rc != SQLITE_OK) {
            // SQLite hands back a handle even when opening fails, and no
            // destructor runs for a constructor that throws: release it here.
            const platform::Error failure = error(rc);
            sqlite3_close_v2(db_);
            db_ = nullptr;
            throw failure;
        }
    }
    ~Writer()
    {
        sqlite3_finalize(insert_);
        sqlite3_close_v2(db_);
    }
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    void exec(const char* sql)
    {
        const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK)
            fail(rc);
    }

    void insert(const QByteArray& name, const QByteArray& province, const QByteArray& code, const QByteArray& key)
    {
        if (!insert_) {
            const int rc = sqlite3_prepare_v3(db_, sql::kInsert, -1, SQLITE_PREPARE_PERSISTENT, &insert_, nullptr);
            if (rc != SQLITE_OK)
                fail(rc);
        }
        int slot = 1;
        for (const QByteArray* value : {&name, &province, &code, &key})
            sqlite3_bind_text(insert_, slot++, value->constData(), int(value->size()), SQLITE_STATIC);
        const int rc = sqlite3_step(insert_);
        sqlite3_reset(insert_);
        if (rc != SQLITE_DONE)
            fail(rc);
    }

private:
    platform::Error error(int rc) const
    {
        const QString message = db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QString::fromUtf8(sqlite3_errstr(rc));
        return platform::Error(rc & 0xff, message);
    }

    [[noreturn]] void fail(int rc) { throw error(rc); }

    sqlite3* db_ = nullptr;
    sqlite3_stmt* insert_ = nullptr;
};

struct Prepared {
    QByteArray key;
    QByteArray name;
    QByteArray code;
    QByteArray province;
};

void writeTo(const QString& path, const std::vector<Prepared>& records)
{
    Writer writer(path);
    // Built from scratch and renamed into place only when complete, so the
    // rollback journal buys nothing. page_size is fixed for identical bytes
    // whatever SQLite's default; user_version marks this layout.
    writer.exec("PRAGMA page_size = 4096");
    writer.exec("PRAGMA journal_mode = OFF");
    writer.exec("PRAGMA synchronous = OFF");
    writer.exec("PRAGMA user_version = 1");
    writer.exec("BEGIN");
    writer.exec(sql::kCreateTable);
    for (const Prepared& r : records)
        writer.insert(r.name, r.province, r.code, r.key);
    writer.exec(sql::kCreateIndex);
    writer.exec("COMMIT");
}

} // namespace

void writeRegister(const QString& path, std::vector<Record> records)
{
    std::vector<Prepared> prepared;
    prepared.reserve(records.size());
    for (const Record& r : records)
        prepared.push_back({foldKey(r.name).toUtf8(), r.name.toUtf8(), r.code.toUtf8(), r.province.toUtf8()});
    // Byte order of UTF-8 is the order SQLite compares the key in.
    std::sort(prepared.begin(), prepared.end(), [](const Prepared& a, const Prepared& b) {
        return std::tie(a.key, a.name, a.code, a.province) < std::tie(b.key, b.name, b.code, b.province);
    });

    const QString temporary = path + QStringLiteral(".tmp%1").arg(QCoreApplication::applicationPid());
    std::error_code ignored;
    std::filesystem::remove(fsPath(temporary), ignored);
    try {
        writeTo(temporary, prepared);
    } catch (...) {
        std::filesystem::remove(fsPath(temporary), ignored);
        throw;
    }
    std::error_code error;
    std::filesystem::rename(fsPath(temporary), fsPath(path), error);
    if (error) {
        std::filesystem::remove(fsPath(temporary), ignored);
        throw platform::Error(
            error.value(),
            QStringLiteral("Impossibile sostituire %1: %2").arg(path, QString::fromLocal8Bit(error.message())));
    }
}

} // namespace registro
