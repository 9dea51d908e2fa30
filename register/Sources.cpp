#include "Sources.h"

#include "Fold.h"
#include "SourceTable.h"

#include <QFile>
#include <algorithm>

namespace registro::sources {

SourceError::SourceError(const QString& file, qsizetype line, const QString& message)
    : std::runtime_error(QStringLiteral("%1:%2: %3").arg(file, QString::number(line), message).toStdString()),
      file(file), line(line), message(message)
{}

QString nameFault(const QString& name)
{
    if (name.isEmpty())
        return QStringLiteral("nome vuoto");
    for (QChar c : name)
        if (!c.isPrint())
            return QStringLiteral("il nome contiene un carattere di controllo o non stampabile");
    return {};
}

Table::Table(const QString& file, QByteArrayView bytes) : file_(file), csv_(platform::readCsv(bytes))
{
    if (!csv_.ok())
        throw SourceError(file_, csv_.errorLine, csv_.error);
}

qsizetype Table::column(const QString& name) const
{
    const qsizetype index = csv_.header.indexOf(name);
    if (index < 0)
        throw SourceError(file_, 1, QStringLiteral("manca la colonna %1").arg(name));
    return index;
}

void Table::fail(const platform::CsvRow& row, const QString& message) const
{
    throw SourceError(file_, row.line, message);
}

QDate Table::date(const platform::CsvRow& row, const QString& text, bool emptyIsNull) const
{
    if (emptyIsNull && text.isEmpty())
        return {};
    // yyyy-mm-dd, four digits, two, two: such dates order correctly as text.
    bool shaped = text.size() == 10 && text[4] == u'-' && text[7] == u'-';
    for (int i : {0, 1, 2, 3, 5, 6, 8, 9})
        shaped = shaped && isDigit(text[i]);
    const QDate day = shaped ? QDate::fromString(text, Qt::ISODate) : QDate();
    if (!day.isValid())
        fail(row, QStringLiteral("la data '%1' non è nella forma aaaa-mm-gg").arg(text));
    return day;
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    const auto failed = [&] {
        return SourceError(path, 0,
                           file.error() == QFileDevice::PermissionsError
                               ? QStringLiteral("permesso negato")
                               : QStringLiteral("impossibile leggere il file"));
    };
    if (!file.open(QIODevice::ReadOnly))
        throw failed();
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw failed();
    return bytes;
}

namespace {

// Null first days sort first (always), null last days last (still in force).
bool startsBefore(const Period& a, const Period& b)
{
    if (a.first != b.first)
        return a.first.isNull() || (!b.first.isNull() && a.first < b.first);
    if (a.last != b.last)
        return b.last.isNull() || (!a.last.isNull() && a.last < b.last);
    return a.official && !b.official;
}

QDate laterEnd(const QDate& a, const QDate& b) { return a.isNull() || b.isNull() ? QDate() : std::max(a, b); }

bool covers(const Period& outer, const Period& inner)
{
    return (outer.first.isNull() || (!inner.first.isNull() && outer.first <= inner.first))
           && (outer.last.isNull() || (!inner.last.isNull() && inner.last <= outer.last));
}

// The province of the latest period: the latest end, then the latest start;
// of two alike, the first.
QString latestProvince(const std::vector<Period>& periods)
{
    const auto later = [](const Period& a, const Period& b) {
        if (a.last != b.last)
            return a.last.isNull() || (!b.last.isNull() && a.last > b.last);
        return !a.first.isNull() && (b.first.isNull() || a.first > b.first);
    };
    const Period* latest = &periods.front();
    for (const Period& p : periods)
        if (later(p, *latest))
            latest = &p;
    return latest->province;
}

} // namespace

std::vector<Period> joinedPeriods(std::vector<Period> periods)
{
    std::stable_sort(periods.begin(), periods.end(), startsBefore);
    std::vector<Period> joined;
    for (const Period& p : periods) {
        if (!joined.empty()) {
            Period& q = joined.back();
            const bool touches = q.last.isNull() || p.first.isNull() || p.first <= q.last.addDays(1);
            if (q.province == p.province && q.official == p.official && touches) {
                q.last = laterEnd(q.last, p.last);
                continue;
            }
            if (q.province == p.province && q.official && !p.official && covers(q, p))
                continue;
        }
        joined.push_back(p);
    }
    return joined;
}

void Gathering::add(const QString& name, const QString& code, const Period& period)
{
    const QString key = name + u'\n' + code;
    auto found = index_.constFind(key);
    if (found == index_.cend()) {
        found = index_.insert(key, records_.size());
        records_.push_back({name, period.province, code});
    }
    records_[*found].periods.push_back(period);
}

void Gathering::add(const Record& record)
{
    for (const Period& p : record.spans())
        add(record.name, record.code, p);
}

std::vector<Record> Gathering::records() const
{
    std::vector<Record> out = records_;
    for (Record& r : out) {
        setPeriods(r, joinedPeriods(r.periods));
        r.province = latestProvince(r.periods);
    }
    return out;
}

namespace {

// A foreign state's name and code, or a fault on its row.
void checkState(const Table& table, const platform::CsvRow& row, const QString& name, const QString& code)
{
    if (const QString fault = nameFault(name); !fault.isEmpty())
        table.fail(row, fault);
    if (!isCadastralCode(code, u'Z'))
        table.fail(row, QStringLiteral("il codice '%1' non è Z seguita da tre cifre").arg(code));
}

} // namespace

std::vector<Record> readForeignStates(const QString& file, QByteArrayView bytes)
{
    const Table table(file, bytes);
    const qsizetype nameColumn = table.column(QStringLiteral("DENOMINAZIONE"));
    const qsizetype codeColumn = table.column(QStringLiteral("CODAT"));

    std::vector<Record> records;
    for (const platform::CsvRow& row : table.rows()) {
        const QString& name = row.fields[nameColumn];
        const QString& code = row.fields[codeColumn];
        // Italy itself, stateless persons and the like have no code.
        if (code.isEmpty())
            continue;
        checkState(table, row, name, code);
        records.push_back({name, QStringLiteral("EE"), code});
    }
    return records;
}

std::vector<Record> readDatedStates(const QString& file, QByteArrayView bytes)
{
    const Table table(file, bytes);
    const qsizetype nameColumn = table.column(QStringLiteral("DENOMINAZIONE"));
    const qsizetype codeColumn = table.column(QStringLiteral("CODAT"));
    const qsizetype startColumn = table.column(QStringLiteral("DAL"));
    const qsizetype endColumn = table.column(QStringLiteral("AL"));

    std::vector<Record> records;
    for (const platform::CsvRow& row : table.rows()) {
        const QString& name = row.fields[nameColumn];
        const QString& code = row.fields[codeColumn];
        checkState(table, row, name, code);
        const QDate first = table.date(row, row.fields[startColumn], true);
        const QDate last = table.date(row, row.fields[endColumn], true);
        if (!first.isNull() && !last.isNull() && last < first)
            table.fail(row, QStringLiteral("AL è prima di DAL"));
        records.push_back({name, QStringLiteral("EE"), code, first, last});
    }
    return records;
}

std::vector<Record> readNamesInUse(const QString& file, QByteArrayView bytes, const QString& codeColumnName,
                                   const std::vector<Record>& places)
{
    const Table table(file, bytes);
    const qsizetype nameColumn = table.column(QStringLiteral("NOME"));
    const qsizetype codeColumn = table.column(codeColumnName);
    const qsizetype officialColumn = table.column(QStringLiteral("DENOMINAZIONE_UFFICIALE"));

    QHash<QString, const Record*> byPair;
    for (const Record& place : places)
        byPair.insert(place.name + u'\n' + place.code, &place);

    std::vector<Record> records;
    for (const platform::CsvRow& row : table.rows()) {
        const QString& name = row.fields[nameColumn];
        const QString& code = row.fields[codeColumn];
        const QString& official = row.fields[officialColumn];
        if (const QString fault = nameFault(name); !fault.isEmpty())
            table.fail(row, fault);
        const Record* place = byPair.value(official + u'\n' + code);
        if (!place)
            table.fail(row, QStringLiteral("nessun luogo '%1' con il codice '%2'").arg(official, code));
        // MONTECATINI TERME for MONTECATINI-TERME: the place answers to it already.
        if (platform::foldKey(name) == platform::foldKey(place->name))
            continue;
        Record record{name, place->province, place->code};
        std::vector<Period> periods = place->spans();
        for (Period& p : periods)
            p.official = false;
        setPeriods(record, std::move(periods));
        records.push_back(std::move(record));
    }
    return records;
}

Sources readSources(const SourceFiles& files)
{
    std::vector<ArchiveRow> archive = readArchive(files.municipalities, readFile(files.municipalities));
    applyChanges(archive, readArchive(files.changes, readFile(files.changes)), files.changes);
    const std::vector<Record> municipalities = municipalityRecords(archive);

    std::vector<Record> states = readForeignStates(files.foreignStates, readFile(files.foreignStates));
    for (const QString& file : {files.ceasedStates, files.territories})
        for (Record& r : readDatedStates(file, readFile(file)))
            states.push_back(std::move(r));
    const std::vector<Record> stateNames =
        readNamesInUse(files.stateNames, readFile(files.stateNames), QStringLiteral("CODAT"), states);
    const std::vector<Record> municipalityNames = readNamesInUse(
        files.municipalityNames, readFile(files.municipalityNames), QStringLiteral("CODCATASTALE"), municipalities);

    Gathering all;
    for (const std::vector<Record>* part :
         std::initializer_list<const std::vector<Record>*>{&municipalities, &states, &stateNames, &municipalityNames})
        for (const Record& r : *part)
            all.add(r);
    return {all.records(), newestDay(archive)};
}

} // namespace registro::sources
