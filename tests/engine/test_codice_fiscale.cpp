#include "CalcoloCodFis.h"
#include "CodiceFiscale.h"

#include <QTest>

using namespace codfis;

namespace {
const QDate kToday(2026, 12, 7);
const QString kRossetti = QStringLiteral("RSSMRT83E47H123P"); // Rossetti Marta, F, 7/5/1983, H123

QString withCheck(const QString& first15) { return first15 + CarattereControllo(first15); }
QString rossi(QDate born) { return CalcoloCodFis("Rossi", "Mario", born, "M", "H501"); }

// Sex, birth date ("+" when the century before is possible too), place,
// homonym positions and number of notes, on one line.
QString summary(const Decoded& d)
{
    QStringList positions;
    for (const int p : d.homonymPositions())
        positions << QString::number(p);
    return QString(d.sex) + u' ' + d.birthDate.toString(Qt::ISODate) + (d.alsoEarlierCentury ? "+ " : " ") + d.placeCode
           + " [" + positions.join(u' ') + "] " + QString::number(d.notes.size());
}
} // namespace

class TestCodiceFiscale : public QObject {
    Q_OBJECT

private slots:
    void decodeValid_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QString>("plain");
        QTest::addColumn<QString>("summary");
        // An empty plain code means the input itself.
        const auto row = [](const char* tag, const QString& input, const char* summary, QString plain = {},
                            QDate today = kToday) {
            QTest::newRow(tag) << input << today << (plain.isEmpty() ? input : plain) << QString(summary);
        };
        row("woman", kRossetti, "F 1983-05-07+ H123 [] 0");
        row("man", "DLCGFR75S23H123O", "M 1975-11-23+ H123 [] 0");
        row("ligature", "FAERNZ75C22H501I", "M 1975-03-22+ H501 [] 0");
        row("woman's last day", "DMCNNA90T71Z404M", "F 1990-12-31+ Z404 [] 0");
        row("small letters, blanks", " \trssmrt83e47h123p\n", "F 1983-05-07+ H123 [] 1", kRossetti);
        row("letter out of agency order", withCheck("RSSMRTU3E47H123"), "F 1983-05-07+ H123 [7] 1", kRossetti);
        // Two year digits: the latest date not after today.
        row("today", rossi(kToday), "M 2026-12-07+ H501 [] 0");
        row("day after today", rossi(QDate(2026, 12, 8)), "M 1926-12-08+ H501 [] 0");
        row("29 February 2000", rossi(QDate(2000, 2, 29)), "M 2000-02-29 H501 [] 0");
        row("29 February 1904", rossi(QDate(1904, 2, 29)), "M 2004-02-29+ H501 [] 0");
        row("1800 still earlier", rossi(QDate(1900, 6, 1)), "M 1900-06-01+ H501 [] 0", {}, QDate(1905, 1, 1));
        row("1699 too early", rossi(QDate(1799, 3, 1)), "M 1799-03-01 H501 [] 0", {}, QDate(1850, 6, 1));
    }
    void decodeValid()
    {
        QFETCH(QString, input);
        QFETCH(QDate, today);
        const Decoded d = decode(input, today);
        QCOMPARE(d.reason, QStringLiteral("Codice valido."));
        QCOMPARE(d.verdict, Verdict::Valid);
        QTEST(d.plainCode, "plain");
        QCOMPARE(d.surnameLetters + d.nameLetters, d.plainCode.left(6));
        QTEST(summary(d), "summary");
    }

    void badInput_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<Verdict>("verdict");
        QTest::addColumn<QString>("reason");
        const auto row = [](const char* tag, const QString& input, const QString& reason,
                            Verdict verdict = Verdict::Malformed) { QTest::newRow(tag) << input << verdict << reason; };
        const QString invalidAt = QStringLiteral("Carattere non valido in posizione %1: %2.");
        const QString dayRange =
            QStringLiteral("Giorno non valido: %1 non è tra 01 e 31 (uomini) né tra 41 e 71 (donne).");
        row("empty", "", "Codice vuoto.");
        row("blanks only", " \t\u00a0", "Codice vuoto.");
        row("inner blank", "RSSMRT 83E47H123P", "Contiene spazi: il primo in posizione 7.");
        row("inner no-break space", "RSS\u00a0MRT83E47H123P", "Contiene spazi: il primo in posizione 4.");
        row("NUL", QString::fromUtf16(u"RSSMRT83\0E47H123P", 17), invalidAt.arg(9).arg("U+0000"));
        row("accented capital", "RSSMRT83È47H123P", invalidAt.arg(9).arg("«È»"));
        row("emoji is one character", "RS😀SMRT83E47H123P", invalidAt.arg(3).arg("«😀»"));
        row("lone surrogate", QStringLiteral("RS") + QChar(0xd800), invalidAt.arg(3).arg("U+D800"));
        row("combining mark", "RS\u0301", invalidAt.arg(3).arg("U+0301"));
        row("trailing dot", kRossetti + ".", invalidAt.arg(17).arg("«.»"));
        row("15 characters", kRossetti.left(15), "Lunghezza errata: 15 caratteri invece di 16.");
        row("1 character", "r", "Lunghezza errata: 1 carattere invece di 16.");
        row("one megabyte", QString(1 << 20, u'A'), "Lunghezza errata: 1048576 caratteri invece di 16.");
        row("digit in surname", "R5SMRT83E47H123P", "Posizione 2: ci va una lettera, non la cifra 5.");
        row("digit for month", "RSSMRT83147H123P", "Posizione 9: ci va una lettera, non la cifra 1.");
        row("digit for place letter", "RSSMRT83E470123P", "Posizione 12: ci va una lettera, non la cifra 0.");
        row("non-homonym letter in year", "RSSMRTA3E47H123P",
            "Posizione 7: ci va una cifra o una lettera di omocodia (L, M, N, P, Q, R, S, T, U, V), non la lettera A.");
        row("month F", "RSSMRT83F47H123P", "Mese non valido: la lettera F non indica alcun mese.");
        row("day 00", "RSSMRT83E00H123P", dayRange.arg("00"));
        row("day 35", "RSSMRT83E35H123P", dayRange.arg("35"));
        row("day 40 in homonym letters", "RSSMRT83EQLH123P", dayRange.arg("40"));
        row("31 April", "RSSMRT83D31H123P", "Giorno non valido: il 31 aprile non esiste.");
        row("31 April, woman", "RSSMRT83D71H123P", "Giorno non valido: il 31 aprile non esiste.");
        row("30 February", "RSSMRT00B30H123P", "Giorno non valido: il 30 febbraio non esiste.");
        row("29 February 75", "RSSMRT75B29H123P",
            "Giorno non valido: il 29 febbraio non esiste negli anni che finiscono per 75.");
        row("wrong check", "RSSMRT83E47H123A", "Carattere di controllo errato: dovrebbe essere P.",
            Verdict::WrongCheckLetter);
    }
    void badInput()
    {
        QFETCH(QString, input);
        const Decoded d = decode(input, kToday);
        QTEST(d.reason, "reason");
        QTEST(d.verdict, "verdict");
        if (d.verdict == Verdict::Malformed)
            QVERIFY(d.plainCode.isEmpty() && d.homonymMask == 0 && !d.birthDate.isValid());
        else
            QCOMPARE(d.plainCode, kRossetti);
    }

    void homonymLevels_data()
    {
        QTest::addColumn<QString>("plain");
        QTest::addColumn<QString>("allLetters"); // first 15 characters, every digit replaced
        QTest::newRow("Rossetti") << kRossetti << "RSSMRTUPEQTHMNP";
        QTest::newRow("ligature") << QStringLiteral("FAERNZ75C22H501I") << "FAERNZTRCNNHRLM";
        QTest::newRow("digits 6 and 9") << rossi(QDate(1969, 6, 9)) << "RSSMRASVHLVHRLM";
    }
    void homonymLevels()
    {
        QFETCH(QString, plain);
        QFETCH(QString, allLetters);
        const QStringList forms = homonymForms(plain);
        QCOMPARE(forms.size(), 7);
        const QList<int> order{15, 14, 13, 11, 10, 8, 7};
        QString expected = plain.left(15);
        for (int level = 1; level <= 7; ++level) {
            const QString& form = forms[level - 1];
            const int position = order[level - 1];
            expected[position - 1] = allLetters[position - 1];
            QCOMPARE(form, withCheck(expected));
            const Decoded d = decode(form, kToday);
            QCOMPARE(d.verdict, Verdict::Valid);
            QCOMPARE(d.plainCode, plain);
            QCOMPARE(d.homonymCount(), level);
            QCOMPARE(d.homonymPositions().first(), position);
            QVERIFY(d.notes.isEmpty());
            QCOMPARE(homonymForms(form.toLower()), forms);
        }
        QVERIFY(homonymForms(plain.left(15) + u'A').isEmpty());
    }

    void fitsPerson_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QStringList>("person"); // surname, name, sex, place
        QTest::addColumn<QDate>("born");
        QTest::addColumn<bool>("fits");
        QTest::addColumn<int>("differing");
        QTest::addColumn<QString>("reason"); // checked when given
        const QStringList forms = homonymForms(kRossetti);
        const QStringList marta{"Rossetti", "Marta", "F", "H123"};
        const auto row = [](const char* tag, const QString& code, const QStringList& person, QDate born, bool fits,
                            Fields differing, const QString& reason = {}) {
            QTest::newRow(tag) << code << person << born << fits << differing.toInt() << reason;
        };
        const QDate born(1983, 5, 7);
        const QString mismatch = QStringLiteral("Il codice non corrisponde: %1.");
        row("exact", kRossetti, marta, born, true, {}, "Il codice corrisponde alla persona.");
        row("small letters, blanks", " rssmrt83e47h123p ", {"ROSSETTI", "marta", "f", " h123"}, born, true, {});
        row("other century", kRossetti, marta, QDate(2083, 5, 7), true, {});
        row("homonym, one digit", forms[0], marta, born, true, {});
        row("homonym, three digits", forms[2], marta, born, true, {},
            "Il codice corrisponde alla persona. È una forma di omocodia (3 cifre sostituite da lettere).");
        row("surname", kRossetti, {"Bianchi", "Marta", "F", "H123"}, born, false, Field::Surname,
            mismatch.arg("lettere del cognome (nel codice RSS, per la persona BNC)"));
        row("name", forms[6], {"Rossetti", "Maria", "F", "H123"}, born, false, Field::Name);
        row("day", kRossetti, marta, QDate(1983, 5, 8), false, Field::Date,
            mismatch.arg("data di nascita (nel codice 07/05/83, per la persona 08/05/83)"));
        row("no date", kRossetti, marta, QDate(), false, Field::Date);
        row("sex", forms[3], {"Rossetti", "Marta", "M", "H123"}, born, false, Field::Sex,
            mismatch.arg("sesso (nel codice F, per la persona M)"));
        row("place", forms[6], {"Rossetti", "Marta", "F", "H501"}, born, false, Field::Place,
            mismatch.arg("luogo di nascita (nel codice H123, per la persona H501)"));
        row("check letter", "RSSMRT83E47H123A", marta, born, false, Field::CheckLetter);
        row("name and year", kRossetti, {"Rossetti", "Maria", "F", "H123"}, QDate(1984, 5, 7), false,
            Field::Name | Field::Date);
        row("unreadable", "RSSMRT", marta, born, false, {},
            "Codice non leggibile. Lunghezza errata: 6 caratteri invece di 16.");
    }
    void fitsPerson()
    {
        QFETCH(QString, code);
        QFETCH(QStringList, person);
        QFETCH(QDate, born);
        QFETCH(QString, reason);
        const Fit fit = codfis::fitsPerson(code, person[0], person[1], born, person[2], person[3]);
        QTEST(fit.differing.toInt(), "differing");
        QTEST(fit.fits, "fits");
        if (!reason.isEmpty())
            QCOMPARE(fit.reason, reason);
    }
};

QTEST_GUILESS_MAIN(TestCodiceFiscale)
#include "test_codice_fiscale.moc"
