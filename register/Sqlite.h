#pragma once
// The one place that drives SQLite: opening a file (its name encoded once,
// the same way everywhere), prepared statements that finalize themselves,
// and one mapping from SQLite's result codes to platform::Error.

#include "Error.h"

#include <QByteArray>
#include <QString>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;
struct sqlite3_value;

namespace registro::sqlite {

// SQLite's primary result code with the handle's own message when it is about
// this failure, else the generic text of the code. `db` may be null.
platform::Error error(int resultCode, sqlite3* db);

// A file name as SQLite and the C library take it.
QByteArray nativePath(const QString& path);

// Whether the database file at `path` is in WAL mode (its header says so).
// Reading such a file the usual way makes SQLite create -wal and -shm files
// beside it, which stay behind.
bool isWalFile(const QString& path);

class Statement;

// A copy of one column's value with its type (text, blob, number, null), so
// it can be bound again and compare exactly as it was stored.
class Value {
public:
    Value() = default;
    ~Value();
    Value(const Value& other);
    Value& operator=(const Value& other);
    void clear();

private:
    friend class Statement;
    sqlite3_value* value_ = nullptr;
};

// One open database handle. Closing is deferred by SQLite until every
// statement prepared on it is finalized, so closing early is always safe.
class Connection {
public:
    enum class Mode {
        ReadOnly,
        // Read only, and the file is taken as unchanging: SQLite takes no
        // locks and never creates the -wal or -shm files beside it.
        ReadOnlyImmutable,
        ReadWriteCreate,
    };

    // Throws on failure; the handle SQLite hands back even then is released.
    // A read-only open takes regular files only (symlinks resolved): SQLite
    // would wait forever on a FIFO, and a device is no register.
    Connection(const QString& path, Mode mode);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void close();
    bool isOpen() const { return handle_ != nullptr; }
    sqlite3* handle() const { return handle_; }

    // Waits this long for another program's lock before failing as busy.
    void setBusyTimeout(int milliseconds);
    // Runs one or more statements that return no rows.
    void exec(const char* sql);
    // `persistent`: the statement lives as long as the connection.
    Statement prepare(const QString& sql, bool persistent = false);

private:
    sqlite3* handle_ = nullptr;
};

// A prepared statement. Every step that ends (a row read, or done, or an
// error) is followed by a reset, so no read lock outlives the call.
class Statement {
public:
    Statement() = default;
    ~Statement();
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&& other) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    explicit operator bool() const { return statement_ != nullptr; }
    void finalize();

    // Slots count from 1. Text is copied, so temporaries are fine.
    void bindText(int slot, QByteArrayView utf8);
    void bindInt64(int slot, qint64 value);
    void bindValue(int slot, const Value& value);

    // Steps to the next row: true on a row (read it with the column
    // functions), false when there are no more (the statement is then
    // reset). Throws on an error. Reset by hand to stop early.
    bool step();
    void reset();

    // Steps once: on a row `take(*this)` reads it, then the statement is
    // reset. Returns whether a row came; throws on an error.
    template <typename Take> bool stepOnce(Take take)
    {
        if (!step())
            return false;
        struct Reset {
            Statement* s;
            ~Reset() { s->reset(); }
        } reset{this};
        take(*this);
        return true;
    }
    // Steps once for a statement that returns no row.
    void run();

    qint64 columnInt64(int column) const;
    QString columnText(int column) const;
    // Whether the column holds text (not a number, a blob or NULL).
    bool columnIsText(int column) const;
    QByteArray columnBytes(int column) const;
    Value columnValue(int column) const;

private:
    friend class Connection;
    explicit Statement(sqlite3_stmt* statement) : statement_(statement) {}

    sqlite3_stmt* statement_ = nullptr;
};

} // namespace registro::sqlite
