// Fuzzes the CSV reader with arbitrary bytes: it must
// answer (table or first fault) and whatever table it gives must survive
// being written out again, with every field quoted and by the CSV writer.
// Read record by record, the same bytes give the strict reading's records
// up to its fault, and then go on past faulty records; handed over a few
// bytes at a time, they give the same records again.

#include "Csv.h"
#include "FuzzCheck.h"

#include <algorithm>
#include <optional>

namespace {

QByteArray quoted(const QString& field)
{
    QByteArray bytes = field.toUtf8();
    bytes.replace('"', "\"\"");
    return '"' + bytes + '"';
}

QByteArray serialise(const QStringList& header, const std::vector<platform::CsvRow>& rows, const char* lineEnd)
{
    QByteArray out;
    auto writeRecord = [&](const QStringList& fields) {
        for (qsizetype i = 0; i < fields.size(); ++i) {
            if (i > 0)
                out += ',';
            out += quoted(fields[i]);
        }
        out += lineEnd;
    };
    writeRecord(header);
    for (const auto& row : rows)
        writeRecord(row.fields);
    return out;
}

QString describe(const platform::CsvTable& t)
{
    QString s = QStringLiteral("header %1 fields, %2 rows, error %3 at line %4; header:")
                    .arg(t.header.size())
                    .arg(t.rows.size())
                    .arg(t.error)
                    .arg(t.errorLine);
    for (const QString& f : t.header)
        s += QLatin1Char(' ') + fuzzcheck::dump(f);
    return s;
}

// The text of clean UTF-8 bytes, a U+FEFF first kept as the character it
// is; nothing for any other bytes. Worked out by the round trip.
std::optional<QString> utf8Text(const QByteArray& raw)
{
    QString text = QString::fromUtf8(raw); // drops a U+FEFF first
    if (raw.startsWith("\xEF\xBB\xBF"))
        text.prepend(QChar(0xFEFF));
    if (text.toUtf8() != raw)
        return std::nullopt;
    return text;
}

// Without quotes, a file is lines of comma-separated fields: the table any
// reader must give, worked out the simple way; nothing when it must fail.
std::optional<std::vector<QStringList>> plainRecords(QByteArrayView bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    std::vector<QStringList> records;
    // CR LF, LF and a lone CR each end a line.
    const QList<QByteArray> lines = bytes.toByteArray().replace("\r\n", "\n").replace('\r', '\n').split('\n');
    for (const QByteArray& line : lines) {
        if (line.isEmpty())
            continue;
        QStringList fields;
        for (const QByteArray& raw : line.split(',')) {
            const auto text = utf8Text(raw);
            if (!text)
                return std::nullopt;
            fields.append(*text);
        }
        if (!records.empty() && fields.size() != records.front().size())
            return std::nullopt;
        records.push_back(fields);
    }
    if (records.empty())
        return std::nullopt;
    return records;
}

// The same bytes seen as a table to write: records split at 0x1E, fields at
// 0x1F, rows padded or cut to the header's width. Fields keep their quotes,
// commas and line breaks. Nothing when a field is not clean UTF-8 text.
std::optional<std::vector<QStringList>> tableToWrite(QByteArrayView bytes)
{
    std::vector<QStringList> records;
    for (const QByteArray& record : bytes.toByteArray().split('\x1e')) {
        QStringList fields;
        for (const QByteArray& raw : record.split('\x1f')) {
            const auto text = utf8Text(raw);
            if (!text)
                return std::nullopt;
            fields.append(*text);
        }
        if (!records.empty())
            fields.resize(records.front().size());
        records.push_back(fields);
    }
    return records;
}

// The line breaks in a text: CR LF, LF or a lone CR.
qsizetype lineBreaks(const QString& text)
{
    return text.count(u'\n') + text.count(u'\r') - text.count(QStringLiteral("\r\n"));
}

// The bytes a few at a time, in steps the bytes themselves choose.
class Trickle : public platform::CsvSource {
public:
    explicit Trickle(QByteArrayView bytes) : bytes_(bytes) {}
    qsizetype read(char* into, qsizetype most) override
    {
        const qsizetype step = 1 + (at_ < bytes_.size() ? static_cast<unsigned char>(bytes_[at_]) % 7 : 0);
        const qsizetype n = std::min({step, most, bytes_.size() - at_});
        std::copy_n(bytes_.data() + at_, n, into);
        at_ += n;
        return n;
    }

private:
    QByteArrayView bytes_;
    qsizetype at_ = 0;
};

bool sameRecord(const platform::CsvRecord& a, const platform::CsvRecord& b)
{
    return a.line == b.line && a.fields == b.fields && a.fault == b.fault && a.faultLine == b.faultLine
           && a.faultField == b.faultField;
}

// The strict table: its fault, if any, on a line of the input; its rows in
// order, each as wide as the header.
void checkTable(const platform::CsvTable& table, qsizetype lines, const QString& context)
{
    if (table.ok()) {
        FUZZ_CHECK(table.errorLine == 0, context);
        FUZZ_CHECK(!table.header.isEmpty(), context);
    } else {
        FUZZ_CHECK(table.errorLine >= 1 && table.errorLine <= lines, context);
    }
    qsizetype previousLine = 0;
    for (const auto& row : table.rows) {
        FUZZ_CHECK(row.fields.size() == table.header.size(), context);
        FUZZ_CHECK(row.line > previousLine && row.line <= lines, context);
        FUZZ_CHECK(table.ok() || row.line <= table.errorLine, context);
        previousLine = row.line;
    }
}

// Whatever is written with every field quoted reads back the same.
void checkQuotedRoundTrip(QByteArrayView bytes)
{
    const auto written = tableToWrite(bytes);
    if (!written)
        return;
    std::vector<platform::CsvRow> rows;
    for (size_t i = 1; i < written->size(); ++i)
        rows.push_back({0, (*written)[i]});
    const platform::CsvTable reread = platform::readCsv(serialise(written->front(), rows, "\r\n"));
    FUZZ_CHECK(reread.ok() && reread.header == written->front() && reread.rows.size() == rows.size(),
               QStringLiteral("writing the input as a table: ") + describe(reread));
    // Each row starts on the line after the previous record's last one.
    qsizetype line = 1 + lineBreaks(written->front().join(u'"'));
    for (size_t i = 0; i < rows.size(); ++i) {
        FUZZ_CHECK(reread.rows[i].fields == rows[i].fields, QStringLiteral("row %1 written back").arg(i + 1));
        ++line;
        FUZZ_CHECK(
            reread.rows[i].line == line,
            QStringLiteral("row %1 written back: line %2, not %3").arg(i + 1).arg(reread.rows[i].line).arg(line));
        line += lineBreaks(rows[i].fields.join(u'"'));
    }
}

// Record by record, every record of the input with its fault in place; the
// same records handed over a few bytes at a time, and read with the
// separator taken from the header.
std::vector<platform::CsvRecord> readRecords(QByteArrayView bytes, qsizetype lines, const QString& context)
{
    platform::CsvReader reader(bytes);
    platform::CsvRecord record;
    std::vector<platform::CsvRecord> records;
    while (reader.next(record)) {
        FUZZ_CHECK(records.empty() || record.line > records.back().line, context);
        FUZZ_CHECK(record.line >= 1 && record.line <= lines, context);
        if (record.fault != platform::CsvFault::None) {
            // Every field is there, the faulty one too.
            FUZZ_CHECK(record.faultLine >= record.line && record.faultLine <= lines, context);
            FUZZ_CHECK(record.faultField >= 1 && record.faultField <= record.fields.size(), context);
        } else {
            FUZZ_CHECK(!record.fields.isEmpty(), context);
        }
        records.push_back(record);
    }
    Trickle trickle(bytes);
    platform::CsvReader slowly(trickle);
    for (const platform::CsvRecord& r : records)
        FUZZ_CHECK(slowly.next(record) && sameRecord(record, r), QStringLiteral("trickled, line %1").arg(r.line));
    FUZZ_CHECK(!slowly.next(record) && slowly.stop() == platform::CsvReader::Stop::None, context);
    // A separator read from the header is a comma unless another is
    // there more often: as a comma, the same records again (unless a first
    // line "sep=," said so, and is no record).
    platform::CsvReader guessing(bytes, platform::CsvReader::kSeparatorFromHeader);
    for (size_t i = 0; guessing.next(record); ++i)
        FUZZ_CHECK(guessing.separator() != ',' || guessing.form().separatorLine
                       || (i < records.size() && sameRecord(record, records[i])),
                   context);
    return records;
}

// The records begin with the strict table, and the one after it is where the
// strict reading stopped.
void checkStrictPrefix(const std::vector<platform::CsvRecord>& records, const platform::CsvTable& table,
                       const QString& context)
{
    size_t strict = 0; // records the strict reading took, header included
    if (!table.header.isEmpty()) {
        FUZZ_CHECK(!records.empty() && records[0].fields == table.header, context);
        strict = 1 + table.rows.size();
        for (size_t i = 0; i < table.rows.size(); ++i) {
            FUZZ_CHECK(records[i + 1].fault == platform::CsvFault::None, context);
            FUZZ_CHECK(records[i + 1].line == table.rows[i].line, context);
            FUZZ_CHECK(records[i + 1].fields == table.rows[i].fields, context);
        }
    }
    FUZZ_CHECK(records.size() >= strict, context);
    if (table.ok()) {
        FUZZ_CHECK(records.size() == strict, context);
    } else if (records.size() > strict) {
        // The record the strict reading stopped at: a fault of its own,
        // or a field count unlike the header's.
        const platform::CsvRecord& stopped = records[strict];
        FUZZ_CHECK(stopped.fault != platform::CsvFault::None
                       ? stopped.faultLine == table.errorLine
                       : stopped.line == table.errorLine && stopped.fields.size() != table.header.size(),
                   context);
    }
}

// Every record without a fault, padded to the widest: the records the
// writer is checked with.
std::vector<QStringList> cleanRecords(const std::vector<platform::CsvRecord>& records)
{
    qsizetype width = 0;
    for (const auto& r : records)
        if (r.fault == platform::CsvFault::None)
            width = std::max(width, r.fields.size());
    std::vector<QStringList> clean;
    for (const auto& r : records) {
        if (r.fault != platform::CsvFault::None)
            continue;
        QStringList fields = r.fields;
        fields.resize(width);
        // A record of one empty field is a blank line, which readers skip.
        if (width == 1 && fields[0].isEmpty())
            continue;
        clean.push_back(fields);
    }
    return clean;
}

// The writer: clean records read back the same, with commas and with
// semicolons, quoted only where they must be.
void checkWriter(const std::vector<QStringList>& clean)
{
    if (clean.empty())
        return;
    QByteArray out, semicolons;
    for (const QStringList& fields : clean) {
        platform::appendCsvRecord(out, fields);
        platform::appendCsvRecord(semicolons, fields, ';');
    }
    platform::CsvReader reader(semicolons, ';');
    platform::CsvRecord record;
    for (const QStringList& fields : clean)
        FUZZ_CHECK(reader.next(record) && record.fault == platform::CsvFault::None && record.fields == fields,
                   QStringLiteral("written with semicolons"));
    const platform::CsvTable reread = platform::readCsv(out);
    FUZZ_CHECK(reread.ok() && reread.header == clean.front() && reread.rows.size() + 1 == clean.size(),
               QStringLiteral("written by the writer: ") + describe(reread));
    for (size_t i = 1; i < clean.size(); ++i)
        FUZZ_CHECK(reread.rows[i - 1].fields == clean[i], QStringLiteral("writer, record %1").arg(i));
    // Nothing quoted that needed no quotes.
    for (const QStringList& fields : clean)
        for (const QString& field : fields) {
            QByteArray alone;
            platform::appendCsvField(alone, field);
            const bool special = field.contains(u',') || field.contains(u'"') || field.contains(u'\n')
                                 || field.contains(u'\r') || field.startsWith(QChar(0xFEFF));
            FUZZ_CHECK(alone.startsWith('"') == special, fuzzcheck::dump(field));
        }
}

// Without quotes, the table is the input split at line ends and commas.
void checkPlain(QByteArrayView bytes, const platform::CsvTable& table, const QString& context)
{
    if (bytes.contains('"') || bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) // quotes, UTF-16
        return;
    const auto expected = plainRecords(bytes);
    FUZZ_CHECK(table.ok() == expected.has_value(), context);
    if (!expected)
        return;
    FUZZ_CHECK(table.header == expected->front(), context);
    FUZZ_CHECK(table.rows.size() + 1 == expected->size(), context);
    for (size_t i = 0; i < table.rows.size(); ++i)
        FUZZ_CHECK(table.rows[i].fields == (*expected)[i + 1], context);
}

// What was read (all of it, or all before the fault) reads back the same.
void checkReread(const platform::CsvTable& table, const QString& context)
{
    if (table.header.isEmpty())
        return;
    for (const char* lineEnd : {"\n", "\r\n"}) {
        const QByteArray again = serialise(table.header, table.rows, lineEnd);
        const platform::CsvTable reread = platform::readCsv(again);
        FUZZ_CHECK(reread.ok(), context + QStringLiteral(" / reread: ") + describe(reread));
        FUZZ_CHECK(reread.header == table.header, context);
        FUZZ_CHECK(reread.rows.size() == table.rows.size(), context + QStringLiteral(" / reread: ") + describe(reread));
        for (size_t i = 0; i < table.rows.size(); ++i)
            FUZZ_CHECK(reread.rows[i].fields == table.rows[i].fields, context);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const platform::CsvTable table = platform::readCsv(bytes);
    const QString context = describe(table);
    const qsizetype lines = bytes.count('\n') + bytes.count('\r') + 1; // at most: CR LF is one

    checkTable(table, lines, context);
    checkQuotedRoundTrip(bytes);
    const std::vector<platform::CsvRecord> records = readRecords(bytes, lines, context);
    checkStrictPrefix(records, table, context);
    checkWriter(cleanRecords(records));
    checkPlain(bytes, table, context);
    checkReread(table, context);
    return 0;
}
