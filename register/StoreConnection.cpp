#include "StoreConnection.h"

#include "RegisterSql.h"

namespace registro::store {

void fail(int number, const QString& description) { throw platform::Error(number, description); }

void failClosed() { fail(ObjectClosed, QStringLiteral("Oggetto non valido o non più impostato.")); }

void failNoCurrentRecord() { fail(NoCurrentRecord, QStringLiteral("Nessun record corrente.")); }

QString schemaName(Connection& db, const char* type, const QString& name, const QString& table)
{
    QString key;
    if (db.snapshot) {
        key = QLatin1StringView(type) + u'\n' + name + u'\n' + table;
        if (const auto known = db.schemaNames.find(key); known != db.schemaNames.end())
            return known->second;
    }
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
    if (db.snapshot && !found.isEmpty())
        db.schemaNames.emplace(key, found);
    return found;
}

QString tableNamed(Connection& db, const QString& name)
{
    const QString found = schemaName(db, "table", name);
    if (found.isEmpty())
        fail(TableNotFound, QStringLiteral("Impossibile trovare la tabella '%1'.").arg(name));
    return found;
}

QString indexNamed(Connection& db, const QString& name, const QString& table)
{
    const QString found = schemaName(db, "index", name, table);
    if (found.isEmpty())
        fail(NotAnIndex, QStringLiteral("'%1' non è un indice della tabella.").arg(name));
    return found;
}

QString codeOf(const Statement& row) { return row.columnIsText(sql::Cod) ? row.columnText(sql::Cod) : QString(); }

std::vector<Record> readRecords(Statement& statement)
{
    std::vector<Record> records;
    while (statement.step())
        records.push_back({statement.columnText(sql::Descr), statement.columnText(sql::Prov), codeOf(statement),
                           dateFromField(statement.columnText(sql::First)),
                           dateFromField(statement.columnText(sql::Last)),
                           periodsFromField(statement.columnText(sql::Periods))});
    return records;
}

} // namespace registro::store
