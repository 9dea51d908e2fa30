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

    const auto chosen = [&](const Record& r) {
        choice.outcome = PlaceChoice::Chosen;
        choice.place = r;
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
    QString text = QStringLiteral("%1 (%2) %3, ").arg(place.name, place.province, place.code);
    if (!place.first.isNull() && !place.last.isNull())
        text += QStringLiteral("in vigore dal %1 al %2").arg(italianDate(place.first), italianDate(place.last));
    else if (!place.first.isNull())
        text += QStringLiteral("in vigore dal %1").arg(italianDate(place.first));
    else if (!place.last.isNull())
        text += QStringLiteral("in vigore fino al %1").arg(italianDate(place.last));
    else
        text += QStringLiteral("in vigore senza limiti di data");
    return text;
}

QString notInForceQuestion(const Record& place, const QDate& born)
{
    return QStringLiteral("%1 (%2) non risulta in vigore il %3. Calcolare comunque?")
        .arg(place.name, place.province, italianDate(born));
}

} // namespace registro
