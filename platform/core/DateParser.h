#pragma once
#include <QDate>
#include <QLocale>
#include <QString>
#include <optional>

namespace platform {

// "07/05/1983": a date as the program writes it, day first.
QString italianDate(const QDate& date);

// "gennaio" for 1 ... "dicembre" for 12; empty for any other number.
QString italianMonthName(int month);

// The one date parser of the program: it both answers "is this a date?" and
// gives the date, so a text that passes the check always converts.
//
// Accepted: day, month and year as numbers separated by "/", "-", "." or
// blanks, in the locale's order (day-month-year for Italian and for the
// C/POSIX locale, month-day-year where the locale puts the month first,
// year-month-day where it puts the year first); "yyyy-mm-dd" always; the
// month also as an Italian name or its three-letter abbreviation; the three
// numbers run together as on paper forms, in the locale's order, two digits
// each and the year of four ("07051983") or two ("070583"). A two-digit year
// gives the latest date with those last digits that is not after `today`.
std::optional<QDate> parseDate(const QString& text, const QLocale& locale, QDate today);

// A spreadsheet's date cell written with a time of midnight ("01/01/1980
// 00:00", "1980-01-01 00:00:00"): the date alone; any other text as it is.
// For the command line's files: the card's date field takes no times.
QString withoutMidnight(const QString& text);

// The earliest year a birth date may have.
inline constexpr int kFirstBirthYear = 1800;

// A date of birth: what parseDate reads, refused when it lies after `today`
// or before kFirstBirthYear (a typo such as "2099" or "0083", not a person).
// The compute command and the date field's colour both use this rule.
std::optional<QDate> parseBirthDate(const QString& text, const QLocale& locale, QDate today);

} // namespace platform
