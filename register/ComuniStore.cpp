#include "ComuniStore.h"

#include "RegisterSql.h"
#include "Text.h"

#include <QFile>
#include <sqlite3.h>

namespace registro {

// The open SQLite handle, shared by a Database and its recordsets so that
// closing the Database never leaves a recordset with a dangling handle.
struct Connection {
    sqlite3* handle = nullptr;

    Connection() = default;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection() { close(); }

    // sqlite3_close_v2 defers the real close until recordsets still holding
    // prepared statements finalize them; from here on they see no handle.
    void close()
    {
        if (handle) {
            sqlite3_close_v2(handle);
            handle = nullptr;
        }
    }
};

namespace {

struct Finalizer {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, Finalizer>;

[[noreturn]] void fail(int number, const QString& description) { throw platform::Error(number, description); }

// SQLite's result code with its own message for the failure at hand; the
// generic text of the code when the handle carries no matching message.
platform::Error sqliteError(int resultCode, sqlite3* db)
{
    const int primary = resultCode & 0xff;
    if (db && (sqlite3_errcode(db) & 0xff) == primary)
        return platform::Error(primary, QString::fromUtf8(sqlite3_errmsg(db)));
    return platform::Error(primary, QString::fromUtf8(sqlite3_errstr(primary)));
}

[[noreturn]] void failClosed() { fail(ObjectClosed, QStringLiteral("Oggetto non valido o non più impostato.")); }

[[noreturn]] void failNoCurrentRecord() { fail(NoCurrentRecord, QStringLiteral("Nessun record corrente.")); }

QByteArray nativePath(const QString& path)
{
#ifdef Q_OS_WIN
    return path.toUtf8(); // SQLite's Windows layer takes UTF-8 names
#else
    return QFile::encodeName(path);
#endif
}

Statement prepare(sqlite3* db, const QString& sql, unsigned flags = 0)
{
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt* statement = nullptr;
    const int rc = sqlite3_prepare_v3(db, text.constData(), int(text.size()), flags, &statement, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(statement);
        throw sqliteError(rc, db);
    }
    return Statement(statement);
}

void bindText(sqlite3_stmt* statement, int slot, const QByteArray& text)
{
    sqlite3_bind_text(statement, slot, text.constData(), int(text.size()), SQLITE_TRANSIENT);
}

QString columnText(sqlite3_stmt* statement, int column)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    return QString::fromUtf8(text, sqlite3_column_bytes(statement, column));
}

// Steps once and resets at once, so no read lock outlives the call.
// Returns whether a row came back; the row is read by `take` before reset.
template <typename Take> bool stepOnce(sqlite3_stmt* statement, Take take)
{
    const int rc = sqlite3_step(statement);
    if (rc == SQLITE_ROW) {
        take(statement);
        sqlite3_reset(statement);
        return true;
    }
    if (rc == SQLITE_DONE) {
        sqlite3_reset(statement);
        return false;
    }
    const platform::Error error = sqliteError(rc, sqlite3_db_handle(statement));
    sqlite3_reset(statement);
    throw error;
}

// Name of the schema object of this type matching `name` without regard to
// case, as table and index names are in SQLite; empty when there is none.
QString schemaName(sqlite3* db, const char* type, const QString& name, const QString& table = {})
{
    const QString sql =
        table.isNull() ? QStringLiteral("SELECT name FROM sqlite_master WHERE type = ?1 AND name = ?2 COLLATE NOCASE")
                       : QStringLiteral("SELECT name FROM sqlite_master WHERE type = ?1 AND name = ?2 COLLATE NOCASE "
                                        "AND tbl_name = ?3 COLLATE NOCASE");
    Statement statement = prepare(db, sql);
    sqlite3_bind_text(statement.get(), 1, type, -1, SQLITE_STATIC);
    bindText(statement.get(), 2, name.toUtf8());
    if (!table.isNull())
        bindText(statement.get(), 3, table.toUtf8());
    QString found;
    stepOnce(statement.get(), [&](sqlite3_stmt* s) { found = columnText(s, 0); });
    return found;
}

} // namespace

namespace {
std::function<void(const QString&)>& closeObserver()
{
    static std::function<void(const QString&)> observer;
    return observer;
}
void observeClose(const QString& what)
{
    if (closeObserver())
        closeObserver()(what);
}
} // namespace

void setCloseObserver(std::function<void(const QString&)> observer) { closeObserver() = std::move(observer); }

QString foldKey(const QString& name) { return platform::upperCase(name); }

// ---------------------------------------------------------------- Recordset

struct Recordset::Impl {
    std::shared_ptr<Connection> connection;
    QString table;
    bool open = true;

    // Prepared once by setIndex; declared after `connection` so they are
    // finalized before the connection can go.
    Statement seek;
    Statement next;
    Statement previous;
    Statement last;

    bool bof = false;
    bool eof = false;
    bool noMatch = false;
    bool hasCurrent = false;
    // The current record, like DAO's copy buffer; key and rowid are what the
    // next step searches from.
    qint64 rowId = 0;
    QByteArray key;
    QString descr;
    QString prov;
    QString cod;

    void requireUsable() const
    {
        if (!open || !connection || !connection->handle)
            failClosed();
    }

    void requireIndex() const
    {
        requireUsable();
        if (!seek)
            fail(NoCurrentIndex, QStringLiteral("Operazione non valida senza un indice corrente."));
    }

    // Runs one cursor statement; on a row it becomes the current record.
    bool fetch(sqlite3_stmt* statement)
    {
        return stepOnce(statement, [this](sqlite3_stmt* s) {
            rowId = sqlite3_column_int64(s, sql::RowId);
            key = QByteArray(reinterpret_cast<const char*>(sqlite3_column_blob(s, sql::Key)),
                             sqlite3_column_bytes(s, sql::Key));
            descr = columnText(s, sql::Descr);
            prov = columnText(s, sql::Prov);
            cod = columnText(s, sql::Cod);
            hasCurrent = true;
        });
    }

    bool fetchFrom(sqlite3_stmt* statement, const QByteArray& fromKey)
    {
        bindText(statement, 1, fromKey);
        return fetch(statement);
    }

    bool fetchAfterCurrent(sqlite3_stmt* statement)
    {
        bindText(statement, 1, key);
        sqlite3_bind_int64(statement, 2, rowId);
        return fetch(statement);
    }

    void loseCurrent()
    {
        hasCurrent = false;
        descr.clear();
        prov.clear();
        cod.clear();
        key.clear();
    }
};

Recordset::Recordset(std::unique_ptr<Impl> impl) : d_(std::move(impl)) {}

Recordset::~Recordset() = default;

void Recordset::setIndex(const QString& name)
{
    d_->requireUsable();
    sqlite3* db = d_->connection->handle;
    const QString index = schemaName(db, "index", name, d_->table);
    if (index.isEmpty())
        fail(NotAnIndex, QStringLiteral("'%1' non è un indice della tabella.").arg(name));

    // Prepare everything before touching the current state, so a failure
    // leaves the recordset as it was.
    const sql::CursorQueries queries = sql::cursorQueries(d_->table, index);
    Statement seek = prepare(db, queries.seek, SQLITE_PREPARE_PERSISTENT);
    Statement next = prepare(db, queries.next, SQLITE_PREPARE_PERSISTENT);
    Statement previous = prepare(db, queries.previous, SQLITE_PREPARE_PERSISTENT);
    Statement last = prepare(db, queries.last, SQLITE_PREPARE_PERSISTENT);

    // Like a freshly opened DAO table: on the first record in index order.
    bindText(seek.get(), 1, QByteArray(""));
    const bool any = d_->fetch(seek.get());
    d_->seek = std::move(seek);
    d_->next = std::move(next);
    d_->previous = std::move(previous);
    d_->last = std::move(last);
    d_->noMatch = false;
    d_->bof = !any;
    d_->eof = !any;
    if (!any)
        d_->loseCurrent();
}

void Recordset::seek(const QString& key)
{
    d_->requireIndex();
    if (d_->fetchFrom(d_->seek.get(), foldKey(key).toUtf8())) {
        d_->noMatch = false;
    } else {
        d_->noMatch = true;
        d_->loseCurrent();
    }
    d_->bof = false;
    d_->eof = false;
}

bool Recordset::noMatch() const
{
    d_->requireUsable();
    return d_->noMatch;
}

bool Recordset::bof() const
{
    d_->requireUsable();
    return d_->bof;
}

bool Recordset::eof() const
{
    d_->requireUsable();
    return d_->eof;
}

void Recordset::moveNext()
{
    d_->requireIndex();
    if (d_->eof)
        failNoCurrentRecord();
    if (d_->hasCurrent) {
        if (!d_->fetchAfterCurrent(d_->next.get())) {
            d_->loseCurrent();
            d_->eof = true;
        }
    } else if (d_->bof) {
        if (d_->fetchFrom(d_->seek.get(), QByteArray("")))
            d_->bof = false;
        else
            d_->eof = true;
    } else {
        failNoCurrentRecord(); // after a seek that found nothing
    }
}

void Recordset::movePrevious()
{
    d_->requireIndex();
    if (d_->bof)
        failNoCurrentRecord();
    if (d_->hasCurrent) {
        if (!d_->fetchAfterCurrent(d_->previous.get())) {
            d_->loseCurrent();
            d_->bof = true;
        }
    } else if (d_->eof) {
        if (d_->fetch(d_->last.get()))
            d_->eof = false;
        else
            d_->bof = true;
    } else {
        failNoCurrentRecord();
    }
}

QString Recordset::field(const QString& name) const
{
    d_->requireUsable();
    const QString* value = nullptr;
    if (name.compare(QLatin1String("COMU_DESCR"), Qt::CaseInsensitive) == 0)
        value = &d_->descr;
    else if (name.compare(QLatin1String("COMU_PROV"), Qt::CaseInsensitive) == 0)
        value = &d_->prov;
    else if (name.compare(QLatin1String("COMU_COD"), Qt::CaseInsensitive) == 0)
        value = &d_->cod;
    else
        fail(ItemNotFound, QStringLiteral("Elemento non trovato in questo insieme."));
    if (!d_->hasCurrent)
        failNoCurrentRecord();
    return *value;
}

void Recordset::close()
{
    d_->seek.reset();
    d_->next.reset();
    d_->previous.reset();
    d_->last.reset();
    d_->loseCurrent();
    d_->open = false;
    d_->connection.reset();
    observeClose(QStringLiteral("Recordset"));
}

bool Recordset::isOpen() const { return d_->open && d_->connection && d_->connection->handle; }

// ----------------------------------------------------------------- Database

Database::Database(std::shared_ptr<Connection> connection) : connection_(std::move(connection)) {}

Database::~Database() = default;

std::unique_ptr<Database> Database::open(const QString& path)
{
    // An empty name would make SQLite open a private temporary database.
    if (path.isEmpty())
        throw sqliteError(SQLITE_CANTOPEN, nullptr);

    auto connection = std::make_shared<Connection>();
    const int rc = sqlite3_open_v2(nativePath(path).constData(), &connection->handle, SQLITE_OPEN_READONLY, nullptr);
    if (rc != SQLITE_OK)
        throw sqliteError(rc, connection->handle);

    // Another program may be writing the file: wait a moment, then report.
    sqlite3_busy_timeout(connection->handle, 250);

    // Opening is lazy in SQLite; reading the schema now is what finds a file
    // that is not a database, or one locked by a writer.
    Statement probe = prepare(connection->handle, QStringLiteral("SELECT count(*) FROM sqlite_master"));
    stepOnce(probe.get(), [](sqlite3_stmt*) {});
    return std::unique_ptr<Database>(new Database(std::move(connection)));
}

std::unique_ptr<Recordset> Database::openRecordset(const QString& table)
{
    if (!isOpen())
        failClosed();
    const QString found = schemaName(connection_->handle, "table", table);
    if (found.isEmpty())
        fail(TableNotFound, QStringLiteral("Impossibile trovare la tabella '%1'.").arg(table));
    auto impl = std::make_unique<Recordset::Impl>();
    impl->connection = connection_;
    impl->table = found;
    return std::unique_ptr<Recordset>(new Recordset(std::move(impl)));
}

void Database::close()
{
    if (connection_)
        connection_->close();
    observeClose(QStringLiteral("Database"));
}

bool Database::isOpen() const { return connection_ && connection_->handle; }

} // namespace registro
