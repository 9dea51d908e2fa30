#pragma once
// A strict reader for the comma-separated files the register is built from.
// It takes arbitrary bytes: whatever they hold, it returns (in time linear in
// their size) either the table or the first fault with its line number.

#include <QByteArrayView>
#include <QStringList>
#include <vector>

namespace buildregister {

struct CsvRow {
    qsizetype line = 0; // where the row starts, counting from 1
    QStringList fields;
};

struct CsvTable {
    QStringList header;
    std::vector<CsvRow> rows; // those read before the fault, if any
    QString error; // empty when the whole input was read
    qsizetype errorLine = 0;

    bool ok() const { return error.isEmpty(); }
};

// Double-quoted fields may hold commas, doubled quotes and line breaks; a
// leading UTF-8 byte-order mark is skipped; lines end in LF or CR LF; blank
// lines are ignored. Faults: no header, a row whose field count differs from
// the header's, an unterminated quoted field, a quote inside an unquoted field
// or text after a closing quote, a field that is not valid UTF-8.
CsvTable readCsv(QByteArrayView bytes);

} // namespace buildregister
