#pragma once
// Read-only access to the municipality register (Comuni.mdb, an SQLite file),
// shaped like the DAO objects the main window was written against: a Database
// that hands out a table Recordset, which seeks and steps through one index.
// Every failure throws platform::Error carrying either SQLite's result code or
// one of the numbers below, with a description the window can show as is.

#include "Error.h"
#include "Fold.h"
#include "Record.h"

#include <QString>
#include <memory>
#include <vector>

namespace registro {

enum ErrorNumber {
    NoCurrentIndex = 3019, // "Operazione non valida senza un indice corrente."
    NoCurrentRecord = 3021, // "Nessun record corrente."
    TableNotFound = 3078, // "Impossibile trovare la tabella '<name>'."
    ItemNotFound = 3265, // "Elemento non trovato in questo insieme."
    ObjectClosed = 3420, // "Oggetto non valido o non più impostato."
    NotAnIndex = 3800, // "'<name>' non è un indice della tabella."
};

// The key names are ordered and compared by (platform::foldKey): the
// writer's key, the seek and the search box's comparison all fold through
// this one function.
using platform::foldKey;

// How long a look-up waits for another program that holds the file locked
// before it reports the file as busy.
constexpr int kBusyTimeout = 1000; // milliseconds

struct Connection;

class Recordset {
public:
    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    // Chooses the index to seek and move by and puts the cursor on its first
    // record (BOF and EOF both true when the table is empty).
    void setIndex(const QString& name);
    // Puts the cursor on the first record whose key is >= foldKey(key); when
    // there is none, NoMatch becomes true and there is no current record.
    void seek(const QString& key);
    bool noMatch() const;
    bool bof() const;
    bool eof() const;
    void moveNext();
    void movePrevious();
    // COMU_DESCR, COMU_PROV, COMU_COD, COMU_DAL, COMU_AL or COMU_PERIODI of
    // the current record (the validity as yyyy-mm-dd, empty for an open end;
    // the periods as periodsField writes them).
    QString field(const QString& name) const;

    void close();
    bool isOpen() const;
    // How long look-ups wait for a lock another program holds (0: not at all).
    void setBusyTimeout(int milliseconds);

private:
    friend class Database;
    struct Impl;
    explicit Recordset(std::unique_ptr<Impl> impl);
    // A recordset on `table` (its name as stored) over the Database's connection.
    static std::unique_ptr<Recordset> make(std::shared_ptr<Connection> connection, const QString& table);
    std::unique_ptr<Impl> d_;
};

// Where the program keeps its register: Comuni.mdb in `directory`.
inline QString registerPathIn(const QString& directory) { return directory + QStringLiteral("/Comuni.mdb"); }

class Database {
public:
    // Opens read-only and shared, and reads the file once so that a missing
    // or foreign file fails here rather than at the first look-up. Waits up
    // to `lockWait` milliseconds for a lock another program holds, at the
    // open and at each look-up, before it fails as busy.
    static std::unique_ptr<Database> open(const QString& path, int lockWait = kBusyTimeout);
    // The register of the program: Comuni.mdb in `directory`, the
    // executable's own.
    static std::unique_ptr<Database> openBeside(const QString& directory) { return open(registerPathIn(directory)); }
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    std::unique_ptr<Recordset> openRecordset(const QString& table);
    // Every record of the table Comuni whose name folds like `name`, in
    // index order, read through the index COMU_DESCR. Fails like
    // openRecordset and setIndex when either is missing.
    std::vector<Record> recordsNamed(const QString& name);
    // Every record of the table Comuni whose cadastral code is `code`
    // (exactly), in index order. Fails like openRecordset when the table is
    // missing.
    std::vector<Record> recordsWithCode(const QString& code);
    // The newest day the register's source data know of; null when the
    // register does not say.
    QDate dataDate();
    // From beginSnapshot() to endSnapshot() (or close) every read sees the
    // register as it was at the start, and takes no lock of its own: a long
    // run of look-ups, such as the command line's, costs a fraction. Another
    // program cannot write the file meanwhile.
    void beginSnapshot();
    void endSnapshot();
    // Recordsets still open stop working (ObjectClosed) but stay safe to use
    // and to destroy.
    void close();
    bool isOpen() const;

private:
    explicit Database(std::shared_ptr<Connection> connection);
    std::shared_ptr<Connection> connection_;
};

} // namespace registro
