#include "Record.h"

#include <QStringList>

namespace registro {

void setPeriods(Record& record, std::vector<Period> periods)
{
    record.periods = std::move(periods);
    if (record.periods.empty())
        return;
    // A null first day is "always", a null last day "still": both win.
    record.first = record.periods.front().first;
    record.last = record.periods.front().last;
    for (const Period& p : record.periods) {
        if (record.first.isValid() && (p.first.isNull() || p.first < record.first))
            record.first = p.first;
        if (record.last.isValid() && (p.last.isNull() || p.last > record.last))
            record.last = p.last;
    }
}

QString periodsField(const std::vector<Period>& periods)
{
    QStringList parts;
    for (const Period& p : periods)
        parts << dateField(p.first) + u'/' + dateField(p.last) + u'/' + p.province + u'/' + (p.official ? u'U' : u'A');
    return parts.join(u';');
}

std::vector<Period> periodsFromField(QStringView field)
{
    std::vector<Period> periods;
    if (field.isEmpty())
        return periods;
    // Only what this program writes is read; anything else stands for no
    // periods at all.
    const auto date = [](QStringView text, bool& ok) {
        if (text.isEmpty())
            return QDate();
        const QDate day = text.size() == 10 ? QDate::fromString(text.toString(), Qt::ISODate) : QDate();
        ok = ok && day.isValid();
        return day;
    };
    for (const QStringView part : field.tokenize(u';')) {
        const QList<QStringView> fields = part.split(u'/');
        bool ok = fields.size() == 4 && (fields[3] == u"U" || fields[3] == u"A");
        if (!ok)
            return {};
        Period p{date(fields[0], ok), date(fields[1], ok), fields[2].toString(), fields[3] == u"U"};
        if (!ok || (!p.first.isNull() && !p.last.isNull() && p.last < p.first))
            return {};
        periods.push_back(std::move(p));
    }
    return periods;
}

} // namespace registro
