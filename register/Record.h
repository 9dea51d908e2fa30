#pragma once
// One record of the municipality register: a place's name as published, its
// province, its cadastral code and the days it was in force.

#include <QDate>
#include <QString>

namespace registro {

struct Record {
    QString name; // COMU_DESCR, as published
    QString province; // COMU_PROV
    QString code; // COMU_COD, the cadastral code
    QDate first{}; // COMU_DAL: first day in force; null when unknown or always
    QDate last{}; // COMU_AL: last day in force; null while still in force

    bool inForceOn(const QDate& day) const
    {
        return (first.isNull() || first <= day) && (last.isNull() || day <= last);
    }
};

// The validity columns hold yyyy-mm-dd, or nothing for an open end.
inline QString dateField(const QDate& date) { return date.isNull() ? QString() : date.toString(Qt::ISODate); }
inline QDate dateFromField(const QString& text)
{
    return text.isEmpty() ? QDate() : QDate::fromString(text, Qt::ISODate);
}

} // namespace registro
