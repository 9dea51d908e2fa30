#pragma once
// What the store's Database and Recordset share, and no one else sees: the
// connection they both hold, the error helpers and the look-ups of the
// schema and of whole records.

#include "ComuniStore.h"
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
        endSnapshot(); // closing ends the transaction
        sqlite::Connection::close();
    }
    void endSnapshot()
    {
        snapshot = false;
        schemaNames.clear();
    }
    std::unordered_map<QString, sqlite::Statement> statements;
    bool snapshot = false; // a read transaction is open (Database::beginSnapshot)
    // The names of tables and indexes as stored, found during the snapshot:
    // the schema cannot change under it, and a run of look-ups would
    // otherwise ask for them at every one.
    std::unordered_map<QString, QString> schemaNames;
};

namespace store {

using sqlite::Statement;

// Resets a cached statement however its use ends, so it holds no read lock.
struct ResetAfter {
    Statement& statement;
    ~ResetAfter() { statement.reset(); }
};

[[noreturn]] void fail(int number, const QString& description);
[[noreturn]] void failClosed();
[[noreturn]] void failNoCurrentRecord();

// Name of the schema object of this type matching `name` without regard to
// case, as table and index names are in SQLite; empty when there is none.
QString schemaName(Connection& db, const char* type, const QString& name, const QString& table = {});
// The table's name as stored; TableNotFound when there is none.
QString tableNamed(Connection& db, const QString& name);
// The name as stored of an index of `table`; NotAnIndex when there is none.
QString indexNamed(Connection& db, const QString& name, const QString& table);

// The code of a row of the cursor's columns: a code is text; any other value
// (a blob, a number) reads as no code, so it never passes for a cadastral
// code whatever its bytes.
QString codeOf(const Statement& row);
// Every row of a statement that selects the cursor's columns, as records.
std::vector<Record> readRecords(Statement& statement);

} // namespace store
} // namespace registro
