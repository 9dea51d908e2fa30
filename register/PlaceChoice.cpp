#include "PlaceChoice.h"

#include "Abbreviations.h"
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

std::vector<Record> withCadastralCodes(std::vector<Record> records)
{
    std::erase_if(records, [](const Record& r) { return !isCadastralCode(r.code); });
    return records;
}

// The records a name stands for: its own; for a name the register does not
// know, those of the names its abbreviations may stand for (S. GIOVANNI
// ROTONDO), each name's records after the other's.
struct NameRecords {
    std::vector<Record> records;
    QString name; // as typed, or the first name read for it
    int names = 1; // how many names matched
    bool abbreviated = false;
};

NameRecords recordsOf(Database& db, const QString& typed)
{
    NameRecords found{withCadastralCodes(db.recordsNamed(typed)), typed};
    if (!found.records.empty())
        return found;
    found.abbreviated = true;
    found.names = 0;
    QStringList keys;
    for (const QString& reading : abbreviationReadings(typed)) {
        const QString key = foldKey(reading);
        if (keys.contains(key))
            continue;
        std::vector<Record> records = withCadastralCodes(db.recordsNamed(reading));
        if (records.empty())
            continue;
        keys << key;
        if (++found.names == 1)
            found.name = reading;
        found.records.insert(found.records.end(), records.begin(), records.end());
    }
    return found;
}

int codeCount(const Pool& pool)
{
    QStringList codes;
    for (const Record* r : pool)
        if (!codes.contains(r->code))
            codes << r->code;
    return int(codes.size());
}

std::vector<Record> copies(const Pool& pool)
{
    std::vector<Record> records;
    for (const Record* r : pool)
        records.push_back(*r);
    return records;
}

std::vector<Record> onDay(const Pool& pool, const QDate& born)
{
    std::vector<Record> records;
    for (const Record* r : pool)
        records.push_back(r->on(born));
    return records;
}

// One run of the rules over the records of a name.
class Rules {
public:
    Rules(Database& db, PlaceChoice& choice, const QDate& born) : db_(db), choice_(choice), born_(born) {}

    PlaceChoice decide(PlaceChoice::Outcome outcome, const Record& place, std::vector<Record> named = {})
    {
        choice_.outcome = outcome;
        choice_.place = outcome == PlaceChoice::Chosen ? place.on(born_) : place;
        choice_.named = std::move(named);
        return std::move(choice_); // the rules end here
    }
    // The record in force that day under another name, for the one code the
    // pool holds (rule 6): two codes that bore a name are not guessed between.
    const Record* renamed(const Pool& pool)
    {
        if (codeCount(pool) != 1)
            return nullptr;
        renamed_ = inForceUnderOtherNames(db_, pool, born_, choice_.otherNames);
        return renamed_.empty() ? nullptr : &renamed_.front();
    }
    PlaceChoice chosenRenamed(const Record& place)
    {
        choice_.renamed = true;
        return decide(PlaceChoice::Chosen, place);
    }

private:
    Database& db_;
    PlaceChoice& choice_;
    QDate born_;
    std::vector<Record> renamed_;
};

// A province given, nothing shown: the place of the name in force there; or
// the one that bore the name there, in force that day under another; or
// none, naming the places of the name in force elsewhere.
PlaceChoice chooseInProvince(Rules& rules, const Pool& pool, const Pool& inForce, const QString& province,
                             const QDate& born)
{
    const auto wasThere = [&](const Record* r) {
        const std::vector<Period> spans = r->spans();
        return r->province == province
               || std::any_of(spans.begin(), spans.end(), [&](const Period& p) { return p.province == province; });
    };
    Pool here;
    for (const Record* r : inForce)
        if (r->province == province || r->on(born).province == province)
            here.push_back(r);
    if (here.size() == 1)
        return rules.decide(PlaceChoice::Chosen, *here.front());
    if (here.size() > 1)
        return rules.decide(PlaceChoice::Ambiguous, {}, onDay(here, born));
    Pool ofProvince;
    std::copy_if(pool.begin(), pool.end(), std::back_inserter(ofProvince), wasThere);
    if (const Record* place = ofProvince.empty() ? nullptr : rules.renamed(ofProvince))
        return rules.chosenRenamed(*place);
    if (!inForce.empty())
        return rules.decide(PlaceChoice::NotInProvince, {}, onDay(inForce, born));
    return rules.decide(PlaceChoice::NotInForce, ofProvince.empty() ? *pool.front() : *ofProvince.front(),
                        copies(pool));
}

// The rules, with the province that breaks a tie: the shown record's, or
// `province` when nothing is shown.
PlaceChoice choose(Database& db, const QString& name, const QDate& born, std::optional<ShownPlace> shown,
                   const QString& givenProvince)
{
    PlaceChoice choice;
    const QString trimmed = platform::trimBlanks(name);
    if (trimmed.isEmpty())
        return choice;
    NameRecords found = recordsOf(db, trimmed);
    choice.records = std::move(found.records);
    if (choice.records.empty())
        return choice;
    choice.abbreviation = found.abbreviated;
    Rules rules(db, choice, born);
    if (found.names > 1) // S. ELENA: SANT'ELENA or SANTA ELENA
        return rules.decide(PlaceChoice::Ambiguous, {}, choice.records);
    if (found.abbreviated)
        shown.reset(); // the box cannot have shown a place for an abbreviation

    const Pool pool = spelledAs(choice.records, found.name);
    const Record* shownAt = shownRecord(pool, born, shown);
    if (shownAt && shownAt->inForceOn(born))
        return rules.decide(PlaceChoice::Chosen, *shownAt);

    const Pool inForce = inForceByCode(pool, born);
    if (!shownAt && !givenProvince.isEmpty())
        return chooseInProvince(rules, pool, inForce, givenProvince, born);
    if (inForce.size() == 1)
        return rules.decide(PlaceChoice::Chosen, *inForce.front());
    const auto inShownProvince = [&](const Record* r) {
        return shownAt && (r->province == shownAt->province || r->on(born).province == shownAt->province);
    };
    if (std::count_if(inForce.begin(), inForce.end(), inShownProvince) == 1)
        return rules.decide(PlaceChoice::Chosen, **std::find_if(inForce.begin(), inForce.end(), inShownProvince));
    if (inForce.empty())
        if (const Record* place = rules.renamed(pool))
            return rules.chosenRenamed(*place);

    const std::vector<Record> all = copies(pool);
    if (shownAt)
        return rules.decide(PlaceChoice::NotInForce, *shownAt, all);
    if (inForce.empty())
        return rules.decide(PlaceChoice::NotInForce, *pool.front(), all);
    return rules.decide(PlaceChoice::Ambiguous, {}, onDay(inForce, born));
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

QString notInForceQuestion(const Record& place, const QDate& born, const QDate& dataDate,
                           const std::vector<Record>& records)
{
    const QString note = dataDateNote(dataDate, born);
    // Several places bore the name and none is in force: the user picks.
    const bool several =
        std::any_of(records.begin(), records.end(), [&](const Record& r) { return r.code != records.front().code; })
        && std::none_of(records.begin(), records.end(), [&](const Record& r) { return r.inForceOn(born); });
    return QStringLiteral("%1 (%2) non risulta in vigore il %3%4.%5 Calcolare comunque?")
        .arg(place.name, place.province, italianDate(born),
             note.isEmpty() ? QString() : QStringLiteral(" (") + note + u')',
             several ? QStringLiteral(" Il nome è stato di più luoghi: ") + describePlaces(records) + u'.' : QString());
}

QString severalPlacesMessage(const QString& text, const QString& day, const QString& places)
{
    return QStringLiteral("Più luoghi possibili per %1 il %2: %3.")
        .arg(platform::upperCase(platform::trimBlanks(text)), day, places);
}

QString describePlaces(const std::vector<Record>& places)
{
    QStringList described;
    for (const Record& r : places)
        described << describePlace(r);
    return described.join(QStringLiteral("; "));
}

QString notInRegisterMessage(const QDate& dataDate, const QDate& born)
{
    const QString note = dataDateNote(dataDate, born);
    return QStringLiteral("Comune non in elenco") + (note.isEmpty() ? QString() : QStringLiteral(" (") + note + u')');
}

} // namespace registro
