#pragma once
// The check of what a person is given as, before a fiscal code is computed
// from it: one for the card and the command line, in one order and with the
// same texts. QtCore only.

#include <QDate>
#include <QLocale>
#include <QString>
#include <optional>

namespace platform {

// A person as typed.
struct PersonText {
    QString surname, name, birthDate, sex, place;
};

// The first input that cannot give a code, and what to say of it.
struct PersonFault {
    enum Field { Surname, Name, BirthDate, Sex, Place };
    Field field;
    QString message; // "Cognome non valido." ...
};

// Whether a surname or given name can give the code's letters: folded as the
// code reads letters (accents dropped, full-width ＲＯＳＳＩ as ROSSI), it holds
// a letter A to Z. A name only in another script (Шевченко) would give XXX and
// a code that looks right; the code is made from the Latin spelling of the
// person's documents.
bool isPersonName(QStringView text);

// The checks in the card's order: surname, name, date of birth (read in
// `locale`'s order, not after `today`: parseBirthDate), sex (M or F in either
// case, blanks around), place (blanks alone are none). `born` gets the date.
std::optional<PersonFault> checkPerson(const PersonText& person, const QLocale& locale, const QDate& today,
                                       QDate* born = nullptr);

} // namespace platform
