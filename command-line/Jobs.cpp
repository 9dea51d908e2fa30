#include "Jobs.h"

#include "CalcoloCodFis.h"
#include "CodiceFiscale.h"
#include "DateParser.h"
#include "PlaceOfCode.h"
#include "RegisterSql.h"
#include "Text.h"

namespace riga {

namespace {

using platform::errorText;
using platform::italianDate;

bool inSpan(const QDate& first, const QDate& last, const QDate& day)
{
    return (first.isNull() || first <= day) && (last.isNull() || day <= last);
}

// The records in force change only on a first day or the day after a last
// one: narrows [first, last] (null: open) around `born` to the days between
// the nearest such changes, where every date has the same records in force.
// `provinces`: a change of province counts too (a failed choice names the
// places with the province of the day; a code computed does not).
void narrowToSameRecords(const std::vector<registro::Record>& records, const QDate& born, bool provinces, QDate& first,
                         QDate& last)
{
    for (const registro::Record& r : records) {
        const std::vector<registro::Period> periods = provinces ? r.spans() : registro::unbrokenSpans(r);
        for (const registro::Period& p : periods) {
            for (const QDate& change : {p.first, p.last.isNull() ? QDate() : p.last.addDays(1)}) {
                if (change.isNull())
                    continue;
                if (change <= born) {
                    if (first.isNull() || first < change)
                        first = change;
                } else if (last.isNull() || change.addDays(-1) < last) {
                    last = change.addDays(-1);
                }
            }
        }
    }
}

} // namespace

Register openRegister(const QString& directory)
{
    Register comuni;
    try {
        comuni.db = registro::Database::openBeside(directory);
        // As the window's open sequence: the table and its index, or no
        // register (an empty file is a database without them).
        comuni.db->openRecordset(registro::sql::kTable)->setIndex(registro::sql::kIndex);
    } catch (const platform::Error& error) {
        comuni.db.reset();
        comuni.fault = errorText(error);
        return comuni;
    }
    try {
        comuni.dataDate = comuni.db->dataDate();
    } catch (const platform::Error&) {
        // Only the notes that name the register's date go without it.
    }
    // One read for the whole run: the look-ups then take no lock each. The
    // run is short; should the snapshot fail, each look-up reads on its own.
    try {
        comuni.db->beginSnapshot();
    } catch (const platform::Error&) {
    }
    return comuni;
}

// ------------------------------------------------------------------ calcola

Calcola::Calcola(Register& comuni, QDate today, QLocale locale)
    : comuni_(comuni), today_(today), locale_(std::move(locale))
{}

QStringList Calcola::inputColumns() const
{
    return {QStringLiteral("cognome"), QStringLiteral("nome"), QStringLiteral("data"), QStringLiteral("sesso"),
            QStringLiteral("luogo")};
}

QStringList Calcola::addedColumns() const
{
    return {QStringLiteral("codice"), QStringLiteral("esito"), QStringLiteral("motivo")};
}

QStringList Calcola::unreadable(const QString& reason) const { return {QString(), QStringLiteral("errore"), reason}; }

const Calcola::Span& Calcola::choose(const QString& name, const QDate& born)
{
    // By spelling: PATERNÒ and PATERNO may choose differently.
    std::vector<Span>& spans = choices_[platform::spellingKey(platform::trimBlanks(name))];
    for (const Span& span : spans)
        if (inSpan(span.first, span.last, born))
            return span;

    const registro::PlaceChoice choice = registro::choosePlace(*comuni_.db, name, born);
    Span span;
    span.outcome = choice.outcome;
    span.code = choice.place.code;
    if (!choice.records.empty())
        span.name = choice.records.front().name;
    const bool provinces = choice.outcome != registro::PlaceChoice::Chosen;
    narrowToSameRecords(choice.records, born, provinces, span.first, span.last);
    narrowToSameRecords(choice.otherNames, born, provinces, span.first, span.last);
    // What a failed choice names, described.
    QStringList candidates;
    for (const registro::Record& r : choice.named)
        candidates << registro::describePlace(r);
    span.candidates = candidates.join(QStringLiteral("; "));
    spans.push_back(std::move(span));
    return spans.back();
}

bool Calcola::run(const QStringList& values, QStringList& added)
{
    const auto fail = [&](const QString& reason) {
        added = unreadable(reason);
        return false;
    };
    const QString& surname = values[0];
    const QString& name = values[1];
    if (!platform::isPersonName(surname))
        return fail(QStringLiteral("Cognome non valido."));
    if (!platform::isPersonName(name))
        return fail(QStringLiteral("Nome non valido."));
    const auto born = platform::parseBirthDate(values[2], locale_, today_);
    if (!born)
        return fail(QStringLiteral("Data di nascita non valida."));
    const QString sex = platform::upperCase(platform::trimBlanks(values[3]));
    if (sex != u"M" && sex != u"F")
        return fail(QStringLiteral("Sesso non valido: indicare M o F."));
    const QString& place = values[4];
    if (platform::trimBlanks(place).isEmpty())
        return fail(QStringLiteral("Immettere il luogo di nascita."));
    if (!comuni_.db)
        return fail(QStringLiteral("Registro dei comuni non disponibile: ") + comuni_.fault);

    const Span* span = nullptr;
    try {
        span = &choose(place, *born);
    } catch (const platform::Error& error) {
        return fail(errorText(error));
    }
    // A place made after the register's data cannot be in it: said so.
    const QString note = registro::dataDateNote(comuni_.dataDate, *born);
    const QString day = italianDate(*born) + (note.isEmpty() ? QString() : QStringLiteral(" (") + note + u')');
    switch (span->outcome) {
        case registro::PlaceChoice::Chosen: break;
        case registro::PlaceChoice::NotInRegister: return fail(registro::notInRegisterMessage(comuni_.dataDate, *born));
        case registro::PlaceChoice::NotInForce:
            return fail(
                QStringLiteral("Nessun luogo di nome %1 in vigore il %2: %3.").arg(span->name, day, span->candidates));
        case registro::PlaceChoice::Ambiguous:
            return fail(
                QStringLiteral("Più luoghi di nome %1 in vigore il %2: %3.").arg(span->name, day, span->candidates));
    }
    added = {CalcoloCodFis(surname, name, *born, sex, span->code), QStringLiteral("ok"), QString()};
    return true;
}

// ----------------------------------------------------------------- verifica

Verifica::Verifica(Register& comuni, QDate today) : comuni_(comuni), today_(today) {}

QStringList Verifica::inputColumns() const { return {QStringLiteral("codice")}; }

QStringList Verifica::addedColumns() const
{
    return {QStringLiteral("esito"),
            QStringLiteral("motivo"),
            QStringLiteral("sesso"),
            QStringLiteral("data_nascita"),
            QStringLiteral("data_secolo_precedente"),
            QStringLiteral("luogo"),
            QStringLiteral("provincia"),
            QStringLiteral("catastale"),
            QStringLiteral("omocodia"),
            QStringLiteral("codice_base")};
}

QStringList Verifica::unreadable(const QString& reason) const
{
    QStringList added(addedColumns().size());
    added[0] = QStringLiteral("errore");
    added[1] = reason;
    return added;
}

bool Verifica::run(const QStringList& values, QStringList& added)
{
    const codfis::Decoded d = codfis::decode(values[0], today_);
    const bool valid = d.verdict == codfis::Verdict::Valid;
    QStringList said{d.reason};
    said << d.notes;
    added = QStringList(addedColumns().size());
    added[0] = valid ? QStringLiteral("valido") : QStringLiteral("non valido");
    if (d.verdict == codfis::Verdict::Malformed) {
        added[1] = said.join(u' ');
        return false;
    }

    QDate earlier;
    if (d.alsoEarlierCentury)
        earlier = d.birthDate.addYears(-100);
    added[2] = QString(d.sex);
    added[3] = d.birthDate.isValid() ? italianDate(d.birthDate) : QString();
    added[4] = earlier.isValid() ? italianDate(earlier) : QString();
    added[7] = d.placeCode;
    added[8] = QString::number(d.homonymCount());
    added[9] = d.plainCode;

    if (!comuni_.db) {
        said << QStringLiteral("Registro dei comuni non disponibile: luogo indicato solo dal codice.");
    } else {
        try {
            auto found = byCode_.find(d.placeCode);
            if (found == byCode_.end())
                found = byCode_.insert(d.placeCode, comuni_.db->recordsWithCode(d.placeCode));
            const registro::PlaceOfCode place = registro::placeOfCode(*found, d.birthDate, earlier);
            if (place.validity == registro::PlaceOfCode::Unknown) {
                said << QStringLiteral("Codice catastale %1 non presente nel registro.").arg(d.placeCode);
            } else {
                const registro::Record& first = place.records.front();
                added[5] = first.name;
                added[6] = first.province;
                if (place.validity == registro::PlaceOfCode::InForceEarlier)
                    said << QStringLiteral("Luogo in vigore il %1, non il %2.")
                                .arg(italianDate(earlier), italianDate(d.birthDate));
                else if (place.validity == registro::PlaceOfCode::NotInForce && d.birthDate.isValid())
                    said << QStringLiteral("Luogo non in vigore il %1: %2.")
                                .arg(italianDate(d.birthDate), registro::describePlace(first));
            }
        } catch (const platform::Error& error) {
            said << errorText(error);
        }
    }
    added[1] = said.join(u' ');
    return valid;
}

} // namespace riga
