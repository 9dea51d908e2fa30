#pragma once
#include <QDate>
#include <QString>

// The copyright line both windows show: the range starts in 2001 and runs to
// the current year, never before 2001 even with a clock set in the past.
QString copyrightYearText(const QDate& today);
QString copyrightLine(const QDate& today);
