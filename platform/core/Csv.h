#pragma once
// Comma-separated files, read and written. The reader takes arbitrary bytes:
// whatever they hold, it returns (in time linear in their size) records or
// the faults that spoil them, each with its line number. Used strictly by the
// register builder (the first fault stops the file) and record by record by
// the command line (a faulty record spoils itself only).

#include <QByteArray>
#include <QByteArrayView>
#include <QStringList>
#include <vector>

namespace platform {

// Double-quoted fields may hold commas, doubled quotes and line breaks; a
// leading UTF-8 byte-order mark is skipped; lines end in LF or CR LF (a lone
// CR is text); blank lines are ignored.
enum class CsvFault {
    None,
    UnclosedQuote, // a quoted field runs to the end of the input
    StrayQuote, // a quote inside an unquoted field
    TextAfterQuote, // text between a closing quote and the next comma or line end
    NotUtf8, // a field that is not valid UTF-8 text
};

struct CsvRecord {
    qsizetype line = 0; // where the record starts, counting from 1
    QStringList fields; // with a fault: those read before it
    CsvFault fault = CsvFault::None;
    qsizetype faultLine = 0; // where the fault was found (for UnclosedQuote: where the quote opened)
    qsizetype faultField = 0; // the field at fault, counting from 1
};

class CsvReader {
public:
    explicit CsvReader(QByteArrayView bytes);
    // Reads the next record; false at the end of the input. After a fault
    // the reader goes on at the line after the one the fault was found on
    // (an unclosed quote ends the input).
    bool next(CsvRecord& record);

private:
    qsizetype lineEndLength() const;
    void endLine();
    bool atFieldEnd() const;
    void skipLine();
    // The field's bytes, quotes taken off; a quoted field with doubled
    // quotes is rebuilt in `buffer`.
    bool readPlain(CsvRecord& record, QByteArrayView& raw);
    bool readQuoted(CsvRecord& record, QByteArrayView& raw, QByteArray& buffer);

    QByteArrayView bytes_;
    qsizetype pos_ = 0;
    qsizetype line_ = 1;
};

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

// The strict reading: the first record is the header, every row has as many
// fields as the header, and the first fault of any kind stops the reading
// (no header, a record's fault, a field count that differs).
CsvTable readCsv(QByteArrayView bytes);

// Appends one record and a line feed, quoting each field that holds a comma,
// a quote, a line feed or a carriage return (quotes doubled), as UTF-8.
void appendCsvRecord(QByteArray& out, const QStringList& fields);
// One field as it goes into a record.
void appendCsvField(QByteArray& out, const QString& field);

} // namespace platform
