#include "Record.h"

#include <QStringList>
#include <algorithm>

namespace registro {

std::vector<Period> unbrokenSpans(const Record& record)
{
    std::vector<Period> periods = record.spans();
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
    return spans;
}

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

namespace {

// yyyy-mm-dd as a day; null for an empty text. `ok` goes false for anything
// else. Read by hand: a run of look-ups reads thousands of these.
QDate dayOf(QStringView text, bool& ok)
{
    if (text.isEmpty())
        return {};
    int parts[3] = {0, 0, 0};
    bool shaped = text.size() == 10 && text[4] == u'-' && text[7] == u'-';
    for (qsizetype i = 0; shaped && i < 10; ++i) {
        if (i == 4 || i == 7)
            continue;
        const char16_t c = text[i].unicode();
        shaped = c >= u'0' && c <= u'9';
        int& part = parts[i < 4 ? 0 : i < 7 ? 1 : 2];
        part = part * 10 + (c - u'0');
    }
    const QDate day = shaped ? QDate(parts[0], parts[1], parts[2]) : QDate();
    ok = ok && day.isValid();
    return day;
}

} // namespace

std::vector<Period> periodsFromField(QStringView field)
{
    std::vector<Period> periods;
    if (field.isEmpty())
        return periods;
    // Only what this program writes is read; anything else stands for no
    // periods at all.
    for (const QStringView part : field.tokenize(u';')) {
        QStringView fields[4];
        qsizetype count = 0;
        for (const QStringView f : part.tokenize(u'/')) {
            if (count == 4)
                return {};
            fields[count++] = f;
        }
        bool ok = count == 4 && (fields[3] == u"U" || fields[3] == u"A");
        if (!ok)
            return {};
        Period p{dayOf(fields[0], ok), dayOf(fields[1], ok), fields[2].toString(), fields[3] == u"U"};
        if (!ok || (!p.first.isNull() && !p.last.isNull() && p.last < p.first))
            return {};
        periods.push_back(std::move(p));
    }
    return periods;
}

} // namespace registro
