#pragma once
// Comma-separated files, read and written. The reader takes arbitrary bytes,
// from memory or a chunk at a time from a file or a pipe: whatever they hold,
// it returns (in time linear in their size, in memory bounded by the longest
// record it keeps) records or the faults that spoil them, each with its line
// number. Used strictly by the register builder (the first fault stops the
// file) and record by record by the command line (a faulty record spoils
// itself only).

#include <QByteArray>
#include <QByteArrayView>
#include <QStringDecoder>
#include <QStringList>
#include <memory>
#include <vector>

namespace platform {

// Double-quoted fields may hold separators, doubled quotes and line breaks; a
// UTF-8 byte-order mark at the very start of the input is skipped, and one of
// UTF-16 (either byte order) has the rest read as UTF-16; lines end in LF,
// CR LF or a lone CR (old Mac files); blank lines are ignored.
enum class CsvFault {
    None,
    UnclosedQuote, // a quoted field runs to the end of the input
    StrayQuote, // a quote inside an unquoted field
    TextAfterQuote, // text between a closing quote and the next separator or line end
    NotUtf8, // a field that is not valid UTF-8 text
    TooLong, // a record of more than CsvReader::kMaxRecordBytes
    NotUtf16, // in UTF-16 input, a field that is not valid UTF-16 text
};

struct CsvRecord {
    qsizetype line = 0; // where the record starts, counting from 1
    // With a fault every field is there, read as well as it can be: a stray
    // quote and what follows a closing quote as text, the rest of the line
    // split at separators only, bytes that are not UTF-8 as U+FFFD. A record
    // TooLong holds the fields that ended before the bound.
    QStringList fields;
    CsvFault fault = CsvFault::None;
    qsizetype faultLine = 0; // where the fault was found (for UnclosedQuote: where the quote opened)
    qsizetype faultField = 0; // the field at fault, counting from 1
};

// "virgolette nel campo 4, che non è tra virgolette": a record's fault, for a
// message that names the line itself.
QString csvFaultText(const CsvRecord& record);

// "1 MiB": CsvReader::kMaxRecordBytes as the messages and the help say it.
QString csvRecordLimitText();

// Where a reader's bytes come from when they are not all in memory.
class CsvSource {
public:
    virtual ~CsvSource() = default;
    // Reads at most `most` bytes into `into` (whatever is there, waiting only
    // when nothing is): how many, 0 at the end, -1 when reading failed.
    virtual qsizetype read(char* into, qsizetype most) = 0;
};

// How an input is written, for output that opens where it came from.
struct CsvForm {
    enum Encoding { Utf8, Utf16LittleEndian, Utf16BigEndian };
    Encoding encoding = Utf8;
    bool byteOrderMark = false;
    bool separatorLine = false; // a first line "sep=;"
    QByteArray lineEnd = "\n"; // the first record's: LF, CR LF or CR
};

class CsvReader {
public:
    // The separator is read from the first record's line when asked: the one
    // of comma, semicolon and tab found most often outside quotes (comma
    // when none is); a first line "sep=X" (X one of them) names it instead,
    // and is no record.
    static constexpr char kSeparatorFromHeader = 0;
    static constexpr qsizetype kMaxRecordBytes = qsizetype(1) << 20;
    // How far a record over the bound is followed to its end: past this the
    // input counts as endless and the reading stops.
    static constexpr qsizetype kMaxSkippedBytes = qsizetype(64) << 20;
    enum class Stop { None, ReadFailed, Endless };

    explicit CsvReader(QByteArrayView bytes, char separator = ',');
    explicit CsvReader(CsvSource& source, char separator = ',');
    CsvReader(const CsvReader&) = delete;
    CsvReader& operator=(const CsvReader&) = delete;
    // Reads the next record; false at the end of the input, or when the
    // reading stopped (stop() says why; the record it was in is not
    // returned). After a fault the reader goes on at the record's end: an
    // unclosed quote ends the input.
    bool next(CsvRecord& record);
    Stop stop() const { return stop_; }
    qsizetype stopLine() const { return stopLine_; } // the record the reading stopped in
    char separator() const { return separator_; }
    // Known once the first record is read.
    const CsvForm& form() const { return form_; }

private:
    void start();
    void decodeUtf16(bool bigEndian);
    void readSeparatorLine();
    char separatorOfFirstLine();
    bool isLineEnd(int c) { return c == '\n' || c == '\r'; }
    qsizetype lineEndBytes() { return peek() == '\r' && peek(1) == '\n' ? 2 : 1; }
    bool fill();
    int peek(qsizetype ahead = 0);
    bool atFieldEnd();
    void take(qsizetype bytes, bool keep = true);
    void fault(CsvRecord& record, CsvFault kind, qsizetype line);
    void readPlain(CsvRecord& record);
    void readQuoted(CsvRecord& record);
    void endField(CsvRecord& record);

    CsvSource* source_ = nullptr;
    std::unique_ptr<CsvSource> utf16_; // the source once UTF-16 is found
    QByteArray own_; // the buffer when reading from a source
    const char* data_ = nullptr;
    qsizetype pos_ = 0;
    qsizetype end_ = 0;
    bool started_ = false;
    char separator_;
    CsvForm form_;
    bool formKnown_ = false;
    qsizetype line_ = 1;
    Stop stop_ = Stop::None;
    qsizetype stopLine_ = 0;
    // The record being read.
    qsizetype recordLine_ = 0;
    QByteArray field_;
    qsizetype recordBytes_ = 0;
    bool lenient_ = false; // after a quote fault: the rest of the line is plain fields
    QStringDecoder utf8_;
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

// Appends one record and a line feed, quoting each field that holds the
// separator, a quote, a line feed or a carriage return, or starts with
// U+FEFF (quotes doubled), as UTF-8.
void appendCsvRecord(QByteArray& out, const QStringList& fields, char separator = ',');
// One field as it goes into a record.
void appendCsvField(QByteArray& out, const QString& field, char separator = ',');

} // namespace platform
