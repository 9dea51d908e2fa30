#include "PlaceChoice.h"

#include "CodiceFiscale.h"
#include "DateParser.h"
#include "Text.h"

#include <algorithm>

namespace registro {

namespace {

using platform::italianDate;

// The records the rules weigh, by address into PlaceChoice::records.
using Pool = std::vector<const Record*>;

// The records spelled as typed, when the name was typed with an accent and
// any is; else all of them (rule 1).
Pool spelledAs(const std::vector<Record>& records, const QString& typed)
{
    Pool pool;
    const QString spelling = platform::spellingKey(typed);
    if (platform::hasAccent(spelling))
        for (const Record& r : records)
            if (platform::spellingKey(r.name) == spelling)
                pool.push_back(&r);
    if (pool.empty())
        for (const Record& r : records)
            pool.push_back(&r);
    return pool;
}

// The shown record of the pool, or null without one (rule 2).
const Record* shownRecord(const Pool& pool, const QDate& born, const std::optional<ShownPlace>& shown)
{
    if (!shown)
        return nullptr;
    const QString code = platform::trimBlanks(shown->code);
    const Record *withCode = nullptr, *ofProvince = nullptr;
    for (const Record* r : pool) {
        if (r->code != code)
            continue;
        if (r->inForceOn(born))
            return r;
        if (!withCode)
            withCode = r;
        if (!ofProvince && r->province == shown->province)
            ofProvince = r;
    }
    if (ofProvince)
        return ofProvince;
    return withCode ? withCode : pool.front();
}

// The places in force on `born`: one record per code, the first of it.
Pool inForceByCode(const Pool& pool, const QDate& born)
{
    Pool places;
    for (const Record* r : pool) {
        const bool known =
            std::any_of(places.begin(), places.end(), [&](const Record* p) { return p->code == r->code; });
        if (!known && r->inForceOn(born))
            places.push_back(r);
    }
    return places;
}

// The pool's codes as in force on `born` under any name, the official name
// of that day first (rule 6). Every record read goes to `read`.
std::vector<Record> inForceUnderOtherNames(Database& db, const Pool& pool, const QDate& born, std::vector<Record>& read)
{
    std::vector<Record> places;
    QStringList codes;
    for (const Record* r : pool) {
        if (codes.contains(r->code))
            continue;
        codes << r->code;
        const std::vector<Record> withCode = db.recordsWithCode(r->code);
        const Record* found = nullptr;
        for (const Record& other : withCode)
            if (other.inForceOn(born) && (!found || (other.officialOn(born) && !found->officialOn(born))))
                found = &other;
        if (found)
            places.push_back(found->on(born));
        read.insert(read.end(), withCode.begin(), withCode.end());
    }
    return places;
}

} // namespace

bool isCadastralCode(const QString& code)
{
    // A digit, or the letter the revenue agency writes in its place in a
    // homonym form (L for 0 ... V for 9).
    const auto digit = [](QChar c) { return (c >= u'0' && c <= u'9') || codfis::kHomonymLetters.contains(c); };
    return code.size() == 4 && code[0] >= u'A' && code[0] <= u'Z' && digit(code[1]) && digit(code[2]) && digit(code[3]);
}

namespace {

// The rules, with the province that breaks a tie: the shown record's, or
// `province` when nothing is shown.
PlaceChoice choose(Database& db, const QString& name, const QDate& born, const std::optional<ShownPlace>& shown,
                   const QString& givenProvince)
{
    PlaceChoice choice;
    const QString trimmed = platform::trimBlanks(name);
    if (trimmed.isEmpty())
        return choice;
    for (Record& r : db.recordsNamed(trimmed))
        if (isCadastralCode(r.code))
            choice.records.push_back(std::move(r));
    if (choice.records.empty())
        return choice;

    const Pool pool = spelledAs(choice.records, trimmed);

    const auto decided = [&](PlaceChoice::Outcome outcome, const Record& place, std::vector<Record> named = {}) {
        choice.outcome = outcome;
        choice.place = outcome == PlaceChoice::Chosen ? place.on(born) : place;
        choice.named = std::move(named);
        return std::move(choice); // the rules end here
    };
    const Record* shownAt = shownRecord(pool, born, shown);
    if (shownAt && shownAt->inForceOn(born))
        return decided(PlaceChoice::Chosen, *shownAt);

    const QString province = shownAt ? shownAt->province : givenProvince;
    const auto ofProvince = [&](const Record& r) {
        return !province.isEmpty() && (r.province == province || r.on(born).province == province);
    };
    const Pool inForce = inForceByCode(pool, born);
    if (inForce.size() == 1)
        return decided(PlaceChoice::Chosen, *inForce.front());
    const auto inProvince = [&](const Record* r) { return ofProvince(*r); };
    if (std::count_if(inForce.begin(), inForce.end(), inProvince) == 1)
        return decided(PlaceChoice::Chosen, **std::find_if(inForce.begin(), inForce.end(), inProvince));
    if (inForce.empty()) {
        const std::vector<Record> renamed = inForceUnderOtherNames(db, pool, born, choice.otherNames);
        const auto shownCode = std::find_if(renamed.begin(), renamed.end(),
                                            [&](const Record& r) { return shownAt && r.code == shownAt->code; });
        if (shownCode != renamed.end())
            return decided(PlaceChoice::Chosen, *shownCode);
        if (renamed.size() == 1)
            return decided(PlaceChoice::Chosen, renamed.front());
        if (!shownAt && std::count_if(renamed.begin(), renamed.end(), ofProvince) == 1)
            return decided(PlaceChoice::Chosen, *std::find_if(renamed.begin(), renamed.end(), ofProvince));
        if (renamed.size() > 1 && !shownAt)
            return decided(PlaceChoice::Ambiguous, {}, renamed);
    }

    std::vector<Record> all;
    for (const Record* r : pool)
        all.push_back(*r);
    if (shownAt)
        return decided(PlaceChoice::NotInForce, *shownAt, all);
    if (inForce.empty())
        return decided(PlaceChoice::NotInForce, *pool.front(), all);
    std::vector<Record> places;
    for (const Record* r : inForce)
        places.push_back(r->on(born));
    return decided(PlaceChoice::Ambiguous, {}, places);
}

} // namespace

PlaceChoice choosePlace(Database& db, const QString& name, const QDate& born, const std::optional<ShownPlace>& shown)
{
    return choose(db, name, born, shown, {});
}

PlaceChoice choosePlaceInProvince(Database& db, const QString& name, const QDate& born, const QString& province)
{
    return choose(db, name, born, std::nullopt, platform::upperCase(platform::trimBlanks(province)));
}

QString describePlace(const Record& place)
{
    const std::vector<Period> spans = unbrokenSpans(place);
    QString text = QStringLiteral("%1 (%2) %3, in vigore ").arg(place.name, place.province, place.code);
    for (std::size_t i = 0; i < spans.size(); ++i) {
        const Period& span = spans[i];
        if (i > 0)
            text += QStringLiteral(", poi ");
        if (!span.first.isNull() && !span.last.isNull())
            text += QStringLiteral("dal %1 al %2").arg(italianDate(span.first), italianDate(span.last));
        else if (!span.first.isNull())
            text += QStringLiteral("dal %1").arg(italianDate(span.first));
        else if (!span.last.isNull())
            text += QStringLiteral("fino al %1").arg(italianDate(span.last));
        else
            text += QStringLiteral("senza limiti di data");
    }
    return text;
}

QString dataDateNote(const QDate& dataDate, const QDate& born)
{
    if (!dataDate.isValid() || !born.isValid() || born <= dataDate)
        return {};
    return QStringLiteral("elenco dei comuni aggiornato al ") + italianDate(dataDate);
}

QString notInForceQuestion(const Record& place, const QDate& born, const QDate& dataDate)
{
    const QString note = dataDateNote(dataDate, born);
    return QStringLiteral("%1 (%2) non risulta in vigore il %3%4. Calcolare comunque?")
        .arg(place.name, place.province, italianDate(born),
             note.isEmpty() ? QString() : QStringLiteral(" (") + note + u')');
}

QString notInRegisterMessage(const QDate& dataDate, const QDate& born)
{
    const QString note = dataDateNote(dataDate, born);
    return QStringLiteral("Comune non in elenco") + (note.isEmpty() ? QString() : QStringLiteral(" (") + note + u')');
}

} // namespace registro
