#include "Calcola.h"

#include "CalcoloCodFis.h"
#include "DateParser.h"
#include "Fold.h"
#include "PersonCheck.h"
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
// places with the province of the day, and a province given chooses by it).
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

Calcola::Calcola(Register& comuni, QDate today) : comuni_(comuni), today_(today) {}

QStringList Calcola::inputColumns() const
{
    return {QStringLiteral("cognome"), QStringLiteral("nome"), QStringLiteral("data"), QStringLiteral("sesso"),
            QStringLiteral("luogo")};
}

QStringList Calcola::optionalColumns() const { return {QStringLiteral("provincia")}; }

QStringList Calcola::addedColumns() const
{
    return {QStringLiteral("codice"), QStringLiteral("esito"), QStringLiteral("motivo")};
}

bool Calcola::argumentRows(const QStringList& arguments, QStringList& header, QList<QStringList>& rows,
                           QString& reason) const
{
    if (arguments.size() != 5 && arguments.size() != 6) {
        reason = QStringLiteral("calcola vuole cinque argomenti, COGNOME NOME DATA SESSO LUOGO, e la PROVINCIA se "
                                "serve: ne ha %1.")
                     .arg(arguments.size());
        return false;
    }
    header = (inputColumns() + optionalColumns()).mid(0, arguments.size());
    rows = {arguments};
    return true;
}

const Calcola::Span& Calcola::choose(const QString& name, const QString& province, const QDate& born)
{
    // By spelling: PATERNÒ and PATERNO may choose differently. The key of a
    // name as typed is kept: folding it again at every row costs more than
    // the rest of the look-up.
    const QString typed = name + u'\n' + province;
    const QString* known = keys_.find(typed);
    const QString key =
        known ? *known : keys_.insert(typed, platform::spellingKey(platform::trimBlanks(name)) + u'\n' + province);
    std::vector<Span>* spans = choices_.find(key);
    if (spans)
        for (const Span& span : *spans)
            if (inSpan(span.first, span.last, born))
                return span;
    if (!spans)
        spans = &choices_.insert(key, {});

    const registro::PlaceChoice choice = registro::choosePlaceInProvince(*comuni_.db, name, born, province);
    Span span;
    span.outcome = choice.outcome;
    span.code = choice.place.code;
    if (!choice.records.empty())
        span.name = choice.records.front().name;
    span.abbreviation = choice.abbreviation;
    if (choice.renamed)
        span.dayName = QStringLiteral("%1 (%2)").arg(choice.place.name, choice.place.province);
    const bool provinces = choice.outcome != registro::PlaceChoice::Chosen || !province.isEmpty() || choice.renamed;
    narrowToSameRecords(choice.records, born, provinces, span.first, span.last);
    narrowToSameRecords(choice.otherNames, born, provinces, span.first, span.last);
    span.candidates = registro::describePlaces(choice.named); // what a failed choice names
    spans->push_back(std::move(span));
    return spans->back();
}

bool Calcola::run(const QStringList& values, QStringList& added)
{
    const auto fail = [&](const QString& reason) {
        added = unreadable(reason);
        return false;
    };
    // Italian order on every machine: 3/4/1990 is 3 April.
    static const QLocale italian(QLocale::Italian, QLocale::Italy);
    QDate born;
    // A sheet's date cell may come with a time of midnight: that is the day.
    const QString date = platform::withoutMidnight(values[2]);
    if (const auto fault =
            platform::checkPerson({values[0], values[1], date, values[3], values[4]}, italian, today_, &born))
        return fail(fault->message);
    if (!comuni_.db)
        return fail(QStringLiteral("Registro dei comuni non disponibile: ") + comuni_.fault);

    const QString province = platform::upperCase(platform::trimBlanks(values.value(5)));
    const Span* span = nullptr;
    try {
        span = &choose(values[4], province, born);
    } catch (const platform::Error& error) {
        return fail(errorText(error));
    }
    // A place made after the register's data cannot be in it: said so.
    const QString note = registro::dataDateNote(comuni_.dataDate, born);
    const QString day = italianDate(born) + (note.isEmpty() ? QString() : QStringLiteral(" (") + note + u')');
    switch (span->outcome) {
        case registro::PlaceChoice::Chosen: break;
        case registro::PlaceChoice::NotInRegister: return fail(registro::notInRegisterMessage(comuni_.dataDate, born));
        case registro::PlaceChoice::NotInForce:
            return fail(
                QStringLiteral("Nessun luogo di nome %1 in vigore il %2: %3.").arg(span->name, day, span->candidates));
        case registro::PlaceChoice::Ambiguous:
            if (span->abbreviation)
                return fail(registro::severalPlacesMessage(values[4], day, span->candidates));
            return fail(
                QStringLiteral("Più luoghi di nome %1 in vigore il %2: %3.").arg(span->name, day, span->candidates));
        case registro::PlaceChoice::NotInProvince:
            return fail(QStringLiteral("Nessun luogo di nome %1 in provincia di %2 il %3; in vigore: %4.")
                            .arg(span->name, province, day, span->candidates));
    }
    added = QStringList(ColumnCount);
    // The code carried on under another name: the name of that day said.
    if (!span->dayName.isEmpty())
        added[Motivo] = QStringLiteral("Il %1 il luogo si chiamava %2.").arg(italianDate(born), span->dayName);
    added[Codice] =
        CalcoloCodFis(values[0], values[1], born, platform::upperCase(platform::trimBlanks(values[3])), span->code);
    added[Esito] = QStringLiteral("ok");
    return true;
}

} // namespace riga
