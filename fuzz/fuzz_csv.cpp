// Fuzzes the register builder's CSV reader with arbitrary bytes: it must
// answer (table or first fault) and whatever table it gives must survive
// being written out again with every field quoted.

#include "Csv.h"
#include "FuzzCheck.h"

#include <optional>

namespace {

QByteArray quoted(const QString& field)
{
    QByteArray bytes = field.toUtf8();
    bytes.replace('"', "\"\"");
    return '"' + bytes + '"';
}

QByteArray serialise(const QStringList& header, const std::vector<buildregister::CsvRow>& rows, const char* lineEnd)
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

QString describe(const buildregister::CsvTable& t)
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

// Without quotes, a file is lines of comma-separated fields: the table any
// reader must give, worked out the simple way; nothing when it must fail.
std::optional<std::vector<QStringList>> plainRecords(QByteArrayView bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    std::vector<QStringList> records;
    const QList<QByteArray> lines = bytes.toByteArray().split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        if (i + 1 < lines.size() && line.endsWith('\r')) // CR LF ends the line
            line.chop(1);
        if (line.isEmpty())
            continue;
        QStringList fields;
        for (const QByteArray& raw : line.split(',')) {
            const QString text = QString::fromUtf8(raw);
            if (text.toUtf8() != raw)
                return std::nullopt;
            fields.append(text);
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
            const QString text = QString::fromUtf8(raw);
            if (text.toUtf8() != raw)
                return std::nullopt;
            fields.append(text);
        }
        if (!records.empty())
            fields.resize(records.front().size());
        records.push_back(fields);
    }
    return records;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const buildregister::CsvTable table = buildregister::readCsv(bytes);
    const QString context = describe(table);
    const qsizetype lines = bytes.count('\n') + 1;

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
    // Whatever is written with every field quoted reads back the same.
    if (const auto written = tableToWrite(bytes)) {
        std::vector<buildregister::CsvRow> rows;
        for (size_t i = 1; i < written->size(); ++i)
            rows.push_back({0, (*written)[i]});
        const buildregister::CsvTable reread = buildregister::readCsv(serialise(written->front(), rows, "\r\n"));
        FUZZ_CHECK(reread.ok() && reread.header == written->front() && reread.rows.size() == rows.size(),
                   QStringLiteral("writing the input as a table: ") + describe(reread));
        // Each row starts on the line after the previous record's last one.
        qsizetype line = 1 + written->front().join(QString()).count(u'\n');
        for (size_t i = 0; i < rows.size(); ++i) {
            FUZZ_CHECK(reread.rows[i].fields == rows[i].fields, QStringLiteral("row %1 written back").arg(i + 1));
            ++line;
            FUZZ_CHECK(
                reread.rows[i].line == line,
                QStringLiteral("row %1 written back: line %2, not %3").arg(i + 1).arg(reread.rows[i].line).arg(line));
            line += rows[i].fields.join(QString()).count(u'\n');
        }
    }

    if (!bytes.contains('"')) {
        const auto expected = plainRecords(bytes);
        FUZZ_CHECK(table.ok() == expected.has_value(), context);
        if (expected) {
            FUZZ_CHECK(table.header == expected->front(), context);
            FUZZ_CHECK(table.rows.size() + 1 == expected->size(), context);
            for (size_t i = 0; i < table.rows.size(); ++i)
                FUZZ_CHECK(table.rows[i].fields == (*expected)[i + 1], context);
        }
    }
    if (table.header.isEmpty())
        return 0;

    // What was read (all of it, or all before the fault) reads back the same.
    for (const char* lineEnd : {"\n", "\r\n"}) {
        const QByteArray again = serialise(table.header, table.rows, lineEnd);
        const buildregister::CsvTable reread = buildregister::readCsv(again);
        FUZZ_CHECK(reread.ok(), context + QStringLiteral(" / reread: ") + describe(reread));
        FUZZ_CHECK(reread.header == table.header, context);
        FUZZ_CHECK(reread.rows.size() == table.rows.size(), context + QStringLiteral(" / reread: ") + describe(reread));
        for (size_t i = 0; i < table.rows.size(); ++i)
            FUZZ_CHECK(reread.rows[i].fields == table.rows[i].fields, context);
    }
    return 0;
}
