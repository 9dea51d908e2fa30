#include "CalcoloCodFis.h"

#include <QStringView>

namespace {

const QStringView kVowels = u"AEIOU";
const QStringView kConsonants = u"BCDFGHJKLMNPQRSTVWXYZ";
const QStringView kMonthLetters = u"ABCDEHLMPRST";
const QStringView kOddTable = u"B1A0KKPPLLC2QQD3RRE4VVOOSSF5TTG6UUH7MMI8NNJ9WWZZYYXX";
const QStringView kEvenTable = u"A0B1C2D3E4F5G6H7I8J9KKLLMMNNOOPPQQRRSSTTUUVVWWXXYYZZ";
const QStringView kCheckLetters = u"ABCDEFGHIJKLMNOPQRSTUVWXYZ";

// The revenue agency reads an accented capital as its plain letter: follow
// canonical decompositions down to their first character (È -> E, Ç -> C).
// Characters with no such plain letter stay as they are and get skipped.
QChar baseLetter(QChar c)
{
    for (int depth = 0; depth < 4; ++depth) {
        if (c >= u'A' && c <= u'Z')
            return c;
        if (c.decompositionTag() != QChar::Canonical)
            return c;
        const QString parts = c.decomposition();
        if (parts.isEmpty())
            return c;
        c = parts.front();
    }
    return c;
}

struct Letters {
    QString consonants;
    QString vowels;
};

// Sorts the letters of an already upper-cased text into consonants and
// vowels; stops once `consonantLimit` consonants are found (0 = never).
Letters classify(const QString& upper, qsizetype consonantLimit)
{
    Letters letters;
    for (const QChar raw : upper) {
        const QChar c = baseLetter(raw);
        if (kVowels.contains(c))
            letters.vowels.append(c);
        else if (kConsonants.contains(c)) {
            letters.consonants.append(c);
            if (consonantLimit > 0 && letters.consonants.size() >= consonantLimit)
                break;
        }
    }
    return letters;
}

QString surnameLetters(const QString& surname)
{
    const Letters l = classify(surname.toUpper(), 3);
    QString letters = l.consonants + l.vowels.left(3 - l.consonants.size());
    while (letters.size() < 3)
        letters.append(u'X');
    return letters;
}

QString nameLetters(const QString& name)
{
    // Only the first four consonants ever matter, but the vowels of the whole
    // name may be needed, so the walk covers everything.
    const Letters l = classify(name.toUpper(), 0);
    const QString& c = l.consonants;
    if (c.size() >= 4)
        return QString(c[0]) + c[2] + c[3];
    if (c.size() == 3)
        return c;
    return (c + l.vowels + QStringLiteral("XXX")).left(3);
}

QString twoDigits(int value)
{
    return QString::number(value).rightJustified(2, u'0');
}

// Value of one character in a check table: the index of the pair it first
// occurs in; a character outside the table weighs 16383, a missing one 0.
int checkValue(QStringView table, QStringView c)
{
    if (c.isEmpty())
        return 0;
    const qsizetype p = table.indexOf(c.front()) + 1;
    return static_cast<int>(((p - 1) & 32766) / 2);
}

} // namespace

QString CalcoloCodFis(const QString& Cognome, const QString& Nome, const QDate& DataNascita,
                      const QString& Sesso, const QString& Provincia)
{
    QString code;
    code.reserve(16 + Provincia.size());
    code += surnameLetters(Cognome);
    code += nameLetters(Nome);

    const int year = DataNascita.year();
    code += twoDigits((year < 0 ? -year : year) % 100);

    const int month = DataNascita.month();
    if (month >= 1 && month <= 12)
        code += kMonthLetters[month - 1];

    const bool female = Sesso.toUpper() == u"F";
    code += twoDigits(DataNascita.day() + (female ? 40 : 0));

    code += Provincia;

    long long sum = 0;
    for (qsizetype k = 1; k <= 15; ++k) {
        const QStringView c = QStringView(code).mid(k - 1, k <= code.size() ? 1 : 0);
        sum += checkValue(k % 2 == 1 ? kOddTable : kEvenTable, c);
    }
    code += kCheckLetters[static_cast<qsizetype>(sum % 26)];
    return code;
}
