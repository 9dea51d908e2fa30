#pragma once
// The register's table layout and the statements the store walks it with:
// every table, index and column name is spelled here and nowhere else, so
// the writer, the store and the tests agree.

#include <QString>

namespace registro::sql {

inline const QString kTable = QStringLiteral("Comuni");
inline const QString kIndex = QStringLiteral("COMU_DESCR");
// Columns. COMU_KEY holds foldKey(COMU_DESCR) and is what the index orders
// by; SQLite appends the rowid to every index entry, so (COMU_KEY, rowid) is
// the order records are visited in.
inline const QString kName = QStringLiteral("COMU_DESCR");
inline const QString kProvince = QStringLiteral("COMU_PROV");
inline const QString kCode = QStringLiteral("COMU_COD");
inline const QString kKey = QStringLiteral("COMU_KEY");
// Validity: first day of the first period and last day of the last one,
// yyyy-mm-dd, empty for an open end; the periods in between (periodsField).
inline const QString kFirst = QStringLiteral("COMU_DAL");
inline const QString kLast = QStringLiteral("COMU_AL");
inline const QString kPeriods = QStringLiteral("COMU_PERIODI");
// The index that finds the records of a cadastral code.
inline const QString kCodeIndex = QStringLiteral("COMU_CATASTALE");
// What the register says of itself: one value per key.
inline const QString kMetadata = QStringLiteral("Metadati");
// The newest day the source data know of, yyyy-mm-dd.
inline const QString kDataDate = QStringLiteral("DATI_AGGIORNATI_AL");

inline QString quoted(const QString& identifier)
{
    return u'"' + QString(identifier).replace(QStringLiteral("\""), QStringLiteral("\"\"")) + u'"';
}

inline QString createTable()
{
    return QStringLiteral("CREATE TABLE %1 (%2 TEXT NOT NULL, %3 TEXT NOT NULL, %4 TEXT NOT NULL, %5 TEXT NOT NULL, "
                          "%6 TEXT NOT NULL, %7 TEXT NOT NULL, %8 TEXT NOT NULL)")
        .arg(kTable, kName, kProvince, kCode, kKey, kFirst, kLast, kPeriods);
}
inline QString createIndex() { return QStringLiteral("CREATE INDEX %1 ON %2 (%3)").arg(kIndex, kTable, kKey); }
// By code, then key: the look-up by code reads its records in order from the
// index and needs no sort of its own.
inline QString createCodeIndex()
{
    return QStringLiteral("CREATE INDEX %1 ON %2 (%3, %4)").arg(kCodeIndex, kTable, kCode, kKey);
}
// ?1 name, ?2 province, ?3 code, ?4 key, ?5 first day, ?6 last day, ?7 periods.
inline QString insert()
{
    return QStringLiteral("INSERT INTO %1 (%2, %3, %4, %5, %6, %7, %8) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)")
        .arg(kTable, kName, kProvince, kCode, kKey, kFirst, kLast, kPeriods);
}
inline QString createMetadata()
{
    return QStringLiteral("CREATE TABLE %1 (CHIAVE TEXT PRIMARY KEY NOT NULL, VALORE TEXT NOT NULL)").arg(kMetadata);
}
// ?1 key, ?2 value.
inline QString insertMetadata() { return QStringLiteral("INSERT INTO %1 VALUES (?1, ?2)").arg(kMetadata); }
// ?1 key: its value.
inline QString metadataValue(const QString& table)
{
    return QStringLiteral("SELECT VALORE FROM ") + quoted(table) + QStringLiteral(" WHERE CHIAVE = ?1");
}

// Result columns of every cursor statement, in this order.
enum Column { RowId, Key, Descr, Prov, Cod, First, Last, Periods };

struct CursorQueries {
    QString seek; // ?1 = key: first record with COMU_KEY >= ?1
    QString next; // ?1, ?2 = key and rowid of the current record
    QString previous; // same binding as next
    QString last; // no binding
    QString named; // ?1 = key: every record with COMU_KEY = ?1, in index order
};

// Each statement names the index with INDEXED BY, so it either runs as a
// search on that index or fails to prepare; `last` bounds the key from below
// only to keep it a search rather than a scan.
inline CursorQueries cursorQueries(const QString& table, const QString& index)
{
    const QString select = QStringLiteral("SELECT rowid, %1, %2, %3, %4, %5, %6, %7 FROM ")
                               .arg(kKey, kName, kProvince, kCode, kFirst, kLast, kPeriods)
                           + quoted(table) + QStringLiteral(" INDEXED BY ") + quoted(index);
    const QString forward = QStringLiteral(" ORDER BY %1, rowid LIMIT 1").arg(kKey);
    const QString backward = QStringLiteral(" ORDER BY %1 DESC, rowid DESC LIMIT 1").arg(kKey);
    return {
        select + QStringLiteral(" WHERE %1 >= ?1").arg(kKey) + forward,
        select + QStringLiteral(" WHERE (%1, rowid) > (?1, ?2)").arg(kKey) + forward,
        select + QStringLiteral(" WHERE (%1, rowid) < (?1, ?2)").arg(kKey) + backward,
        select + QStringLiteral(" WHERE %1 >= ''").arg(kKey) + backward,
        select + QStringLiteral(" WHERE %1 = ?1 ORDER BY %1, rowid").arg(kKey),
    };
}

// ?1 = code: every record with COMU_COD = ?1, in index order. The index
// COMU_CATASTALE finds them, already in that order, when the file has it
// (one on the code alone still finds them); without it the whole table is
// read.
inline QString withCode(const QString& table)
{
    return QStringLiteral("SELECT rowid, %1, %2, %3, %4, %5, %6, %7 FROM ")
               .arg(kKey, kName, kProvince, kCode, kFirst, kLast, kPeriods)
           + quoted(table) + QStringLiteral(" WHERE %1 = ?1 ORDER BY %2, rowid").arg(kCode, kKey);
}

} // namespace registro::sql
