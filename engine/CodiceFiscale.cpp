#include "CodiceFiscale.h"

#include "CalcoloCodFis.h"
#include "DateParser.h"

#include <array>

namespace codfis {
namespace {

constexpr qsizetype kLength = 16;
// 0-based indexes of the positions that hold digits (7, 8, 10, 11, 13, 14, 15).
constexpr std::array<qsizetype, 7> kDigitIndexes{6, 7, 9, 10, 12, 13, 14};

bool isLetter(QChar c) { return c >= u'A' && c <= u'Z'; }
bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// Index into kDigitIndexes, or -1 for a letter position.
int digitSlot(qsizetype index)
{
    for (size_t k = 0; k < kDigitIndexes.size(); ++k)
        if (kDigitIndexes[k] == index)
            return int(k);
    return -1;
}

// How a bad character is shown: as itself when it can be seen, else by number.
QString shown(char32_t c)
{
    if (QChar::isPrint(c) && !QChar::isMark(c))
        return QStringLiteral("«%1»").arg(QString::fromUcs4(&c, 1));
    return QStringLiteral("U+%1").arg(uint(c), 4, 16, QLatin1Char('0')).toUpper();
}

// The number the two digits at `i` and `i + 1` make (both known to be digits).
int numberAt(QStringView text, qsizetype i)
{
    return (text[i].unicode() - u'0') * 10 + (text[i + 1].unicode() - u'0');
}

QString twoDigits(int n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); }

QString counted(qsizetype n, const char* one, const char* many)
{
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

// Trimmed text to capitals and digits, or the reason it cannot be. Positions
// count characters as the user sees them, not UTF-16 units.
bool readCharacters(QStringView text, Decoded& d)
{
    text = text.trimmed();
    if (text.isEmpty()) {
        d.reason = QStringLiteral("Codice vuoto.");
        return false;
    }
    d.code.reserve(std::min<qsizetype>(text.size(), 64));
    qsizetype position = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        ++position;
        char32_t c = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        if (c >= u'a' && c <= u'z') {
            d.lowerCase = true;
            c -= u'a' - u'A';
        }
        if ((c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9')) {
            d.code.append(QChar(char16_t(c)));
            continue;
        }
        if (QChar::isSpace(c))
            d.reason = QStringLiteral("Contiene spazi: il primo in posizione %1.").arg(position);
        else
            d.reason = QStringLiteral("Carattere non valido in posizione %1: %2.").arg(position).arg(shown(c));
        return false;
    }
    return true;
}

// Positions, month and day; fills the fields. False with a reason when the
// code cannot be read.
bool readStructure(Decoded& d)
{
    const QString& code = d.code;
    if (code.size() != kLength) {
        d.reason =
            QStringLiteral("Lunghezza errata: %1 invece di 16.").arg(counted(code.size(), "carattere", "caratteri"));
        return false;
    }
    QString plain = code;
    quint8 mask = 0;
    for (qsizetype i = 0; i < kLength; ++i) {
        const QChar c = code[i];
        const int slot = digitSlot(i);
        if (slot < 0) {
            if (!isLetter(c)) {
                d.reason = QStringLiteral("Posizione %1: ci va una lettera, non la cifra %2.").arg(i + 1).arg(c);
                return false;
            }
        } else if (!isDigit(c)) {
            const qsizetype digit = kHomonymLetters.indexOf(c);
            if (digit < 0) {
                d.reason = QStringLiteral("Posizione %1: ci va una cifra o una lettera di omocodia "
                                          "(L, M, N, P, Q, R, S, T, U, V), non la lettera %2.")
                               .arg(i + 1)
                               .arg(c);
                return false;
            }
            mask |= quint8(1u << slot);
            plain[i] = QChar(char16_t(u'0' + digit));
        }
    }

    const int month = int(QStringView(LettereMesi).indexOf(code[8])) + 1;
    if (month == 0) {
        d.reason = QStringLiteral("Mese non valido: la lettera %1 non indica alcun mese.").arg(code[8]);
        return false;
    }
    const int dayNumber = numberAt(plain, 9);
    if (dayNumber < 1 || dayNumber > 71 || (dayNumber > 31 && dayNumber < 41)) {
        d.reason = QStringLiteral("Giorno non valido: %1 non è tra 01 e 31 (uomini) né tra 41 e 71 (donne).")
                       .arg(twoDigits(dayNumber));
        return false;
    }
    const bool female = dayNumber > 40;
    const int day = female ? dayNumber - 40 : dayNumber;
    const int yearDigits = numberAt(plain, 6);
    // Every year ending in digits divisible by 4 is a leap year in some
    // century (2000 for 00), so 29 February is judged on the digits alone.
    const int daysInMonth = month == 2 ? (yearDigits % 4 == 0 ? 29 : 28) : QDate(2001, month, 1).daysInMonth();
    if (day > daysInMonth) {
        if (month == 2 && day == 29)
            d.reason = QStringLiteral("Giorno non valido: il 29 febbraio non esiste negli anni che finiscono per %1.")
                           .arg(twoDigits(yearDigits));
        else
            d.reason = QStringLiteral("Giorno non valido: il %1 %2 non esiste.")
                           .arg(day)
                           .arg(platform::italianMonthName(month));
        return false;
    }

    d.homonymMask = mask;
    d.surnameLetters = code.left(3);
    d.nameLetters = code.mid(3, 3);
    d.sex = female ? u'F' : u'M';
    d.placeCode = plain.mid(11, 4);
    d.checkLetter = code[15];
    d.expectedCheckLetter = CarattereControllo(code);
    plain[15] = CarattereControllo(plain);
    d.plainCode = plain;
    return true;
}

// Everything but the birth date, which needs today's date.
Decoded read(QStringView text)
{
    Decoded d;
    if (readCharacters(text, d) && readStructure(d)) {
        if (d.checkLetter == d.expectedCheckLetter) {
            d.verdict = Verdict::Valid;
            d.reason = QStringLiteral("Codice valido.");
        } else {
            d.verdict = Verdict::WrongCheckLetter;
            d.reason = QStringLiteral("Carattere di controllo errato: dovrebbe essere %1.").arg(d.expectedCheckLetter);
        }
        // The agency replaces digits from the rightmost one leftwards, so its
        // forms set the highest bits first.
        const int count = d.homonymCount();
        if (d.homonymMask != ((0x7f << (7 - count)) & 0x7f))
            d.notes << QStringLiteral("Le lettere di omocodia non seguono l'ordine dell'Agenzia delle Entrate "
                                      "(dalla cifra più a destra): controllare il codice.");
    }
    if (d.lowerCase)
        d.notes << QStringLiteral("Scritto in minuscolo: letto come se fosse in maiuscolo.");
    return d;
}

// The latest real date not after `today` with these year digits. Five tries
// cover today's century plus a whole 400-year leap cycle.
QDate latestDate(int yearDigits, int month, int day, QDate today)
{
    int year = today.year() - ((today.year() - yearDigits) % 100 + 100) % 100;
    for (int tries = 0; tries < 5 && year >= 1; ++tries, year -= 100) {
        const QDate date(year, month, day);
        if (date.isValid() && date <= today)
            return date;
    }
    return {};
}

} // namespace

int Decoded::homonymCount() const { return qPopulationCount(homonymMask); }

QList<int> Decoded::homonymPositions() const
{
    QList<int> positions;
    for (size_t k = 0; k < kDigitIndexes.size(); ++k)
        if (homonymMask & (1u << k))
            positions << int(kDigitIndexes[k]) + 1;
    return positions;
}

Decoded decode(QStringView text, QDate today)
{
    Decoded d = read(text);
    if (d.verdict == Verdict::Malformed)
        return d;
    if (!today.isValid())
        today = QDate::currentDate();
    const QStringView plain = d.plainCode;
    const int dayNumber = numberAt(plain, 9);
    const int month = int(QStringView(LettereMesi).indexOf(plain[8])) + 1;
    d.birthDate = latestDate(numberAt(plain, 6), month, dayNumber > 40 ? dayNumber - 40 : dayNumber, today);
    // Two year digits cannot tell a century from the one before. The earlier
    // one counts as possible when the same day existed then (not so for some
    // 29 February) and falls in 1800 or later, as far back as we look.
    if (d.birthDate.isValid()) {
        const int earlier = d.birthDate.year() - 100;
        d.alsoEarlierCentury = earlier >= 1800 && QDate(earlier, month, d.birthDate.day()).isValid();
    }
    return d;
}

QStringList homonymForms(QStringView code)
{
    const Decoded d = read(code);
    if (d.verdict != Verdict::Valid)
        return {};
    QStringList forms;
    QString form = d.plainCode;
    for (auto index = kDigitIndexes.rbegin(); index != kDigitIndexes.rend(); ++index) {
        form[*index] = kHomonymLetters[form[*index].digitValue()];
        form[15] = CarattereControllo(form);
        forms << form;
    }
    return forms;
}

Fit fitsPerson(QStringView code, const QString& surname, const QString& name, QDate born, const QString& sex,
               const QString& placeCode)
{
    Fit fit;
    const Decoded d = read(code);
    fit.verdict = d.verdict;
    if (d.verdict == Verdict::Malformed) {
        fit.reason = QStringLiteral("Codice non leggibile. ") + d.reason;
        return fit;
    }
    const QString place = placeCode.trimmed().toUpper();
    // Without a date the letters can still be compared.
    const QString expected = CalcoloCodFis(surname, name, born.isValid() ? born : QDate(2000, 1, 1), sex, place);
    const QStringView plain = d.plainCode;

    QStringList differences;
    const auto compare = [&](Field field, const QString& what, const QString& inCode, const QString& wanted) {
        if (inCode == wanted)
            return;
        fit.differing |= field;
        differences << QStringLiteral("%1 (nel codice %2, per la persona %3)")
                           .arg(what, inCode, wanted.isEmpty() ? QStringLiteral("nessuno") : wanted);
    };
    // Day of the month and sex, from the day digits.
    const auto day = [](QStringView c) { return c.mid(9, 2).toInt() % 40; };
    const auto sexOf = [](QStringView c) { return QString(c.mid(9, 2).toInt() > 40 ? u'F' : u'M'); };
    const auto date = [&](QStringView c) {
        return QStringLiteral("%1/%2/%3")
            .arg(twoDigits(day(c)))
            .arg(twoDigits(int(QStringView(LettereMesi).indexOf(c[8])) + 1))
            .arg(c.mid(6, 2));
    };

    compare(Field::Surname, QStringLiteral("lettere del cognome"), d.surnameLetters, expected.left(3));
    compare(Field::Name, QStringLiteral("lettere del nome"), d.nameLetters, expected.mid(3, 3));
    compare(Field::Date, QStringLiteral("data di nascita"), date(plain),
            born.isValid() ? date(expected) : QStringLiteral("una data valida"));
    compare(Field::Sex, QStringLiteral("sesso"), sexOf(plain), sexOf(expected));
    compare(Field::Place, QStringLiteral("luogo di nascita"), d.placeCode, place);
    if (d.verdict == Verdict::WrongCheckLetter)
        compare(Field::CheckLetter, QStringLiteral("carattere di controllo"), d.checkLetter, d.expectedCheckLetter);

    fit.fits = !fit.differing;
    if (!fit.fits) {
        fit.reason = QStringLiteral("Il codice non corrisponde: %1.").arg(differences.join(QStringLiteral("; ")));
    } else {
        fit.reason = QStringLiteral("Il codice corrisponde alla persona.");
        if (const int count = d.homonymCount())
            fit.reason += QStringLiteral(" È una forma di omocodia (%1 da lettere).")
                              .arg(counted(count, "cifra sostituita", "cifre sostituite"));
    }
    return fit;
}

} // namespace codfis
