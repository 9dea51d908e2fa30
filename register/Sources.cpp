#include "Sources.h"

#include "Csv.h"

#include <QFile>
#include <QHash>
#include <QSet>
#include <tuple>

namespace buildregister {

SourceError::SourceError(const QString& file, qsizetype line, const QString& message)
    : std::runtime_error(QStringLiteral("%1:%2: %3").arg(file, QString::number(line), message).toStdString()),
      file(file), line(line), message(message)
{}

namespace {

bool isUpperAscii(QChar c) { return c >= u'A' && c <= u'Z'; }
bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// One letter and three digits, the shape of every cadastral code; foreign
// states all start with Z.
bool isCadastralCode(const QString& code, QChar letter = {})
{
    return code.size() == 4 && isUpperAscii(code[0]) && (letter.isNull() || code[0] == letter) && isDigit(code[1])
           && isDigit(code[2]) && isDigit(code[3]);
}

bool isProvince(const QString& text) { return text.size() == 2 && isUpperAscii(text[0]) && isUpperAscii(text[1]); }

// yyyy-mm-dd: such dates order correctly as plain text.
bool isIsoDate(const QString& text)
{
    if (text.size() != 10 || text[4] != u'-' || text[7] != u'-')
        return false;
    for (int i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (!isDigit(text[i]))
            return false;
    return true;
}

// Names are kept exactly as published; refuse only what cannot be a name.
QString nameFault(const QString& name)
{
    if (name.isEmpty())
        return QStringLiteral("empty name");
    for (QChar c : name)
        if (!c.isPrint())
            return QStringLiteral("name holds a control or unprintable character");
    return {};
}

using platform::CsvRow;
using platform::CsvTable;
using platform::readCsv;

class Table {
public:
    Table(const QString& file, QByteArrayView bytes) : file_(file), csv_(readCsv(bytes))
    {
        if (!csv_.ok())
            throw SourceError(file_, csv_.errorLine, csv_.error);
    }

    qsizetype column(const QString& name) const
    {
        const qsizetype index = csv_.header.indexOf(name);
        if (index < 0)
            throw SourceError(file_, 1, QStringLiteral("missing column %1").arg(name));
        return index;
    }

    const std::vector<CsvRow>& rows() const { return csv_.rows; }

    [[noreturn]] void fail(const CsvRow& row, const QString& message) const
    {
        throw SourceError(file_, row.line, message);
    }

private:
    QString file_;
    CsvTable csv_;
};

QByteArray readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw SourceError(path, 0, file.errorString());
    return file.readAll();
}

} // namespace

namespace {

// Periods of one (name, code) pair merged into one record.
class Pairs {
public:
    void add(const QString& name, const QString& code, const QString& province, const QString& start,
             const QString& end)
    {
        const QString key = name + u'\n' + code;
        const auto found = index_.constFind(key);
        if (found == index_.cend()) {
            index_.insert(key, pairs_.size());
            pairs_.push_back({name, code, province, start, end, start, end});
            return;
        }
        Pair& pair = pairs_[*found];
        // The province of the latest period: later end date wins, then later
        // start; a full tie keeps the first.
        if (std::tie(end, start) > std::tie(pair.latestEnd, pair.latestStart)) {
            pair.province = province;
            pair.latestEnd = end;
            pair.latestStart = start;
        }
        pair.first = std::min(pair.first, start);
        pair.last = std::max(pair.last, end);
    }

    // In order of first appearance.
    void appendTo(std::vector<registro::Record>& records) const
    {
        for (const Pair& p : pairs_) {
            const QDate last = p.last == u"9999-12-31" ? QDate() : QDate::fromString(p.last, Qt::ISODate);
            records.push_back({p.name, p.province, p.code, QDate::fromString(p.first, Qt::ISODate), last});
        }
    }

private:
    struct Pair {
        QString name, code, province;
        QString latestStart, latestEnd; // of the period the province comes from
        QString first, last; // over all periods
    };
    std::vector<Pair> pairs_;
    QHash<QString, std::size_t> index_;
};

// An empty date or a real day as yyyy-mm-dd; refuses anything else.
QDate optionalDate(const Table& table, const CsvRow& row, const QString& text)
{
    if (text.isEmpty())
        return {};
    const QDate date = QDate::fromString(text, Qt::ISODate);
    if (!isIsoDate(text) || !date.isValid())
        table.fail(row, QStringLiteral("date '%1' is not yyyy-mm-dd").arg(text));
    return date;
}

QString pairKey(const registro::Record& r) { return r.name + u'\n' + r.code; }

} // namespace

std::vector<registro::Record> readMunicipalities(const QString& file, QByteArrayView bytes)
{
    const Table table(file, bytes);
    const qsizetype nameColumn = table.column(QStringLiteral("DENOMINAZIONE_IT"));
    const qsizetype provinceColumn = table.column(QStringLiteral("SIGLAPROVINCIA"));
    const qsizetype codeColumn = table.column(QStringLiteral("CODCATASTALE"));
    const qsizetype startColumn = table.column(QStringLiteral("DATAISTITUZIONE"));
    const qsizetype endColumn = table.column(QStringLiteral("DATACESSAZIONE"));
    const qsizetype otherNameColumn = table.column(QStringLiteral("ALTRADENOMINAZIONE"));

    Pairs names, otherNames;
    for (const CsvRow& row : table.rows()) {
        const QString& name = row.fields[nameColumn];
        const QString& otherName = row.fields[otherNameColumn];
        const QString& province = row.fields[provinceColumn];
        const QString& code = row.fields[codeColumn];
        const QString& start = row.fields[startColumn];
        const QString& end = row.fields[endColumn];
        if (const QString fault = nameFault(name); !fault.isEmpty())
            table.fail(row, fault);
        if (code == u"ND")
            continue;
        if (!isCadastralCode(code))
            table.fail(row, QStringLiteral("cadastral code '%1' is not a letter and three digits").arg(code));
        if (!isProvince(province))
            table.fail(row, QStringLiteral("province '%1' is not two capital letters").arg(province));
        if (!isIsoDate(start) || !isIsoDate(end) || !QDate::fromString(start, Qt::ISODate).isValid()
            || (end != u"9999-12-31" && !QDate::fromString(end, Qt::ISODate).isValid()))
            table.fail(row, QStringLiteral("dates '%1', '%2' are not yyyy-mm-dd").arg(start, end));
        if (start > end)
            table.fail(row, QStringLiteral("period ends (%1) before it begins (%2)").arg(end, start));

        names.add(name, code, province, start, end);
        if (!otherName.isEmpty()) {
            if (const QString fault = nameFault(otherName); !fault.isEmpty())
                table.fail(row, QStringLiteral("alternative ") + fault);
            otherNames.add(otherName, code, province, start, end);
        }
    }

    std::vector<registro::Record> records;
    names.appendTo(records);
    otherNames.appendTo(records);
    return records;
}

std::vector<registro::Record> readForeignStates(const QString& file, QByteArrayView bytes)
{
    const Table table(file, bytes);
    const qsizetype nameColumn = table.column(QStringLiteral("DENOMINAZIONE"));
    const qsizetype codeColumn = table.column(QStringLiteral("CODAT"));

    std::vector<registro::Record> records;
    for (const CsvRow& row : table.rows()) {
        const QString& name = row.fields[nameColumn];
        const QString& code = row.fields[codeColumn];
        // Italy itself, stateless persons and the like have no code.
        if (code.isEmpty())
            continue;
        if (const QString fault = nameFault(name); !fault.isEmpty())
            table.fail(row, fault);
        if (!isCadastralCode(code, u'Z'))
            table.fail(row, QStringLiteral("code '%1' is not Z and three digits").arg(code));
        records.push_back({name, QStringLiteral("EE"), code});
    }
    return records;
}

std::vector<registro::Record> readTerritories(const QString& file, QByteArrayView bytes)
{
    const Table table(file, bytes);
    const qsizetype nameColumn = table.column(QStringLiteral("DENOMINAZIONE"));
    const qsizetype codeColumn = table.column(QStringLiteral("CODAT"));
    const qsizetype startColumn = table.column(QStringLiteral("DAL"));
    const qsizetype endColumn = table.column(QStringLiteral("AL"));

    std::vector<registro::Record> records;
    for (const CsvRow& row : table.rows()) {
        const QString& name = row.fields[nameColumn];
        const QString& code = row.fields[codeColumn];
        if (const QString fault = nameFault(name); !fault.isEmpty())
            table.fail(row, fault);
        if (!isCadastralCode(code, u'Z'))
            table.fail(row, QStringLiteral("code '%1' is not Z and three digits").arg(code));
        const QDate first = optionalDate(table, row, row.fields[startColumn]);
        const QDate last = optionalDate(table, row, row.fields[endColumn]);
        if (!first.isNull() && !last.isNull() && last < first)
            table.fail(row, QStringLiteral("AL is before DAL"));
        records.push_back({name, QStringLiteral("EE"), code, first, last});
    }
    return records;
}

std::vector<registro::Record> readStateNames(const QString& file, QByteArrayView bytes,
                                             const std::vector<registro::Record>& states)
{
    const Table table(file, bytes);
    const qsizetype nameColumn = table.column(QStringLiteral("NOME"));
    const qsizetype codeColumn = table.column(QStringLiteral("CODAT"));
    const qsizetype officialColumn = table.column(QStringLiteral("DENOMINAZIONE_UFFICIALE"));

    QHash<QString, const registro::Record*> byPair;
    for (const registro::Record& state : states)
        byPair.insert(pairKey(state), &state);

    std::vector<registro::Record> records;
    for (const CsvRow& row : table.rows()) {
        const QString& name = row.fields[nameColumn];
        const QString& code = row.fields[codeColumn];
        const QString& official = row.fields[officialColumn];
        if (const QString fault = nameFault(name); !fault.isEmpty())
            table.fail(row, fault);
        const registro::Record* state = byPair.value(official + u'\n' + code);
        if (!state)
            table.fail(row, QStringLiteral("no foreign state '%1' with code '%2'").arg(official, code));
        records.push_back({name, state->province, state->code, state->first, state->last});
    }
    return records;
}

std::vector<registro::Record> readSources(const SourceFiles& files)
{
    std::vector<registro::Record> municipalities =
        readMunicipalities(files.municipalities, readFile(files.municipalities));
    std::vector<registro::Record> states = readForeignStates(files.foreignStates, readFile(files.foreignStates));
    for (registro::Record& r : readForeignStates(files.ceasedStates, readFile(files.ceasedStates)))
        states.push_back(std::move(r));
    for (registro::Record& r : readTerritories(files.territories, readFile(files.territories)))
        states.push_back(std::move(r));
    std::vector<registro::Record> stateNames = readStateNames(files.stateNames, readFile(files.stateNames), states);

    std::vector<registro::Record> all;
    QSet<QString> seen;
    for (std::vector<registro::Record>* part : {&municipalities, &states, &stateNames}) {
        for (registro::Record& r : *part) {
            const QString pair = pairKey(r);
            if (seen.contains(pair))
                continue;
            seen.insert(pair);
            all.push_back(std::move(r));
        }
    }
    return all;
}

} // namespace buildregister
