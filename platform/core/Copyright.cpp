#include "Copyright.h"

QString copyrightYearText(const QDate& today)
{
    // Compared as text, as the year has always been: "1999" < "2001".
    const QString year = QString::number(today.year()).rightJustified(4, u'0');
    return year < QLatin1String("2001") ? QStringLiteral("2001") : year;
}

QString copyrightLine(const QDate& today)
{
    return QStringLiteral("Copyright © 2001-") + copyrightYearText(today) + QStringLiteral(" by Brenvald");
}
