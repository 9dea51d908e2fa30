#pragma once
// One record of the municipality register: a place's name as published, its
// province, its cadastral code and the periods it was in force under that
// name, each with the province of its day.

#include <QDate>
#include <QString>
#include <optional>
#include <vector>

namespace registro {

// One span of days a record was in force, without a break.
struct Period {
    QDate first{}; // first day; null when unknown or always
    QDate last{}; // last day; null while still in force
    QString province; // the province of those days
    // Whether the record's name was the place's official name in those days;
    // an alternative name, half of a bilingual name or name people use is not.
    bool official = true;

    bool contains(const QDate& day) const { return (first.isNull() || first <= day) && (last.isNull() || day <= last); }
};

struct Record {
    QString name; // COMU_DESCR, as published
    QString province; // COMU_PROV: the province of the latest period
    QString code; // COMU_COD, the cadastral code
    QDate first{}; // COMU_DAL: first day of the first period; null when unknown or always
    QDate last{}; // COMU_AL: last day of the last period; null while still in force
    // COMU_PERIODI: every period, in order of time. Empty stands for one
    // official period from `first` to `last` in `province`.
    std::vector<Period> periods{};

    // The periods, or the one that `first`, `last` and `province` stand for.
    std::vector<Period> spans() const
    {
        return periods.empty() ? std::vector<Period>{{first, last, province, true}} : periods;
    }

    // The period in force on `day` (an official one before another), if any.
    std::optional<Period> periodOn(const QDate& day) const
    {
        if (periods.empty()) {
            const Period only{first, last, province, true};
            return only.contains(day) ? std::optional<Period>(only) : std::nullopt;
        }
        const Period* found = nullptr;
        for (const Period& p : periods)
            if (p.contains(day) && (!found || (p.official && !found->official)))
                found = &p;
        return found ? std::optional<Period>(*found) : std::nullopt;
    }

    // The same question as periodOn(day).has_value(), without copying the
    // period: the command line asks it for every row.
    bool inForceOn(const QDate& day) const
    {
        if (periods.empty())
            return (first.isNull() || first <= day) && (last.isNull() || day <= last);
        for (const Period& p : periods)
            if (p.contains(day))
                return true;
        return false;
    }

    // Whether the name was the official one on `day`.
    bool officialOn(const QDate& day) const
    {
        const std::optional<Period> period = periodOn(day);
        return period && period->official;
    }

    // The record as on `day`: with the province of the period in force then.
    Record on(const QDate& day) const
    {
        Record copy = *this;
        if (const std::optional<Period> period = periodOn(day))
            copy.province = period->province;
        return copy;
    }
};

// The validity columns hold yyyy-mm-dd, or nothing for an open end.
inline QString dateField(const QDate& date) { return date.isNull() ? QString() : date.toString(Qt::ISODate); }
inline QDate dateFromField(const QString& text)
{
    return text.isEmpty() ? QDate() : QDate::fromString(text, Qt::ISODate);
}

// The days the record was in force as spans without a break, in order of
// time: its periods joined where they touch, whatever their province or
// name kind (each span has the province and kind of its first period).
std::vector<Period> unbrokenSpans(const Record& record);

// Gives the record these periods, and their first and last day as its own.
void setPeriods(Record& record, std::vector<Period> periods);

// COMU_PERIODI: "first/last/province/kind" for each period, joined by ";",
// the kind U for the official name and A for another (empty dates for open
// ends): "1861-03-17/1929-02-07/CO/U;1947-10-03/2014-02-03/CO/U".
QString periodsField(const std::vector<Period>& periods);
// The periods a field holds; none when it is empty or not of that shape, so
// that the record's first and last day stand for them.
std::vector<Period> periodsFromField(QStringView field);

} // namespace registro
