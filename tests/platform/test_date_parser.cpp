#include "DateParser.h"

#include <QTest>

using platform::parseBirthDate;
using platform::parseDate;

namespace {
const QDate kToday(2026, 12, 7);
const QLocale kItalian(QLocale::Italian, QLocale::Italy);
const QLocale kAmerican(QLocale::English, QLocale::UnitedStates);
const QLocale kBritish(QLocale::English, QLocale::UnitedKingdom);
const QLocale kPosix = QLocale::c();
} // namespace

class TestDateParser : public QObject {
    Q_OBJECT

    static void addColumns()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("expected"); // invalid: not a date
    }
    static void check(const QLocale& locale)
    {
        QFETCH(QString, text);
        QFETCH(QDate, expected);
        const auto parsed = parseDate(text, locale, kToday);
        if (!expected.isValid()) {
            QVERIFY2(!parsed, qPrintable(QStringLiteral("accepted as %1").arg(parsed->toString(Qt::ISODate))));
        } else {
            QVERIFY(parsed.has_value());
            QCOMPARE(*parsed, expected);
        }
    }

    // Forms every locale reads the same way, and texts no locale accepts.
    static void commonRows()
    {
        QTest::newRow("iso") << "1983-05-07" << QDate(1983, 5, 7);
        QTest::newRow("iso blanks around") << "  1983-05-07 " << QDate(1983, 5, 7);
        QTest::newRow("month name") << "7 maggio 1983" << QDate(1983, 5, 7);
        QTest::newRow("month abbreviation") << "7-mag-1983" << QDate(1983, 5, 7);
        QTest::newRow("month name upper case") << "7 DICEMBRE 2001" << QDate(2001, 12, 7);
        QTest::newRow("month name mixed case") << "31/Gen/83" << QDate(1983, 1, 31);
        QTest::newRow("empty") << "" << QDate();
        QTest::newRow("blanks") << "   " << QDate();
        QTest::newRow("words") << "abc" << QDate();
        QTest::newRow("no year") << "7/5" << QDate();
        QTest::newRow("extra text") << "7/5/1983 ore 10" << QDate();
        QTest::newRow("extra number") << "7/5/1983/1" << QDate();
        QTest::newRow("trailing separator") << "7/5/1983/" << QDate();
        QTest::newRow("double separator") << "7//5/1983" << QDate();
        QTest::newRow("three-digit year") << "7/5/983" << QDate();
        QTest::newRow("five-digit year") << "7/5/19830" << QDate();
        QTest::newRow("year zero") << "7/5/0000" << QDate();
        QTest::newRow("day zero") << "0/5/1983" << QDate();
        QTest::newRow("unknown month name") << "7 mai 1983" << QDate();
        QTest::newRow("not Latin digits") << QString::fromUtf8("٧/٥/١٩٨٣") << QDate();
        QTest::newRow("comma") << "7,5,1983" << QDate();
        QTest::newRow("huge number") << "7/5/99999999999999999999" << QDate();
        QTest::newRow("impossible iso") << "1990-02-30" << QDate();
        QTest::newRow("iso no day") << "1990-02" << QDate();
        QTest::newRow("run together, seven digits") << "7051983" << QDate();
        QTest::newRow("run together, nine digits") << "070519830" << QDate();
        QTest::newRow("run together, then a separator") << "0705/1983" << QDate();
    }

private slots:
    void italian_data()
    {
        addColumns();
        commonRows();
        QTest::newRow("slashes") << "07/05/1983" << QDate(1983, 5, 7);
        QTest::newRow("single digits") << "7/5/1983" << QDate(1983, 5, 7);
        QTest::newRow("hyphens") << "7-5-1983" << QDate(1983, 5, 7);
        QTest::newRow("dots") << "7.5.1983" << QDate(1983, 5, 7);
        QTest::newRow("blanks") << "7 5 1983" << QDate(1983, 5, 7);
        QTest::newRow("blanks around separators") << "7 / 5 / 1983" << QDate(1983, 5, 7);
        QTest::newRow("two-digit year past") << "7/5/83" << QDate(1983, 5, 7);
        QTest::newRow("two-digit year this century") << "7/5/05" << QDate(2005, 5, 7);
        QTest::newRow("two-digit year is this year") << "7/5/26" << QDate(2026, 5, 7);
        QTest::newRow("two-digit year never in the future") << "7/5/27" << QDate(1927, 5, 7);
        QTest::newRow("leap day") << "29/02/2024" << QDate(2024, 2, 29);
        QTest::newRow("no 31 April") << "31/04/1990" << QDate();
        QTest::newRow("no leap day") << "29/02/2023" << QDate();
        QTest::newRow("month 13") << "1/13/1990" << QDate();
        QTest::newRow("american order refused") << "12/31/1990" << QDate();
        QTest::newRow("run together") << "07051983" << QDate(1983, 5, 7);
        QTest::newRow("run together, short year") << "070583" << QDate(1983, 5, 7);
        QTest::newRow("run together, no 31 April") << "31041990" << QDate();
        QTest::newRow("run together, month first refused") << "12311990" << QDate();
        QTest::newRow("run together, year first refused") << "19830507" << QDate();
    }
    void italian() { check(kItalian); }

    void posix_data()
    {
        addColumns();
        commonRows();
        QTest::newRow("day first") << "07/05/1983" << QDate(1983, 5, 7);
        QTest::newRow("two-digit year") << "7.5.83" << QDate(1983, 5, 7);
    }
    void posix() { check(kPosix); }

    void american_data()
    {
        addColumns();
        commonRows();
        QTest::newRow("month first") << "05/07/1983" << QDate(1983, 5, 7);
        QTest::newRow("month first, day 31") << "12/31/1990" << QDate(1990, 12, 31);
        QTest::newRow("day first refused") << "31/12/1990" << QDate();
        QTest::newRow("month name first") << "maggio 7 1983" << QDate(1983, 5, 7);
        QTest::newRow("two-digit year") << "5-7-83" << QDate(1983, 5, 7);
        QTest::newRow("run together") << "05071983" << QDate(1983, 5, 7);
        QTest::newRow("run together, short year") << "050783" << QDate(1983, 5, 7);
        QTest::newRow("run together, day 31") << "12311990" << QDate(1990, 12, 31);
        QTest::newRow("run together, day first refused") << "31121990" << QDate();
    }
    void american() { check(kAmerican); }

    // A birth date is a date that is neither after today nor before 1800,
    // whatever form it was typed in.
    void birthDate_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("expected"); // invalid: refused
        // clang-format off
        QTest::newRow("it: run together") << kItalian << "07051983" << QDate(1983, 5, 7);
        QTest::newRow("it: born today") << kItalian << "7/12/2026" << kToday;
        QTest::newRow("it: tomorrow") << kItalian << "8/12/2026" << QDate();
        QTest::newRow("it: far future") << kItalian << "31/12/2099" << QDate();
        QTest::newRow("it: first day of 1800") << kItalian << "1/1/1800" << QDate(1800, 1, 1);
        QTest::newRow("it: last day of 1799") << kItalian << "31/12/1799" << QDate();
        QTest::newRow("it: year 83 typed in four digits") << kItalian << "07/05/0083" << QDate();
        QTest::newRow("it: two-digit year, today") << kItalian << "7/12/26" << kToday;
        QTest::newRow("it: two-digit year, earlier this year") << kItalian << "070526" << QDate(2026, 5, 7);
        // Tomorrow cannot be meant: the latest such date not after today is a century back.
        QTest::newRow("it: two-digit year, later this year") << kItalian << "8/12/26" << QDate(1926, 12, 8);
        QTest::newRow("us: run together") << kAmerican << "12311990" << QDate(1990, 12, 31);
        QTest::newRow("us: born today") << kAmerican << "12/07/2026" << kToday;
        QTest::newRow("us: tomorrow") << kAmerican << "12/08/2026" << QDate();
        QTest::newRow("us: before 1800") << kAmerican << "12311799" << QDate();
        // One language, two orders, one after the other (the rows run in this order).
        QTest::newRow("us: month first") << kAmerican << "3/4/1990" << QDate(1990, 3, 4);
        QTest::newRow("gb, right after: day first") << kBritish << "3/4/1990" << QDate(1990, 4, 3);
        // clang-format on
    }
    void birthDate()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, text);
        QFETCH(QDate, expected);
        const auto born = parseBirthDate(text, locale, kToday);
        QCOMPARE(born.value_or(QDate()), expected);
    }

    void monthNamesAllKnown()
    {
        const QStringList names{"gennaio", "febbraio", "marzo",     "aprile",  "maggio",   "giugno",
                                "luglio",  "agosto",   "settembre", "ottobre", "novembre", "dicembre"};
        for (int m = 1; m <= 12; ++m) {
            QCOMPARE(parseDate(QStringLiteral("1 %1 2000").arg(names[m - 1]), kItalian, kToday), QDate(2000, m, 1));
            QCOMPARE(parseDate(QStringLiteral("1 %1 2000").arg(names[m - 1].left(3)), kItalian, kToday),
                     QDate(2000, m, 1));
        }
    }
};

QTEST_GUILESS_MAIN(TestDateParser)
#include "test_date_parser.moc"
