#include "Rows.h"

#include "Input.h"
#include "Job.h"
#include "Output.h"

#include <algorithm>

namespace riga {

namespace {

// One output row: the input's fields, cut or padded to the header's width,
// then the added ones.
void appendRow(Output& output, const QStringList& input, qsizetype width, const QStringList& added, char separator)
{
    QByteArray& out = output.buffer();
    for (qsizetype i = 0; i < width; ++i) {
        if (i > 0)
            out += separator;
        if (i < input.size())
            platform::appendCsvField(out, input[i], separator);
    }
    for (const QString& field : added) {
        out += separator;
        platform::appendCsvField(out, field, separator);
    }
    out += output.lineEnd();
}

// The next record, past those of empty fields only (";;;;" where a sheet
// ends): blank lines to whoever made them.
bool nextRecord(platform::CsvReader& reader, platform::CsvRecord& record)
{
    while (reader.next(record))
        if (record.fault != platform::CsvFault::None
            || std::any_of(record.fields.cbegin(), record.fields.cend(), [](const QString& f) { return !f.isEmpty(); }))
            return true;
    return false;
}

// The input's columns the job reads, by name; -1 where one is missing.
QList<qsizetype> columnsOf(const QStringList& header, const QStringList& wanted)
{
    QList<qsizetype> at;
    for (const QString& column : wanted) {
        qsizetype found = -1;
        for (qsizetype i = 0; i < header.size() && found < 0; ++i)
            if (header[i].trimmed().compare(column, Qt::CaseInsensitive) == 0)
                found = i;
        at << found;
    }
    return at;
}

// Why the reading stopped before the end of the input.
QString stopText(const platform::CsvReader& reader, const Input& input)
{
    if (reader.stop() == platform::CsvReader::Stop::ReadFailed)
        return QStringLiteral("impossibile leggere %1 (%2) alla riga %3: il resto non è letto.")
            .arg(input.name(), input.failure())
            .arg(reader.stopLine());
    return QStringLiteral("%1, riga %2: oltre 64 MiB senza che la riga finisca: il resto non è letto.")
        .arg(input.name())
        .arg(reader.stopLine());
}

// The added values of one record of the input.
bool runRecord(Job& job, const platform::CsvRecord& record, qsizetype width, const QList<qsizetype>& at,
               QStringList& values, QStringList& added)
{
    if (record.fault != platform::CsvFault::None) {
        added = job.unreadable(
            QStringLiteral("Riga %1 non leggibile: %2.").arg(record.line).arg(platform::csvFaultText(record)));
        return false;
    }
    if (record.fields.size() != width) {
        added = job.unreadable(
            QStringLiteral("Riga %1: %2 campi invece di %3.").arg(record.line).arg(record.fields.size()).arg(width));
        return false;
    }
    for (qsizetype i = 0; i < at.size(); ++i)
        values[i] = at[i] < 0 ? QString() : record.fields[at[i]];
    return job.run(values, added);
}

} // namespace

int runArguments(Job& job, const QStringList& header, const QList<QStringList>& rows, Output& out)
{
    appendRow(out, header, header.size(), job.addedColumns(), ',');
    out.rowDone();
    bool allDone = true;
    QStringList added;
    for (const QStringList& row : rows) {
        allDone &= job.run(row, added);
        appendRow(out, row, header.size(), added, ',');
        out.rowDone();
    }
    return out.finish(allDone ? Success : RowFailed);
}

int runCsv(Job& job, Input& input, Output& out)
{
    platform::CsvReader reader(input, platform::CsvReader::kSeparatorFromHeader);
    platform::CsvRecord record;
    const QString file = input.name();
    const QStringList required = job.inputColumns();
    if (!nextRecord(reader, record)) {
        if (reader.stop() != platform::CsvReader::Stop::None) {
            printError(stopText(reader, input));
            return BadUsage;
        }
        return badUsage(
            QStringLiteral("%1 è vuoto: manca la riga d'intestazione (%2).").arg(file, required.join(u',')));
    }
    if (record.fault != platform::CsvFault::None)
        return badUsage(
            QStringLiteral("%1, riga d'intestazione non leggibile: %2.").arg(file, platform::csvFaultText(record)));
    const QStringList header = record.fields;
    const QList<qsizetype> at = columnsOf(header, required + job.optionalColumns());
    for (qsizetype i = 0; i < required.size(); ++i)
        if (at[i] < 0)
            return badUsage(QStringLiteral("%1: nell'intestazione manca la colonna «%2» (servono %3).")
                                .arg(file, required[i], required.join(u',')));

    const char separator = reader.separator();
    out.setForm(reader.form(), separator);
    appendRow(out, header, header.size(), job.addedColumns(), separator);
    out.rowDone(record.line);
    bool allDone = true;
    QStringList values(at.size());
    QStringList added;
    while (!out.failed() && nextRecord(reader, record)) {
        allDone &= runRecord(job, record, header.size(), at, values, added);
        appendRow(out, record.fields, header.size(), added, separator);
        out.rowDone(record.line);
    }
    const int status = out.finish(allDone ? Success : RowFailed);
    if (status == BadUsage || reader.stop() == platform::CsvReader::Stop::None)
        return status;
    printError(stopText(reader, input));
    return BadUsage;
}

} // namespace riga
