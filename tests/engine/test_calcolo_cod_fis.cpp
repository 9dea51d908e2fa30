#include "CalcoloCodFis.h"

#include <QRegularExpression>
#include <QTest>

class TestCalcoloCodFis : public QObject {
    Q_OBJECT

    static QString code(const QString& surname, const QString& name, QDate born = QDate(1983, 5, 7),
                        const QString& sex = QStringLiteral("M"), const QString& place = QStringLiteral("H123"))
    {
        return CalcoloCodFis(surname, name, born, sex, place);
    }

    // The check letter from the values the revenue agency publishes, written
    // apart from the engine's tables: odd positions by these lists, even ones
    // by the digit's value or the letter's place in the alphabet.
    static QChar publishedCheckLetter(QStringView code)
    {
        static const int oddDigit[] = {1, 0, 5, 7, 9, 13, 15, 17, 19, 21};
        static const int oddLetter[] = {1,  0,  5, 7, 9, 13, 15, 17, 19, 21, 2,  4,  18,
                                        20, 11, 3, 6, 8, 12, 14, 16, 10, 22, 25, 24, 23};
        int sum = 0;
        for (int i = 0; i < 15; ++i) {
            const bool digit = code[i].isDigit();
            const int n = digit ? code[i].unicode() - u'0' : code[i].unicode() - u'A';
            sum += i % 2 == 1 ? n : (digit ? oddDigit[n] : oddLetter[n]);
        }
        return QChar(u'A' + sum % 26);
    }

private slots:
    void workedExamples_data()
    {
        QTest::addColumn<QString>("surname");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QDate>("born");
        QTest::addColumn<QString>("sex");
        QTest::addColumn<QString>("place");
        QTest::addColumn<QString>("expected");
        QTest::newRow("Rossetti") << "Rossetti"
                                  << "Marta" << QDate(1983, 5, 7) << "F"
                                  << "H123"
                                  << "RSSMRT83E47H123P";
        QTest::newRow("De Luca") << "De Luca"
                                 << "Gianfranco" << QDate(1975, 11, 23) << "M"
                                 << "H123"
                                 << "DLCGFR75S23H123O";
        QTest::newRow("Fo") << "Fo"
                            << "Al" << QDate(2001, 1, 2) << "M"
                            << "A001"
                            << "FOXLAX01A02A001S";
        QTest::newRow("D'Amico") << "D'Amico"
                                 << "Anna" << QDate(1990, 12, 31) << "f"
                                 << "Z404"
                                 << "DMCNNA90T71Z404M";
        // Place codes outside the tables and of other lengths still give a code.
        QTest::newRow("empty place") << "Rossetti"
                                     << "Marta" << QDate(1983, 5, 7) << "F"
                                     << ""
                                     << "RSSMRT83E47Z";
        QTest::newRow("unknown place") << "Rossetti"
                                       << "Marta" << QDate(1983, 5, 7) << "F"
                                       << "?"
                                       << "RSSMRT83E47?C";
        QTest::newRow("lower-case place") << "Rossetti"
                                          << "Marta" << QDate(1983, 5, 7) << "F"
                                          << "h123"
                                          << "RSSMRT83E47h123L";
        QTest::newRow("ligature and caron")
            << QString::fromUtf8("Fæo") << QString::fromUtf8("Renež") << QDate(1975, 3, 22) << "M"
            << "H501"
            << "FAERNZ75C22H501I";
        QTest::newRow("long place") << "Rossetti"
                                    << "Marta" << QDate(1983, 5, 7) << "F"
                                    << "H1234"
                                    << "RSSMRT83E47H1234P";
        // Between them these put every letter and digit at an odd and at an
        // even position, so each value of both check tables counts somewhere.
        // clang-format off
        QTest::newRow("Ferri") << "Ferri" << "Lorenzo" << QDate(2010, 8, 6) << "F" << "E470" << "FRRLNZ10M46E470W";
        QTest::newRow("Costa") << "Costa" << "Ugo" << QDate(1955, 7, 28) << "M" << "I793" << "CSTGUO55L28I793B";
        QTest::newRow("Yu") << "Yu" << "Eva" << QDate(1991, 9, 14) << "F" << "C782" << "YUXVEA91P54C782O";
        QTest::newRow("Gentile") << "Gentile" << "Youssef" << QDate(1993, 1, 18) << "M" << "M466" << "GNTYSF93A18M466O";
        QTest::newRow("Zuo") << "Zuo" << "Jacopo" << QDate(1958, 6, 12) << "F" << "B989" << "ZUOJCP58H52B989A";
        QTest::newRow("Kwok") << "Kwok" << "Kevin" << QDate(1996, 2, 5) << "M" << "H276" << "KWKKVN96B05H276D";
        QTest::newRow("Quaranta") << "Quaranta" << "Quirino" << QDate(2022, 4, 27) << "F" << "D691" << "QRNQRN22D67D691O";
        QTest::newRow("Fiore") << "Fiore" << "Felix" << QDate(1987, 2, 22) << "F" << "M474" << "FRIFLX87B62M474Z";
        QTest::newRow("Weber") << "Weber" << "Ottavio" << QDate(2011, 4, 28) << "M" << "A725" << "WBRTTV11D28A725Q";
        QTest::newRow("Jovanovic") << "Jovanovic" << "Ilaria" << QDate(1969, 4, 12) << "F" << "I070" << "JVNLRI69D52I070R";
        // clang-format on
    }
    void workedExamples()
    {
        QFETCH(QString, surname);
        QFETCH(QString, name);
        QFETCH(QDate, born);
        QFETCH(QString, sex);
        QFETCH(QString, place);
        QFETCH(QString, expected);
        QCOMPARE(CalcoloCodFis(surname, name, born, sex, place), expected);
        if (QRegularExpression(QStringLiteral("^[0-9A-Z]{16}$")).match(expected).hasMatch())
            QCOMPARE(publishedCheckLetter(expected), expected.back());
    }

    void surnameLetters_data()
    {
        QTest::addColumn<QString>("surname");
        QTest::addColumn<QString>("letters");
        QTest::newRow("vowels then X") << "Fo"
                                       << "FOX";
        QTest::newRow("blanks only") << "   "
                                     << "XXX";
        QTest::newRow("apostrophes only") << "''"
                                          << "XXX";
        QTest::newRow("empty") << ""
                               << "XXX";
        QTest::newRow("stops at third consonant") << "Rossetti"
                                                  << "RSS";
        QTest::newRow("lower case") << "rossetti"
                                    << "RSS";
        QTest::newRow("blank skipped") << "De Luca"
                                       << "DLC";
        QTest::newRow("Y is a consonant") << "Yu"
                                          << "YUX";
        QTest::newRow("digits and hyphen skipped") << "O-1a"
                                                   << "OAX";
        // Accented capitals count as their plain letter.
        QTest::newRow("grave e") << QString::fromUtf8("Pè") << "PEX";
        QTest::newRow("cedilla") << QString::fromUtf8("Çelik") << "CLK";
        QTest::newRow("caron") << QString::fromUtf8("Šuč") << "SCU";
        QTest::newRow("tilde n") << QString::fromUtf8("Ñu") << "NUX";
        QTest::newRow("stacked marks") << QString::fromUtf8("Ǻ") << "AXX";
        // No decomposition, but the registry spells them with plain letters.
        QTest::newRow("ae ligature") << QString::fromUtf8("Fæo") << "FAE";
        QTest::newRow("AE ligature first consonant") << QString::fromUtf8("Æbl") << "BLA";
        QTest::newRow("oe ligature") << QString::fromUtf8("Œuf") << "FOE";
        QTest::newRow("sharp s") << QString::fromUtf8("Weiß") << "WSS";
        QTest::newRow("capital sharp s") << QString::fromUtf8("WEIẞ") << "WSS";
        QTest::newRow("slashed o") << QString::fromUtf8("Øl") << "LOX";
        // Typed with an East Asian input method: full-width and half-width
        // forms are the plain letters.
        QTest::newRow("full-width") << QString::fromUtf8("ＲＯＳＳＩ") << "RSS";
        QTest::newRow("full-width small") << QString::fromUtf8("ｒｏｓｓｉ") << "RSS";
        QTest::newRow("stroked l and d") << QString::fromUtf8("łuđa") << "LDU";
        QTest::newRow("capital stroked l and d") << QString::fromUtf8("ŁUĐA") << "LDU";
        // No plain letter underneath: skipped.
        QTest::newRow("greek") << QString::fromUtf8("Ωmega") << "MGE";
    }
    void surnameLetters()
    {
        QFETCH(QString, surname);
        QFETCH(QString, letters);
        QCOMPARE(code(surname, QStringLiteral("Marta")).left(3), letters);
    }

    void nameLetters_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("letters");
        QTest::newRow("four consonants drop the second") << "Gianfranco"
                                                         << "GFR";
        QTest::newRow("three consonants") << "Marco"
                                          << "MRC";
        QTest::newRow("two consonants and vowels") << "Anna"
                                                   << "NNA";
        QTest::newRow("J is a consonant") << "Jo"
                                          << "JOX";
        QTest::newRow("vowels only") << "Ia"
                                     << "IAX";
        QTest::newRow("nothing") << "--"
                                 << "XXX";
        QTest::newRow("accented vowel") << QString::fromUtf8("Giò") << "GIO";
        QTest::newRow("two names") << "Maria Grazia"
                                   << "MGR";
    }
    void nameLetters()
    {
        QFETCH(QString, name);
        QFETCH(QString, letters);
        QCOMPARE(code(QStringLiteral("Rossi"), name).mid(3, 3), letters);
    }

    void dateAndSex()
    {
        const auto part = [](QDate born, const QString& sex) { return code("Rossi", "Mario", born, sex).mid(6, 5); };
        QCOMPARE(part(QDate(2000, 6, 7), "M"), QStringLiteral("00H07"));
        QCOMPARE(part(QDate(1905, 7, 31), "M"), QStringLiteral("05L31"));
        QCOMPARE(part(QDate(1983, 5, 7), "F"), QStringLiteral("83E47"));
        QCOMPARE(part(QDate(1983, 5, 31), "f"), QStringLiteral("83E71"));
        // Only "F" in either case is female.
        QCOMPARE(part(QDate(1983, 5, 7), "F "), QStringLiteral("83E07"));
        QCOMPARE(part(QDate(1983, 5, 7), ""), QStringLiteral("83E07"));
        QCOMPARE(part(QDate(1983, 5, 7), "FF"), QStringLiteral("83E07"));
        const QString months = QStringLiteral("ABCDEHLMPRST");
        for (int m = 1; m <= 12; ++m)
            QCOMPARE(part(QDate(1983, m, 1), "M").at(2), months.at(m - 1));
    }

    void inputsAreNotChanged()
    {
        const QString surname = QStringLiteral("rossi");
        const QString name = QStringLiteral("mario");
        CalcoloCodFis(surname, name, QDate(1980, 1, 1), QStringLiteral("m"), QStringLiteral("h501"));
        QCOMPARE(surname, QStringLiteral("rossi"));
        QCOMPARE(name, QStringLiteral("mario"));
    }

    void longInputs()
    {
        // Far beyond a 16-bit count; the result must still be right.
        const QString vowels(1 << 20, u'a');
        QCOMPARE(code(vowels + QStringLiteral("rst"), vowels + QStringLiteral("bcdf"), QDate(1983, 5, 7), "F", "H123"),
                 CalcoloCodFis("rst", "bcdf", QDate(1983, 5, 7), "F", "H123"));
        QCOMPARE(code(vowels, vowels).left(6), QStringLiteral("AAAAAA"));
    }
};

QTEST_GUILESS_MAIN(TestCalcoloCodFis)
#include "test_calcolo_cod_fis.moc"
