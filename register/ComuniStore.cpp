#include "ComuniStore.h"

#include "RegisterSql.h"
#include "StoreConnection.h"

namespace registro {

using namespace store;

Database::Database(std::shared_ptr<Connection> connection) : connection_(std::move(connection)) {}

Database::~Database() = default;

std::unique_ptr<Database> Database::open(const QString& path, int lockWait)
{
    // A register left in WAL mode is read as unchanging, so that reading it
    // leaves no side files behind; any other register is read shared, and
    // sees what another program writes to it.
    const auto mode =
        sqlite::isWalFile(path) ? sqlite::Connection::Mode::ReadOnlyImmutable : sqlite::Connection::Mode::ReadOnly;
    auto connection = std::make_shared<Connection>(path, mode);
    // Another program may be writing the file: wait a moment, then report.
    connection->setBusyTimeout(lockWait);

    // Opening is lazy in SQLite; reading the schema now is what finds a file
    // that is not a database, or one locked by a writer.
    connection->prepare(QStringLiteral("SELECT count(*) FROM sqlite_master")).stepOnce([](const Statement&) {});
    return std::unique_ptr<Database>(new Database(std::move(connection)));
}

std::unique_ptr<Recordset> Database::openRecordset(const QString& table)
{
    if (!isOpen())
        failClosed();
    return Recordset::make(connection_, tableNamed(*connection_, table));
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
    connection_->endSnapshot();
    connection_->exec("COMMIT");
}

void Database::close()
{
    if (connection_)
        connection_->close();
}

bool Database::isOpen() const { return connection_ && connection_->isOpen(); }

} // namespace registro
