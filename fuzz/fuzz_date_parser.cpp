// Fuzzes platform::parseDate with any text in four locales and checks that
// every date it accepts is made of the numbers (or month name) typed, read in
// the order the locale writes dates; and that platform::parseBirthDate takes
// exactly those dates that are not after today nor before 1800.
//
// Input: byte 0 flags (bits 0-1: locale, bit 2: text is UTF-16), bytes 1-3
// the "today" that two-digit years are resolved against, then the text.

#include "DateParser.h"
#include "FuzzCheck.h"

#include <QLocale>
#include <vector>

namespace {

enum class Order { DayMonthYear, MonthDayYear, YearMonthDay };

struct Case {
    QLocale locale;
    Order order;
};

const Case& caseFor(uint8_t flags)
{
    static const Case cases[] = {
        {QLocale(QStringLiteral("it_IT")), Order::DayMonthYear},
        {QLocale(QStringLiteral("en_US")), Order::MonthDayYear},
        {QLocale::c(), Order::DayMonthYear},
        {QLocale(QStringLiteral("hu_HU")), Order::YearMonthDay},
    };
    return cases[flags & 3];
}

bool isAsciiDigit(QChar c) { return c >= u'0' && c <= u'9'; }

struct Piece {
    QString text;
    bool number = false;
};

// Splits into digit runs and letter runs; false when anything but blanks and
// one of / - . stands between them.
bool splitTyped(const QString& text, std::vector<Piece>& pieces)
{
    for (qsizetype i = 0; i < text.size();) {
        const QChar c = text[i];
        if (isAsciiDigit(c) || c.isLetter()) {
            const bool number = isAsciiDigit(c);
            const qsizetype start = i;
            while (i < text.size() && (number ? isAsciiDigit(text[i]) : text[i].isLetter()))
                ++i;
            pieces.push_back({text.mid(start, i - start), number});
        } else if (c == u' ' || c == u'/' || c == u'-' || c == u'.') {
            ++i;
        } else {
            return false;
        }
    }
    return true;
}

// The month as typed: its Italian name or first three letters, any case.
bool namesMonth(const QString& typed, int month)
{
    static const char* const names[] = {"gennaio", "febbraio", "marzo",     "aprile",  "maggio",   "giugno",
                                        "luglio",  "agosto",   "settembre", "ottobre", "novembre", "dicembre"};
    const QString full = QString::fromLatin1(names[month - 1]);
    for (QChar c : typed)
        if (c.unicode() >= 0x80)
            return false;
    return typed.compare(full, Qt::CaseInsensitive) == 0 || typed.compare(full.left(3), Qt::CaseInsensitive) == 0;
}

bool isSmallNumber(const Piece& p, int value) { return p.number && p.text.size() <= 2 && p.text.toInt() == value; }

// Four digits as written, or two digits naming the latest such date up to
// today: not after today, and a century later it would be.
bool isYear(const Piece& p, QDate date, QDate today)
{
    if (!p.number)
        return false;
    const int year = date.year();
    if (p.text.size() == 4)
        return p.text.toInt() == year;
    const bool centuryLaterIsFuture =
        year + 100 > today.year()
        || (year + 100 == today.year()
            && (date.month() > today.month() || (date.month() == today.month() && date.day() > today.day())));
    return p.text.size() == 2 && p.text.toInt() == year % 100 && date <= today && centuryLaterIsFuture;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 4)
        return 0;
    const Case& c = caseFor(data[0]);
    const QDate today = fuzzcheck::dateFrom(data + 1);
    const QString text = fuzzcheck::decode(data + 4, size - 4, data[0] & 4);

    const std::optional<QDate> parsed = platform::parseDate(text, c.locale, today);
    const std::optional<QDate> born = platform::parseBirthDate(text, c.locale, today);
    if (!parsed) {
        FUZZ_CHECK(!born, QStringLiteral("birth date of no date: %1").arg(fuzzcheck::dump(text)));
        return 0;
    }
    const QDate date = *parsed;
    const QString context =
        QStringLiteral("text %1 locale %2 today %3 -> %4")
            .arg(fuzzcheck::dump(text), c.locale.name(), today.toString(Qt::ISODate), date.toString(Qt::ISODate));

    FUZZ_CHECK(!text.trimmed().isEmpty(), context);
    FUZZ_CHECK(date.isValid() && date.year() >= 1 && date.year() <= 9999, context);

    // Its ISO form reads back as the same date, in Qt and in every locale.
    const QString iso = date.toString(Qt::ISODate);
    FUZZ_CHECK(QDate::fromString(iso, Qt::ISODate) == date, context);
    FUZZ_CHECK(platform::parseDate(iso, c.locale, today) == date, context);
    // Blanks around the text change nothing.
    FUZZ_CHECK(platform::parseDate(QStringLiteral("  ") + text + QStringLiteral(" "), c.locale, today) == date,
               context);

    // A spreadsheet's time of midnight after it is the same day.
    FUZZ_CHECK(platform::withoutMidnight(text) == text, context);
    FUZZ_CHECK(platform::parseDate(platform::withoutMidnight(text + QStringLiteral(" 00:00:00")), c.locale, today)
                   == date,
               context);

    const bool bornInRange = date <= today && date.year() >= platform::kFirstBirthYear;
    FUZZ_CHECK(born == (bornInRange ? parsed : std::nullopt), context);

    std::vector<Piece> pieces;
    FUZZ_CHECK(splitTyped(text.trimmed(), pieces), context);
    if (pieces.size() == 1) { // 07051983, 070583: two digits each, the year of four or two
        const QString digits = pieces[0].text;
        FUZZ_CHECK(pieces[0].number && (digits.size() == 8 || digits.size() == 6), context);
        const qsizetype yearLength = digits.size() - 4;
        const bool yearFirst = c.order == Order::YearMonthDay;
        const Piece year{yearFirst ? digits.left(yearLength) : digits.right(yearLength), true};
        const Piece first{yearFirst ? digits.mid(yearLength, 2) : digits.left(2), true};
        const Piece second{yearFirst ? digits.right(2) : digits.mid(2, 2), true};
        const bool monthFirst = c.order != Order::DayMonthYear;
        FUZZ_CHECK(isYear(year, date, today), context);
        FUZZ_CHECK(isSmallNumber(monthFirst ? first : second, date.month()), context);
        FUZZ_CHECK(isSmallNumber(monthFirst ? second : first, date.day()), context);
        return 0;
    }
    FUZZ_CHECK(pieces.size() == 3, context);
    const Piece& a = pieces[0];
    const Piece& b = pieces[1];
    const Piece& z = pieces[2];

    if (!b.number) { // 7 maggio 1983
        FUZZ_CHECK(a.number && z.number, context);
        FUZZ_CHECK(isSmallNumber(a, date.day()) && namesMonth(b.text, date.month()) && isYear(z, date, today), context);
    } else if (!a.number) { // May-style: maggio 7 1983, where the month comes first
        FUZZ_CHECK(c.order == Order::MonthDayYear && z.number, context);
        FUZZ_CHECK(namesMonth(a.text, date.month()) && isSmallNumber(b, date.day()) && isYear(z, date, today), context);
    } else {
        FUZZ_CHECK(z.number, context);
        if (a.text.size() == 4 || c.order == Order::YearMonthDay)
            FUZZ_CHECK(isYear(a, date, today) && isSmallNumber(b, date.month()) && isSmallNumber(z, date.day()),
                       context);
        else if (c.order == Order::MonthDayYear)
            FUZZ_CHECK(isSmallNumber(a, date.month()) && isSmallNumber(b, date.day()) && isYear(z, date, today),
                       context);
        else
            FUZZ_CHECK(isSmallNumber(a, date.day()) && isSmallNumber(b, date.month()) && isYear(z, date, today),
                       context);
    }
    return 0;
}
