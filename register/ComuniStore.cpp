#include "ComuniStore.h"

#include "RegisterSql.h"
#include "Sqlite.h"

#include <unordered_map>

namespace registro {

// The open connection, shared by a Database and its recordsets so that
// closing the Database never leaves a recordset with a dangling handle.
struct Connection : sqlite::Connection {
    using sqlite::Connection::Connection;

    // The look-ups' statements, prepared once per connection: a run of
    // look-ups (the command line's) would otherwise spend its time
    // compiling the same few queries. Reset after every use.
    sqlite::Statement& cached(const QString& sql)
    {
        return cached(sql, [&] { return sql; });
    }
    // The same under a short key, the text made only the first time.
    template <typename MakeSql> sqlite::Statement& cached(const QString& key, MakeSql makeSql)
    {
        auto found = statements.find(key);
        if (found == statements.end())
            found = statements.emplace(key, prepare(makeSql(), true)).first;
        return found->second;
    }
    void close()
    {
        statements.clear();
        snapshot = false; // closing ends the transaction
        sqlite::Connection::close();
    }
    std::unordered_map<QString, sqlite::Statement> statements;
    bool snapshot = false; // a read transaction is open (Database::beginSnapshot)
};

namespace {

using sqlite::Statement;

// Resets a cached statement however its use ends, so it holds no read lock.
struct ResetAfter {
    Statement& statement;
    ~ResetAfter() { statement.reset(); }
};

[[noreturn]] void fail(int number, const QString& description) { throw platform::Error(number, description); }

[[noreturn]] void failClosed() { fail(ObjectClosed, QStringLiteral("Oggetto non valido o non più impostato.")); }

[[noreturn]] void failNoCurrentRecord() { fail(NoCurrentRecord, QStringLiteral("Nessun record corrente.")); }

// Name of the schema object of this type matching `name` without regard to
// case, as table and index names are in SQLite; empty when there is none.
QString schemaName(Connection& db, const char* type, const QString& name, const QString& table = {})
{
    const QString sql =
        table.isNull() ? QStringLiteral("SELECT name FROM sqlite_master WHERE type = ?1 AND name = ?2 COLLATE NOCASE")
                       : QStringLiteral("SELECT name FROM sqlite_master WHERE type = ?1 AND name = ?2 COLLATE NOCASE "
                                        "AND tbl_name = ?3 COLLATE NOCASE");
    Statement& statement = db.cached(sql);
    statement.bindText(1, QByteArrayView(type));
    statement.bindText(2, name.toUtf8());
    if (!table.isNull())
        statement.bindText(3, table.toUtf8());
    QString found;
    statement.stepOnce([&](const Statement& row) { found = row.columnText(0); });
    return found;
}

// The table's name as stored; TableNotFound when there is none.
QString tableNamed(Connection& db, const QString& name)
{
    const QString found = schemaName(db, "table", name);
    if (found.isEmpty())
        fail(TableNotFound, QStringLiteral("Impossibile trovare la tabella '%1'.").arg(name));
    return found;
}

// The name as stored of an index of `table`; NotAnIndex when there is none.
QString indexNamed(Connection& db, const QString& name, const QString& table)
{
    const QString found = schemaName(db, "index", name, table);
    if (found.isEmpty())
        fail(NotAnIndex, QStringLiteral("'%1' non è un indice della tabella.").arg(name));
    return found;
}

} // namespace

namespace {

// A code is text; any other value (a blob, a number) reads as no code, so it
// never passes for a cadastral code whatever its bytes.
QString codeOf(const Statement& row) { return row.columnIsText(sql::Cod) ? row.columnText(sql::Cod) : QString(); }

// The record a row of the cursor's columns holds.
Record recordOf(const Statement& row)
{
    return {row.columnText(sql::Descr),
            row.columnText(sql::Prov),
            codeOf(row),
            dateFromField(row.columnText(sql::First)),
            dateFromField(row.columnText(sql::Last)),
            periodsFromField(row.columnText(sql::Periods))};
}

// Every row of a statement that selects the cursor's columns, as records.
std::vector<Record> readRecords(Statement& statement)
{
    std::vector<Record> records;
    while (statement.step())
        records.push_back(recordOf(statement));
    return records;
}

} // namespace

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
    sqlite::Value key;
    QString descr;
    QString prov;
    QString cod;
    QString firstDay;
    QString lastDay;
    QString periods;

    void requireUsable() const
    {
        if (!open || !connection || !connection->isOpen())
            failClosed();
    }

    void requireIndex() const
    {
        requireUsable();
        if (!seek)
            fail(NoCurrentIndex, QStringLiteral("Operazione non valida senza un indice corrente."));
    }

    // Runs one cursor statement; on a row it becomes the current record.
    bool fetch(Statement& statement)
    {
        return statement.stepOnce([this](const Statement& row) {
            rowId = row.columnInt64(sql::RowId);
            // Kept with its type: a key stored as a blob, bound back as
            // text, would sort before itself and trap the cursor.
            key = row.columnValue(sql::Key);
            descr = row.columnText(sql::Descr);
            prov = row.columnText(sql::Prov);
            cod = codeOf(row);
            firstDay = row.columnText(sql::First);
            lastDay = row.columnText(sql::Last);
            periods = row.columnText(sql::Periods);
            hasCurrent = true;
        });
    }

    bool fetchFrom(Statement& statement, const QByteArray& fromKey)
    {
        statement.bindText(1, fromKey);
        return fetch(statement);
    }

    bool fetchAfterCurrent(Statement& statement)
    {
        statement.bindValue(1, key);
        statement.bindInt64(2, rowId);
        return fetch(statement);
    }

    void loseCurrent()
    {
        hasCurrent = false;
        descr.clear();
        prov.clear();
        cod.clear();
        firstDay.clear();
        lastDay.clear();
        periods.clear();
        key.clear();
    }
};

Recordset::Recordset(std::unique_ptr<Impl> impl) : d_(std::move(impl)) {}

Recordset::~Recordset() = default;

void Recordset::setIndex(const QString& name)
{
    d_->requireUsable();
    Connection& db = *d_->connection;
    const QString index = indexNamed(db, name, d_->table);

    // Prepare everything before touching the current state, so a failure
    // leaves the recordset as it was.
    const sql::CursorQueries queries = sql::cursorQueries(d_->table, index);
    Statement seek = db.prepare(queries.seek, true);
    Statement next = db.prepare(queries.next, true);
    Statement previous = db.prepare(queries.previous, true);
    Statement last = db.prepare(queries.last, true);

    // Like a freshly opened DAO table: on the first record in index order.
    seek.bindText(1, QByteArrayView(""));
    const bool any = d_->fetch(seek);
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
    if (d_->fetchFrom(d_->seek, foldKey(key).toUtf8())) {
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
        if (!d_->fetchAfterCurrent(d_->next)) {
            d_->loseCurrent();
            d_->eof = true;
        }
    } else if (d_->bof) {
        if (d_->fetchFrom(d_->seek, QByteArray("")))
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
        if (!d_->fetchAfterCurrent(d_->previous)) {
            d_->loseCurrent();
            d_->bof = true;
        }
    } else if (d_->eof) {
        if (d_->fetch(d_->last))
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
    if (name.compare(sql::kName, Qt::CaseInsensitive) == 0)
        value = &d_->descr;
    else if (name.compare(sql::kProvince, Qt::CaseInsensitive) == 0)
        value = &d_->prov;
    else if (name.compare(sql::kCode, Qt::CaseInsensitive) == 0)
        value = &d_->cod;
    else if (name.compare(sql::kFirst, Qt::CaseInsensitive) == 0)
        value = &d_->firstDay;
    else if (name.compare(sql::kLast, Qt::CaseInsensitive) == 0)
        value = &d_->lastDay;
    else if (name.compare(sql::kPeriods, Qt::CaseInsensitive) == 0)
        value = &d_->periods;
    else
        fail(ItemNotFound, QStringLiteral("Elemento non trovato in questo insieme."));
    if (!d_->hasCurrent)
        failNoCurrentRecord();
    return *value;
}

void Recordset::close()
{
    d_->seek.finalize();
    d_->next.finalize();
    d_->previous.finalize();
    d_->last.finalize();
    d_->loseCurrent();
    d_->open = false;
    d_->connection.reset();
}

bool Recordset::isOpen() const { return d_->open && d_->connection && d_->connection->isOpen(); }

void Recordset::setBusyTimeout(int milliseconds)
{
    if (isOpen())
        d_->connection->setBusyTimeout(milliseconds);
}

// ----------------------------------------------------------------- Database

Database::Database(std::shared_ptr<Connection> connection) : connection_(std::move(connection)) {}

Database::~Database() = default;

std::unique_ptr<Database> Database::open(const QString& path)
{
    // A register left in WAL mode is read as unchanging, so that reading it
    // leaves no side files behind; any other register is read shared, and
    // sees what another program writes to it.
    const auto mode =
        sqlite::isWalFile(path) ? sqlite::Connection::Mode::ReadOnlyImmutable : sqlite::Connection::Mode::ReadOnly;
    auto connection = std::make_shared<Connection>(path, mode);
    // Another program may be writing the file: wait a moment, then report.
    connection->setBusyTimeout(kBusyTimeout);

    // Opening is lazy in SQLite; reading the schema now is what finds a file
    // that is not a database, or one locked by a writer.
    connection->prepare(QStringLiteral("SELECT count(*) FROM sqlite_master")).stepOnce([](const Statement&) {});
    return std::unique_ptr<Database>(new Database(std::move(connection)));
}

std::unique_ptr<Recordset> Database::openRecordset(const QString& table)
{
    if (!isOpen())
        failClosed();
    const QString found = tableNamed(*connection_, table);
    auto impl = std::make_unique<Recordset::Impl>();
    impl->connection = connection_;
    impl->table = found;
    return std::unique_ptr<Recordset>(new Recordset(std::move(impl)));
}

std::vector<Record> Database::recordsNamed(const QString& name)
{
    if (!isOpen())
        failClosed();
    Connection& db = *connection_;
    const QString table = tableNamed(db, sql::kTable);
    const QString index = indexNamed(db, sql::kIndex, table);

    Statement& named = db.cached(QStringLiteral("named\n") + table + u'\n' + index,
                                 [&] { return sql::cursorQueries(table, index).named; });
    const ResetAfter reset{named};
    named.bindText(1, foldKey(name).toUtf8());
    return readRecords(named);
}

std::vector<Record> Database::recordsWithCode(const QString& code)
{
    if (!isOpen())
        failClosed();
    Connection& db = *connection_;
    const QString table = tableNamed(db, sql::kTable);

    Statement& withCode = db.cached(QStringLiteral("withCode\n") + table, [&] { return sql::withCode(table); });
    const ResetAfter reset{withCode};
    withCode.bindText(1, code.toUtf8());
    return readRecords(withCode);
}

QDate Database::dataDate()
{
    if (!isOpen())
        failClosed();
    Connection& db = *connection_;
    // A register written before the table existed simply has no date.
    const QString table = schemaName(db, "table", sql::kMetadata);
    if (table.isEmpty())
        return {};
    Statement& value = db.cached(QStringLiteral("metadata\n") + table, [&] { return sql::metadataValue(table); });
    value.bindText(1, sql::kDataDate.toUtf8());
    QDate day;
    value.stepOnce([&](const Statement& row) {
        if (row.columnIsText(0))
            day = dateFromField(row.columnText(0));
    });
    return day.isValid() ? day : QDate();
}

void Database::beginSnapshot()
{
    if (!isOpen())
        failClosed();
    if (connection_->snapshot)
        return;
    connection_->exec("BEGIN");
    try {
        // A transaction takes its read lock at its first read.
        connection_->cached(QStringLiteral("SELECT count(*) FROM sqlite_master")).stepOnce([](const Statement&) {});
    } catch (...) {
        connection_->exec("ROLLBACK");
        throw;
    }
    connection_->snapshot = true;
}

void Database::endSnapshot()
{
    if (!isOpen() || !connection_->snapshot)
        return;
    connection_->snapshot = false;
    connection_->exec("COMMIT");
}

void Database::close()
{
    if (connection_)
        connection_->close();
}

bool Database::isOpen() const { return connection_ && connection_->isOpen(); }

} // namespace registro
