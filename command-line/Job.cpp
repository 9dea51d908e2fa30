#include "Job.h"

#include "RegisterSql.h"

namespace riga {

Register openRegister(const QString& directory)
{
    Register comuni;
    try {
        comuni.db = registro::Database::openBeside(directory);
        // As the window's open sequence: the table and its index, or no
        // register (an empty file is a database without them).
        comuni.db->openRecordset(registro::sql::kTable)->setIndex(registro::sql::kIndex);
    } catch (const platform::Error& error) {
        comuni.db.reset();
        comuni.fault = platform::errorText(error);
        return comuni;
    }
    try {
        comuni.dataDate = comuni.db->dataDate();
    } catch (const platform::Error&) {
        // Only the notes that name the register's date go without it.
    }
    // One read for the whole run: the look-ups then take no lock each, and
    // every row of a long run sees the same register (a new one comes by
    // rename, which the read does not hold up). Should the snapshot fail,
    // each look-up reads on its own.
    try {
        comuni.db->beginSnapshot();
    } catch (const platform::Error&) {
    }
    return comuni;
}

QStringList Job::unreadable(const QString& reason) const
{
    const QStringList columns = addedColumns();
    QStringList added(columns.size());
    added[columns.indexOf(QStringLiteral("esito"))] = QStringLiteral("errore");
    added[columns.indexOf(QStringLiteral("motivo"))] = reason;
    return added;
}

} // namespace riga
