#pragma once
#include <QDate>
#include <QFlags>
#include <QList>
#include <QString>
#include <QStringList>

// Reads a fiscal code back: its fields, its homonym forms, whether it fits a
// person. Pure logic on top of CalcoloCodFis; every text is Italian and meant
// for the user. Any input is accepted: what cannot be read gets a reason.
namespace codfis {

// The letters standing for the digits 0 to 9 in homonym forms (L for 0 ...
// V for 9), wherever a code holds digits, place code included.
inline constexpr QStringView kHomonymLetters = u"LMNPQRSTUV";

enum class Verdict {
    Valid, // well formed and the check letter is right
    WrongCheckLetter, // well formed, fields decoded, but the check letter is wrong
    Malformed, // cannot be read: the reason says why
};

struct Decoded {
    Verdict verdict = Verdict::Malformed;
    QString reason; // "Codice valido." or the first thing wrong
    QStringList notes; // remarks that leave the verdict as it is
    bool lowerCase = false; // the input had small letters, read as capitals
    QString code; // the input as read: trimmed, capitals

    // Filled unless Malformed.
    QString surnameLetters;
    QString nameLetters;
    QChar sex; // 'M' or 'F'
    QDate birthDate; // only with decode(): see there
    bool alsoEarlierCentury = false;
    QString placeCode; // cadastral code, homonym letters back to digits
    QChar checkLetter; // as written
    QChar expectedCheckLetter; // the right one for the first 15 characters as written
    // Bit i set: the i-th digit position, left to right (7, 8, 10, 11, 13,
    // 14, 15), carries a homonym letter.
    quint8 homonymMask = 0;
    QString plainCode; // homonym letters back to digits, check letter recomputed

    int homonymCount() const;
    QList<int> homonymPositions() const; // 1-based, left to right
};

// Reads `text` (surrounding blanks dropped, small letters taken as capitals).
// The birth date is the latest real date with the code's year digits that is
// not after `today` (the current date when `today` is null); it stays null
// only when no such date falls in year 1 or later.
Decoded decode(QStringView text, QDate today);

// The seven homonym forms of a valid code (or of any of its homonym forms) in
// the order the revenue agency issues them; empty when `code` is not valid.
QStringList homonymForms(QStringView code);

enum class Field {
    Surname = 0x01,
    Name = 0x02,
    Date = 0x04,
    Sex = 0x08,
    Place = 0x10,
    CheckLetter = 0x20,
};
Q_DECLARE_FLAGS(Fields, Field)

struct Fit {
    bool fits = false;
    Verdict verdict = Verdict::Malformed; // of the code alone
    Fields differing; // empty for a Malformed code
    QString reason;
};

// Whether `code`, or the plain code of a homonym form, is the one of this
// person. Arguments as for CalcoloCodFis; `placeCode` may be in small letters.
Fit fitsPerson(QStringView code, const QString& surname, const QString& name, QDate born, const QString& sex,
               const QString& placeCode);

} // namespace codfis

Q_DECLARE_OPERATORS_FOR_FLAGS(codfis::Fields)
