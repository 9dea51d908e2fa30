#include "DateParser.h"

#include <QRegularExpression>
#include <array>

namespace platform {
namespace {

enum class Order { DayMonthYear, MonthDayYear, YearMonthDay };

Order orderFromFormat(const QLocale& locale)
{
    if (locale.language() == QLocale::C)
        return Order::DayMonthYear;
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    const qsizetype d = format.indexOf(QLatin1Char('d'));
    const qsizetype m = format.indexOf(QLatin1Char('M'));
    const qsizetype y = format.indexOf(QLatin1Char('y'));
    if (d < 0 || m < 0 || y < 0)
        return Order::DayMonthYear;
    if (y < d && y < m)
        return Order::YearMonthDay;
    if (m < d)
        return Order::MonthDayYear;
    return Order::DayMonthYear;
}

// The order of the last locale asked about, kept: building its date format
// costs more than reading a date, and a run of dates asks with one locale.
Order orderOf(const QLocale& locale)
{
    thread_local QLocale last = QLocale::c();
    thread_local Order order = orderFromFormat(last);
    if (!(locale == last)) {
        last = locale;
        order = orderFromFormat(locale);
    }
    return order;
}

bool isAsciiDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }
bool isSeparator(QChar c) { return c == QLatin1Char('/') || c == QLatin1Char('-') || c == QLatin1Char('.'); }

struct Token {
    QString text;
    bool numeric = false;
};

// Splits into runs of digits and runs of letters. Between two runs there must
// be blanks, or one separator with optional blanks around it. Anything else
// makes the text unreadable.
std::optional<std::array<Token, 3>> tokenize(const QString& text)
{
    std::array<Token, 3> tokens;
    int count = 0;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        if (count > 0) {
            qsizetype start = i;
            while (i < n && text[i] == QLatin1Char(' '))
                ++i;
            if (i < n && isSeparator(text[i]))
                ++i;
            while (i < n && text[i] == QLatin1Char(' '))
                ++i;
            if (i == start || i == n)
                return std::nullopt;
        }
        if (count == 3)
            return std::nullopt;
        Token& token = tokens[count++];
        const bool numeric = isAsciiDigit(text[i]);
        qsizetype start = i;
        while (i < n && (numeric ? isAsciiDigit(text[i]) : text[i].isLetter()))
            ++i;
        if (i == start || i - start > 12)
            return std::nullopt;
        token.text = text.mid(start, i - start);
        token.numeric = numeric;
    }
    if (count != 3)
        return std::nullopt;
    return tokens;
}

// Day, month and year with nothing between them: 8 digits (four-digit year)
// or 6 (two-digit year), the two-digit parts in the locale's order.
std::optional<std::array<Token, 3>> splitRunTogether(const QString& text, Order order)
{
    if (text.size() != 8 && text.size() != 6)
        return std::nullopt;
    for (QChar c : text)
        if (!isAsciiDigit(c))
            return std::nullopt;
    const qsizetype yearLength = text.size() - 4;
    if (order == Order::YearMonthDay)
        return std::array<Token, 3>{Token{text.left(yearLength), true}, Token{text.mid(yearLength, 2), true},
                                    Token{text.right(2), true}};
    return std::array<Token, 3>{Token{text.left(2), true}, Token{text.mid(2, 2), true}, Token{text.mid(4), true}};
}

int monthFromName(const QString& name)
{
    const QString lower = name.toLower();
    for (int m = 0; m < 12; ++m) {
        const QString full = italianMonthName(m + 1);
        if (lower == full || lower == full.left(3))
            return m + 1;
    }
    return 0;
}

// The value of a short run of ASCII digits (a numeric token of at most four).
int digitsValue(const QString& digits)
{
    int value = 0;
    for (const QChar c : digits)
        value = value * 10 + (c.unicode() - u'0');
    return value;
}

// Day or month: one or two digits.
int smallNumber(const Token& token)
{
    if (!token.numeric || token.text.size() > 2)
        return 0;
    return digitsValue(token.text);
}

int yearOf(const Token& token, QDate today)
{
    if (!token.numeric)
        return 0;
    if (token.text.size() == 4)
        return digitsValue(token.text);
    if (token.text.size() == 2) {
        const int digits = digitsValue(token.text);
        const int current = today.isValid() ? today.year() : QDate::currentDate().year();
        const int back = ((current - digits) % 100 + 100) % 100;
        return current - back;
    }
    return 0;
}

} // namespace

std::optional<QDate> parseDate(const QString& text, const QLocale& locale, QDate today)
{
    const Order order = orderOf(locale);
    const QString trimmed = text.trimmed();
    auto tokens = splitRunTogether(trimmed, order);
    if (!tokens)
        tokens = tokenize(trimmed);
    if (!tokens)
        return std::nullopt;
    const Token& a = (*tokens)[0];
    const Token& b = (*tokens)[1];
    const Token& c = (*tokens)[2];

    int day = 0, month = 0, year = 0;
    const Token* yearToken = &c;
    if (!a.numeric && b.numeric && c.numeric && order == Order::MonthDayYear) {
        month = monthFromName(a.text), day = smallNumber(b), year = yearOf(c, today);
    } else if (a.numeric && !b.numeric && c.numeric) {
        day = smallNumber(a), month = monthFromName(b.text), year = yearOf(c, today);
    } else if (!(a.numeric && b.numeric && c.numeric)) {
        return std::nullopt;
    } else if (a.text.size() == 4 || order == Order::YearMonthDay) {
        year = yearOf(a, today), month = smallNumber(b), day = smallNumber(c);
        yearToken = &a;
    } else if (order == Order::MonthDayYear) {
        month = smallNumber(a), day = smallNumber(b), year = yearOf(c, today);
    } else {
        day = smallNumber(a), month = smallNumber(b), year = yearOf(c, today);
    }

    // A two-digit year names the latest such date not after today: 8/12/26
    // typed on 7 December 2026 is a day in 1926, not tomorrow.
    if (yearToken->text.size() == 2 && today.isValid() && QDate(year, month, day) > today)
        year -= 100;
    if (year < 1 || month < 1 || day < 1 || !QDate::isValid(year, month, day))
        return std::nullopt;
    return QDate(year, month, day);
}

QString withoutMidnight(const QString& text)
{
    if (!text.contains(u':'))
        return text;
    static const QRegularExpression midnight(QStringLiteral("^\\s*(\\S.*?)(?:\\s+|T)0?0:00(?::00(?:\\.0+)?)?\\s*$"),
                                             QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = midnight.match(text);
    return match.hasMatch() ? match.captured(1) : text;
}

std::optional<QDate> parseBirthDate(const QString& text, const QLocale& locale, QDate today)
{
    if (!today.isValid())
        today = QDate::currentDate();
    const auto date = parseDate(text, locale, today);
    if (!date || *date > today || date->year() < kFirstBirthYear)
        return std::nullopt;
    return date;
}

// Written out by hand: QDate::toString goes through the locale machinery,
// which a command-line run of a hundred thousand rows would feel.
QString italianDate(const QDate& date)
{
    // One conversion from the day number: day(), month() and year() each
    // make their own.
    int year = 0, month = 0, day = 0;
    date.getDate(&year, &month, &day);
    if (!date.isValid() || year < 1 || year > 9999)
        return date.toString(QStringLiteral("dd/MM/yyyy"));
    QString text(10, u'0');
    const auto put = [&](qsizetype end, int n) {
        for (qsizetype i = end; n > 0; --i, n /= 10)
            text[i] = QChar(char16_t(u'0' + n % 10));
    };
    put(1, day);
    text[2] = u'/';
    put(4, month);
    text[5] = u'/';
    put(9, year);
    return text;
}

QString italianMonthName(int month)
{
    static const char* const names[] = {"gennaio", "febbraio", "marzo",     "aprile",  "maggio",   "giugno",
                                        "luglio",  "agosto",   "settembre", "ottobre", "novembre", "dicembre"};
    return month >= 1 && month <= 12 ? QString::fromLatin1(names[month - 1]) : QString();
}

} // namespace platform
