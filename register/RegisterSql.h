#pragma once
// The register's table layout and the statements the store walks it with,
// kept in one place so the writer, the store and the query-plan test agree.

#include <QString>

namespace registro::sql {

inline constexpr char kTable[] = "Comuni";
inline constexpr char kIndex[] = "COMU_DESCR";

// COMU_KEY holds foldKey(COMU_DESCR); the index orders by it, and SQLite
// appends the rowid to every index entry, so (COMU_KEY, rowid) is the order
// records are visited in.
inline constexpr char kCreateTable[] = "CREATE TABLE Comuni (COMU_DESCR TEXT NOT NULL, COMU_PROV TEXT NOT NULL, "
                                       "COMU_COD TEXT NOT NULL, COMU_KEY TEXT NOT NULL)";
inline constexpr char kCreateIndex[] = "CREATE INDEX COMU_DESCR ON Comuni (COMU_KEY)";
inline constexpr char kInsert[] =
    "INSERT INTO Comuni (COMU_DESCR, COMU_PROV, COMU_COD, COMU_KEY) VALUES (?1, ?2, ?3, ?4)";

inline QString quoted(const QString& identifier)
{
    return u'"' + QString(identifier).replace(QStringLiteral("\""), QStringLiteral("\"\"")) + u'"';
}

// Result columns of every cursor statement, in this order.
enum Column { RowId, Key, Descr, Prov, Cod };

struct CursorQueries {
    QString seek; // ?1 = key: first record with COMU_KEY >= ?1
    QString next; // ?1, ?2 = key and rowid of the current record
    QString previous; // same binding as next
    QString last; // no binding
};

// Each statement names the index with INDEXED BY, so it either runs as a
// search on that index or fails to prepare; `last` bounds the key from below
// only to keep it a search rather than a scan.
inline CursorQueries cursorQueries(const QString& table, const QString& index)
{
    const QString select = QStringLiteral("SELECT rowid, COMU_KEY, COMU_DESCR, COMU_PROV, COMU_COD FROM ")
                           + quoted(table) + QStringLiteral(" INDEXED BY ") + quoted(index);
    const QString forward = QStringLiteral(" ORDER BY COMU_KEY, rowid LIMIT 1");
    const QString backward = QStringLiteral(" ORDER BY COMU_KEY DESC, rowid DESC LIMIT 1");
    return {
        select + QStringLiteral(" WHERE COMU_KEY >= ?1") + forward,
        select + QStringLiteral(" WHERE (COMU_KEY, rowid) > (?1, ?2)") + forward,
        select + QStringLiteral(" WHERE (COMU_KEY, rowid) < (?1, ?2)") + backward,
        select + QStringLiteral(" WHERE COMU_KEY >= ''") + backward,
    };
}

} // namespace registro::sql
