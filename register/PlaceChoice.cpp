#include "PlaceChoice.h"

#include "Text.h"

#include <algorithm>

namespace registro {

namespace {

QString italianDate(const QDate& date) { return date.toString(QStringLiteral("dd/MM/yyyy")); }

// The shown record among the records of the name, or none (-1).
qsizetype shownIndex(const std::vector<Record>& records, const QDate& born, const std::optional<ShownPlace>& shown)
{
    if (!shown)
        return -1;
    const QString code = platform::trimBlanks(shown->code);
    qsizetype withCode = -1, ofProvince = -1;
    for (qsizetype i = 0; i < qsizetype(records.size()); ++i) {
        const Record& r = records[i];
        if (r.code != code)
            continue;
        if (r.inForceOn(born))
            return i;
        if (withCode < 0)
            withCode = i;
        if (ofProvince < 0 && r.province == shown->province)
            ofProvince = i;
    }
    if (ofProvince >= 0)
        return ofProvince;
    return withCode >= 0 ? withCode : 0;
}

} // namespace

bool isCadastralCode(const QString& code)
{
    // A digit, or the letter the revenue agency writes in its place in a
    // homonym form (L for 0 ... V for 9).
    const auto digit = [](QChar c) { return (c >= u'0' && c <= u'9') || QStringView(u"LMNPQRSTUV").contains(c); };
    return code.size() == 4 && code[0] >= u'A' && code[0] <= u'Z' && digit(code[1]) && digit(code[2]) && digit(code[3]);
}

PlaceChoice choosePlace(Database& db, const QString& name, const QDate& born, const std::optional<ShownPlace>& shown)
{
    PlaceChoice choice;
    const QString trimmed = platform::trimBlanks(name);
    if (trimmed.isEmpty())
        return choice;
    for (Record& r : db.recordsNamed(trimmed))
        if (isCadastralCode(r.code))
            choice.records.push_back(std::move(r));
    const std::vector<Record>& records = choice.records;
    if (records.empty())
        return choice;

    // The record chosen as on the birth date: the province of its period then.
    const auto chosen = [&](const Record& r) {
        choice.outcome = PlaceChoice::Chosen;
        choice.place = r.on(born);
        return choice;
    };
    const qsizetype shownAt = shownIndex(records, born, shown);
    if (shownAt >= 0 && records[shownAt].inForceOn(born))
        return chosen(records[shownAt]);

    std::vector<const Record*> inForce;
    for (const Record& r : records)
        if (r.inForceOn(born))
            inForce.push_back(&r);
    if (inForce.size() == 1)
        return chosen(*inForce.front());
    if (inForce.size() > 1 && shownAt >= 0) {
        const QString& province = records[shownAt].province;
        const auto ofProvince = [&](const Record* r) { return r->province == province; };
        if (std::count_if(inForce.begin(), inForce.end(), ofProvince) == 1)
            return chosen(**std::find_if(inForce.begin(), inForce.end(), ofProvince));
    }

    if (shownAt >= 0) {
        choice.outcome = PlaceChoice::NotInForce;
        choice.place = records[shownAt];
    } else if (inForce.empty()) {
        choice.outcome = PlaceChoice::NotInForce;
        choice.place = records.front();
    } else {
        choice.outcome = PlaceChoice::Ambiguous;
    }
    return choice;
}

QString describePlace(const Record& place)
{
    // The periods as spans without a break, whatever province or name kind.
    std::vector<Period> periods = place.spans();
    std::sort(periods.begin(), periods.end(), [](const Period& a, const Period& b) {
        return a.first.isNull() ? !b.first.isNull() : (!b.first.isNull() && a.first < b.first);
    });
    std::vector<Period> spans;
    for (const Period& p : periods) {
        Period* last = spans.empty() ? nullptr : &spans.back();
        if (last && (last->last.isNull() || (!p.first.isNull() && p.first <= last->last.addDays(1)))) {
            if (!last->last.isNull() && (p.last.isNull() || p.last > last->last))
                last->last = p.last;
            continue;
        }
        spans.push_back(p);
    }
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

QString notInForceQuestion(const Record& place, const QDate& born)
{
    return QStringLiteral("%1 (%2) non risulta in vigore il %3. Calcolare comunque?")
        .arg(place.name, place.province, italianDate(born));
}

} // namespace registro
