#pragma once
#include <QDate>
#include <QString>

// Builds the Italian fiscal code of a person. Pure logic: no state, no I/O.
// `Sesso` is female when it reads "F" in either case; `Provincia` carries the
// cadastral code of the place of birth (already trimmed by the caller) and is
// appended unchanged.
QString CalcoloCodFis(const QString& Cognome, const QString& Nome, const QDate& DataNascita, const QString& Sesso,
                      const QString& Provincia);

// The check letter (position 16) of the first 15 characters of `code`; a
// shorter code counts nothing for what is missing.
QChar CarattereControllo(QStringView code);

// The letter of each month in a code, January to December.
inline constexpr char16_t LettereMesi[] = u"ABCDEHLMPRST";
