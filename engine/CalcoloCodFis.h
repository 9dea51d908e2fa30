#pragma once
#include <QDate>
#include <QString>

// Builds the Italian fiscal code of a person. Pure logic: no state, no I/O.
// `Sesso` is female when it reads "F" in either case; `Provincia` carries the
// cadastral code of the place of birth (already trimmed by the caller) and is
// appended unchanged.
QString CalcoloCodFis(const QString& Cognome, const QString& Nome, const QDate& DataNascita, const QString& Sesso,
                      const QString& Provincia);
