#include "Sqlite.h"

#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>
#include <utility>

namespace registro::sqlite {

QByteArray nativePath(const QString& path)
{
#ifdef Q_OS_WIN
    return path.toUtf8(); // SQLite's Windows layer takes UTF-8 names
#else
    return QFile::encodeName(path);
#endif
}

platform::Error error(int resultCode, sqlite3* db)
{
    const int primary = resultCode & 0xff;
    // A reader finds a journal that a writer left behind (it is writing, or
    // it stopped half-way) and may not roll it back: SQLite's own words,
    // "attempt to write a readonly database", would blame the reader.
    if (primary == SQLITE_READONLY
        && (resultCode == SQLITE_READONLY_ROLLBACK || (db && sqlite3_extended_errcode(db) == SQLITE_READONLY_ROLLBACK)))
        return platform::Error(primary, QStringLiteral("File in scrittura da parte di un altro programma (o lasciato a "
                                                       "metà da uno che si è interrotto): riprovare più tardi."));
    if (db && (sqlite3_errcode(db) & 0xff) == primary)
        return platform::Error(primary, QString::fromUtf8(sqlite3_errmsg(db)));
    return platform::Error(primary, QString::fromUtf8(sqlite3_errstr(primary)));
}

bool isWalFile(const QString& path)
{
    // Bytes 18 and 19 of the header: the format versions for writing and
    // reading, 2 for WAL. Only a regular file is read: a FIFO would block.
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray header = file.read(20);
    return header.size() == 20 && header.startsWith("SQLite format 3") && (header[18] == 2 || header[19] == 2);
}

// --------------------------------------------------------------------- Value

Value::~Value() { clear(); }

Value::Value(const Value& other) : value_(sqlite3_value_dup(other.value_)) {}

Value& Value::operator=(const Value& other)
{
    if (this != &other) {
        clear();
        value_ = sqlite3_value_dup(other.value_);
    }
    return *this;
}

void Value::clear()
{
    sqlite3_value_free(value_);
    value_ = nullptr;
}

// ---------------------------------------------------------------- Connection

Connection::Connection(const QString& path, Mode mode)
{
    // An empty name would make SQLite open a private temporary database.
    if (path.isEmpty() || (mode != Mode::ReadWriteCreate && !QFileInfo(path).isFile()))
        throw error(SQLITE_CANTOPEN, nullptr);
    QByteArray name = nativePath(path);
    int flags = SQLITE_OPEN_READONLY;
    if (mode == Mode::ReadWriteCreate) {
        flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    } else if (mode == Mode::ReadOnlyImmutable) {
        // Only a URI carries the parameter; everything but plain path
        // characters is percent-encoded so the name reads back unchanged.
        name = "file:" + name.toPercentEncoding("/") + "?immutable=1";
        flags |= SQLITE_OPEN_URI;
    }
    const int rc = sqlite3_open_v2(name.constData(), &handle_, flags, nullptr);
    if (rc != SQLITE_OK) {
        // No destructor runs for a constructor that throws.
        const platform::Error failure = error(rc, handle_);
        close();
        throw failure;
    }
}

Connection::~Connection() { close(); }

void Connection::close()
{
    if (handle_) {
        sqlite3_close_v2(handle_);
        handle_ = nullptr;
    }
}

void Connection::setBusyTimeout(int milliseconds) { sqlite3_busy_timeout(handle_, milliseconds); }

void Connection::exec(const char* sql)
{
    const int rc = sqlite3_exec(handle_, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        throw error(rc, handle_);
}

Statement Connection::prepare(const QString& sql, bool persistent)
{
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt* statement = nullptr;
    const int rc = sqlite3_prepare_v3(handle_, text.constData(), int(text.size()),
                                      persistent ? SQLITE_PREPARE_PERSISTENT : 0, &statement, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(statement);
        throw error(rc, handle_);
    }
    return Statement(statement);
}

// ----------------------------------------------------------------- Statement

Statement::~Statement() { finalize(); }

Statement::Statement(Statement&& other) noexcept : statement_(std::exchange(other.statement_, nullptr)) {}

Statement& Statement::operator=(Statement&& other) noexcept
{
    if (this != &other) {
        finalize();
        statement_ = std::exchange(other.statement_, nullptr);
    }
    return *this;
}

void Statement::finalize()
{
    sqlite3_finalize(statement_);
    statement_ = nullptr;
}

void Statement::bindText(int slot, QByteArrayView utf8)
{
    // A null pointer would bind SQL NULL; an empty text is still a text.
    sqlite3_bind_text(statement_, slot, utf8.data() ? utf8.data() : "", int(utf8.size()), SQLITE_TRANSIENT);
}

void Statement::bindInt64(int slot, qint64 value) { sqlite3_bind_int64(statement_, slot, value); }

void Statement::bindValue(int slot, const Value& value)
{
    if (value.value_)
        sqlite3_bind_value(statement_, slot, value.value_);
    else
        sqlite3_bind_null(statement_, slot);
}

bool Statement::step()
{
    const int rc = sqlite3_step(statement_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE) {
        reset();
        return false;
    }
    const platform::Error failure = error(rc, sqlite3_db_handle(statement_));
    reset();
    throw failure;
}

void Statement::run()
{
    if (step())
        reset();
}

void Statement::reset() { sqlite3_reset(statement_); }

qint64 Statement::columnInt64(int column) const { return sqlite3_column_int64(statement_, column); }

QString Statement::columnText(int column) const
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
    return QString::fromUtf8(text, sqlite3_column_bytes(statement_, column));
}

bool Statement::columnIsText(int column) const { return sqlite3_column_type(statement_, column) == SQLITE_TEXT; }

QByteArray Statement::columnBytes(int column) const
{
    const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement_, column));
    return QByteArray(bytes, sqlite3_column_bytes(statement_, column));
}

Value Statement::columnValue(int column) const
{
    Value copy;
    copy.value_ = sqlite3_value_dup(sqlite3_column_value(statement_, column));
    return copy;
}

} // namespace registro::sqlite
