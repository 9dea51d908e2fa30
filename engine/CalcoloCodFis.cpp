#include "CalcoloCodFis.h"

#include "Fold.h"

#include <array>

namespace {

constexpr char16_t kOddTable[] = u"B1A0KKPPLLC2QQD3RRE4VVOOSSF5TTG6UUH7MMI8NNJ9WWZZYYXX";
constexpr char16_t kEvenTable[] = u"A0B1C2D3E4F5G6H7I8J9KKLLMMNNOOPPQQRRSSTTUUVVWWXXYYZZ";

// A character outside a check table weighs ((0 - 1) AND 32766) / 2.
constexpr int kOutsideTable = 16383;

// Value of each ASCII character in one check table: the index of the pair it
// first occurs in.
using CheckValues = std::array<int, 128>;
constexpr CheckValues checkValues(const char16_t* table)
{
    CheckValues values{};
    for (int& v : values)
        v = kOutsideTable;
    for (int i = 51; i >= 0; --i)
        values[table[i]] = i / 2;
    return values;
}
constexpr CheckValues kOddValues = checkValues(kOddTable);
constexpr CheckValues kEvenValues = checkValues(kEvenTable);

constexpr bool isVowel(char16_t c) { return c == u'A' || c == u'E' || c == u'I' || c == u'O' || c == u'U'; }
// J, K, W, X and Y count as consonants.
constexpr bool isConsonant(char16_t c) { return c >= u'A' && c <= u'Z' && !isVowel(c); }

// The first few consonants and vowels of an upper-cased text, and how many
// there are in all (the counts can pass the ints of older days).
struct Letters {
    std::array<char16_t, 4> consonants{};
    std::array<char16_t, 3> vowels{};
    qsizetype consonantCount = 0;
    qsizetype vowelCount = 0;

    // Returns false once `consonantLimit` consonants are in (0: never).
    bool add(char16_t c, qsizetype consonantLimit)
    {
        if (isVowel(c)) {
            if (vowelCount < qsizetype(vowels.size()))
                vowels[size_t(vowelCount)] = c;
            ++vowelCount;
        } else if (isConsonant(c)) {
            if (consonantCount < qsizetype(consonants.size()))
                consonants[size_t(consonantCount)] = c;
            ++consonantCount;
            return consonantLimit <= 0 || consonantCount < consonantLimit;
        }
        return true;
    }
};

// Upper-cases with the platform's mapping and sorts the letters. Plain ASCII
// text, by far the usual case, is mapped character by character without
// building an upper-cased copy.
Letters classify(const QString& text, qsizetype consonantLimit)
{
    Letters letters;
    bool ascii = true;
    for (const QChar c : text) {
        if (c.unicode() >= 128) {
            ascii = false;
            break;
        }
    }
    if (ascii) {
        for (const QChar c : text) {
            char16_t u = c.unicode();
            if (u >= u'a' && u <= u'z')
                u = char16_t(u - (u'a' - u'A'));
            if (!letters.add(u, consonantLimit))
                break;
        }
        return letters;
    }
    // Accented and other letters as the revenue agency reads them (È as E,
    // Æ as AE), the same way the register folds names.
    for (const QChar c : platform::plainLetters(text))
        if (!letters.add(c.unicode(), consonantLimit))
            break;
    return letters;
}

void appendSurnameLetters(char16_t*& out, const QString& surname)
{
    const Letters l = classify(surname, 3);
    int taken = 0;
    for (qsizetype i = 0; i < l.consonantCount && taken < 3; ++i)
        *out++ = l.consonants[size_t(i)], ++taken;
    for (qsizetype i = 0; i < l.vowelCount && taken < 3; ++i)
        *out++ = l.vowels[size_t(i)], ++taken;
    for (; taken < 3; ++taken)
        *out++ = u'X';
}

void appendNameLetters(char16_t*& out, const QString& name)
{
    // The whole name is walked: the vowels may all be needed.
    const Letters l = classify(name, 0);
    if (l.consonantCount >= 4) {
        *out++ = l.consonants[0];
        *out++ = l.consonants[2];
        *out++ = l.consonants[3];
        return;
    }
    appendSurnameLetters(out, name); // 0 to 3 consonants: same rule as the surname
}

void appendTwoDigits(char16_t*& out, int value)
{
    *out++ = char16_t(u'0' + value / 10 % 10);
    *out++ = char16_t(u'0' + value % 10);
}

int checkValue(const CheckValues& values, char16_t c) { return c < 128 ? values[c] : kOutsideTable; }

} // namespace

QChar CarattereControllo(QStringView code)
{
    // Positions 1 to 15; a code shorter than that counts 0 for what is missing.
    int sum = 0;
    const qsizetype counted = std::min<qsizetype>(code.size(), 15);
    for (qsizetype k = 0; k < counted; ++k)
        sum += checkValue(k % 2 == 0 ? kOddValues : kEvenValues, code[k].unicode());
    return QChar(u'A' + sum % 26);
}

QString CalcoloCodFis(const QString& Cognome, const QString& Nome, const QDate& DataNascita, const QString& Sesso,
                      const QString& Provincia)
{
    std::array<char16_t, 11> head;
    char16_t* out = head.data();
    appendSurnameLetters(out, Cognome);
    appendNameLetters(out, Nome);

    const int year = DataNascita.year();
    appendTwoDigits(out, (year < 0 ? -year : year) % 100);
    const int month = DataNascita.month();
    if (month >= 1 && month <= 12)
        *out++ = LettereMesi[month - 1];
    // Only "F", in either case, means female.
    const bool female = Sesso.size() == 1 && (Sesso[0] == u'F' || Sesso[0] == u'f');
    appendTwoDigits(out, DataNascita.day() + (female ? 40 : 0));

    QString code;
    code.reserve(qsizetype(out - head.data()) + Provincia.size() + 1);
    code.append(QStringView(head.data(), out));
    code.append(Provincia);
    code.append(CarattereControllo(code));
    return code;
}
