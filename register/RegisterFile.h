#pragma once
// Writes a municipality register from a list of records: used at build time
// to make Comuni.mdb and by tests to make small registers of their own.

#include <QString>
#include <vector>

namespace registro {

struct Record {
    QString name; // COMU_DESCR, as published
    QString province; // COMU_PROV
    QString code; // COMU_COD, the cadastral code
};

// Sorts the records by (fold key, name, code, province) and writes them, in
// that order, to a fresh file at `path`, replacing any file there only once
// the new one is complete. The same records always give the same bytes.
// Throws platform::Error on failure and leaves nothing half-written behind.
void writeRegister(const QString& path, std::vector<Record> records);

} // namespace registro
