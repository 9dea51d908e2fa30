#pragma once
#include <QDate>
#include <QLocale>
#include <QString>
#include <optional>

namespace platform {

// The one date parser of the program: it both answers "is this a date?" and
// gives the date, so a text that passes the check always converts.
//
// Accepted: day, month and year as numbers separated by "/", "-", "." or
// blanks, in the locale's order (day-month-year for Italian and for the
// C/POSIX locale, month-day-year where the locale puts the month first,
// year-month-day where it puts the year first); "yyyy-mm-dd" always; the
// month also as an Italian name or its three-letter abbreviation. A two-digit
// year is the latest year with those last digits not after `today`.
std::optional<QDate> parseDate(const QString& text, const QLocale& locale, QDate today);

} // namespace platform
