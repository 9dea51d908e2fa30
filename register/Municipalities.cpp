// The ANPR archive of municipalities: its rows checked, the changes after its
// date applied, and the records its periods make.

#include "DateParser.h"
#include "SourceTable.h"

#include <QRegularExpression>
#include <QSet>

namespace registro::sources {

std::vector<ArchiveRow> readArchive(const QString& file, QByteArrayView bytes)
{
    const Table table(file, bytes);
    const qsizetype idColumn = table.column(QStringLiteral("ID"));
    const qsizetype nameColumn = table.column(QStringLiteral("DENOMINAZIONE_IT"));
    const qsizetype provinceColumn = table.column(QStringLiteral("SIGLAPROVINCIA"));
    const qsizetype codeColumn = table.column(QStringLiteral("CODCATASTALE"));
    const qsizetype startColumn = table.column(QStringLiteral("DATAISTITUZIONE"));
    const qsizetype endColumn = table.column(QStringLiteral("DATACESSAZIONE"));
    const qsizetype otherNameColumn = table.column(QStringLiteral("ALTRADENOMINAZIONE"));
    const qsizetype municipalityColumn = table.optionalColumn(QStringLiteral("CODISTAT"));

    std::vector<ArchiveRow> rows;
    rows.reserve(table.rows().size());
    for (const platform::CsvRow& row : table.rows()) {
        ArchiveRow r{row.fields[idColumn],
                     row.fields[nameColumn],
                     row.fields[otherNameColumn],
                     row.fields[provinceColumn],
                     row.fields[codeColumn],
                     {},
                     {},
                     municipalityColumn < 0 ? QString() : row.fields[municipalityColumn],
                     file,
                     row.line};
        if (const QString fault = nameFault(r.name); !fault.isEmpty())
            table.fail(row, fault);
        if (r.code == u"ND")
            continue;
        if (!isCadastralCode(r.code))
            table.fail(row,
                       QStringLiteral("il codice catastale '%1' non è una lettera seguita da tre cifre").arg(r.code));
        if (!isProvince(r.province))
            table.fail(row, QStringLiteral("la provincia '%1' non è di due lettere maiuscole").arg(r.province));
        r.start = table.date(row, row.fields[startColumn]);
        if (row.fields[endColumn] != u"9999-12-31")
            r.end = table.date(row, row.fields[endColumn]);
        if (r.end.isValid() && r.end < r.start)
            table.fail(row, QStringLiteral("il periodo finisce (%1) prima di cominciare (%2)")
                                .arg(row.fields[endColumn], row.fields[startColumn]));
        if (!r.otherName.isEmpty())
            if (const QString fault = nameFault(r.otherName); !fault.isEmpty())
                table.fail(row, QStringLiteral("altra denominazione: ") + fault);
        rows.push_back(std::move(r));
    }
    return rows;
}

void applyChanges(std::vector<ArchiveRow>& archive, const std::vector<ArchiveRow>& changes, const QString& file)
{
    QHash<QString, std::size_t> byId;
    QSet<QString> starts; // code and first day of every period
    for (std::size_t i = 0; i < archive.size(); ++i) {
        byId.insert(archive[i].id, i);
        starts.insert(archive[i].code + archive[i].start.toString(Qt::ISODate));
    }
    for (const ArchiveRow& change : changes) {
        if (change.id.isEmpty()) {
            if (!starts.contains(change.code + change.start.toString(Qt::ISODate)))
                archive.push_back(change);
            continue;
        }
        const auto found = byId.constFind(change.id);
        if (found == byId.cend())
            throw SourceError(file, change.line,
                              QStringLiteral("nessun periodo con ID %1 (%2 %3) nell'archivio")
                                  .arg(change.id, change.code, change.name));
        ArchiveRow& period = archive[*found];
        if (period.code != change.code || period.start != change.start)
            throw SourceError(file, change.line,
                              QStringLiteral("nell'archivio l'ID %1 è %2 dal %3")
                                  .arg(change.id, period.code, period.start.toString(Qt::ISODate)));
        if (period.end.isNull())
            period.end = change.end;
    }
}

QDate newestDay(const std::vector<ArchiveRow>& rows)
{
    QDate newest;
    for (const ArchiveRow& r : rows)
        for (const QDate& day : {r.start, r.end})
            if (day.isValid() && (newest.isNull() || day > newest))
                newest = day;
    return newest;
}

namespace {

// "DUINO AURISINA-DEVIN NABREŽINA" split after its first `at` characters.
QStringList split(const QString& name, qsizetype at) { return {name.left(at).trimmed(), name.mid(at + 1).trimmed()}; }

// The halves of the row's official name, where the data marks it bilingual,
// and those of an alternative name "COMUNE DI X-OBCINA Y". `earlierNames`:
// the official names of the code with their first day.
QStringList halvesOf(const ArchiveRow& row, const QList<std::pair<QString, QDate>>& earlierNames)
{
    static const QRegularExpression slovene(QStringLiteral("^COMUNE DI (.+)-OBCINA (.+)$"));
    QStringList halves;
    const QRegularExpressionMatch both = slovene.match(row.otherName);
    if (both.hasMatch())
        halves << both.captured(1).trimmed() << both.captured(2).trimmed();
    const QString& name = row.name;
    QList<qsizetype> hyphens;
    for (qsizetype i = name.indexOf(u'-'); i >= 0; i = name.indexOf(u'-', i + 1))
        hyphens << i;
    qsizetype at = -1;
    if (!row.otherName.isEmpty()) {
        for (const qsizetype i : hyphens)
            if (row.otherName == name.left(i) || row.otherName == name.mid(i + 1)
                || (both.hasMatch() && both.captured(1) == name.left(i) && both.captured(2) == name.mid(i + 1)))
                at = i;
        if (at < 0 && hyphens.size() == 1)
            at = hyphens.front();
    }
    // A hyphenated earlier name carried on with more words is one name of
    // its own (SAINT-RHÉMY, then SAINT-RHÉMY-EN-BOSSES), not two.
    for (const auto& [earlier, since] : earlierNames)
        if (since < row.start && !earlier.contains(u'-') && name.size() > earlier.size() + 1
            && name.startsWith(earlier + u'-'))
            at = earlier.size();
    if (at >= 0)
        halves << split(name, at);
    halves.removeAll(QString());
    halves.removeAll(name);
    halves.removeDuplicates();
    return halves;
}

// One place to a code on any day: see municipalityRecords.
void checkOnePlacePerCode(const std::vector<ArchiveRow>& rows)
{
    QHash<QString, QSet<QString>> namesOf; // CODISTAT -> every name it bears at some time
    for (const ArchiveRow& r : rows)
        if (!r.municipality.isEmpty())
            namesOf[r.municipality] << r.name << r.otherName;
    const auto names = [&](const ArchiveRow& r) {
        return r.municipality.isEmpty() ? QSet<QString>{r.name, r.otherName} : namesOf.value(r.municipality);
    };
    const auto onePlace = [&](const ArchiveRow& a, const ArchiveRow& b) {
        return a.name == b.name || (!a.municipality.isEmpty() && a.municipality == b.municipality)
               || names(a).contains(b.name) || names(b).contains(a.name);
    };
    QHash<QString, std::vector<const ArchiveRow*>> byCode;
    for (const ArchiveRow& r : rows) {
        std::vector<const ArchiveRow*>& before = byCode[r.code];
        for (const ArchiveRow* other : before) {
            const QDate day = std::max(r.start, other->start);
            if ((r.end.isValid() && r.end < day) || (other->end.isValid() && other->end < day) || onePlace(*other, r))
                continue;
            throw SourceError(
                r.file, r.line,
                QStringLiteral("il codice %1 è di due luoghi il %2: %3 (%4) e %5 (%6)")
                    .arg(r.code, platform::italianDate(day), other->name, other->province, r.name, r.province));
        }
        before.push_back(&r);
    }
}

} // namespace

std::vector<Record> municipalityRecords(const std::vector<ArchiveRow>& rows)
{
    checkOnePlacePerCode(rows);
    QHash<QString, QList<std::pair<QString, QDate>>> namesOfCode;
    for (const ArchiveRow& r : rows)
        namesOfCode[r.code].append({r.name, r.start});

    // Official names first, then the other names; one record per name and
    // code, whichever way it comes.
    Gathering records;
    for (const ArchiveRow& r : rows)
        records.add(r.name, r.code, {r.start, r.end, r.province, true});
    for (const ArchiveRow& r : rows) {
        if (!r.otherName.isEmpty())
            records.add(r.otherName, r.code, {r.start, r.end, r.province, false});
        for (const QString& half : halvesOf(r, namesOfCode.value(r.code)))
            records.add(half, r.code, {r.start, r.end, r.province, false});
    }
    return records.records();
}

} // namespace registro::sources
