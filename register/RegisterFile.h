#pragma once
// Writes a municipality register from a list of records: used at build time
// to make Comuni.mdb and by tests to make small registers of their own.

#include "Record.h"

#include <vector>

namespace registro {

// Sorts the records into index order and writes them, in that order, to a
// fresh file at `path`, replacing any file there only once the new one is
// complete. The same records always give the same bytes.
//
// Index order: by fold key (foldKey), so case, accents and separators do not
// count; records of one fold key by name as stored, in UTF-8 byte order
// (PATERNO before PATERNÒ); records of one name by validity, the one in
// force latest first (the present BELLAGIO before the one merged away in
// 2014), then the one that began latest; then by code and province.
// `dataDate`, when given, is the newest day the source data know of.
//
// The new file is flushed to the disk before it takes the old one's name,
// so a crash or a full disk leaves the old register as it was. Throws
// platform::Error on failure and leaves nothing half-written behind.
void writeRegister(const QString& path, std::vector<Record> records, const QDate& dataDate = {});

} // namespace registro
