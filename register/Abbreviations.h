#pragma once
// The abbreviations people write in place names for saints and the German
// "Sankt": S. GIOVANNI ROTONDO, S.GIOVANNI, SS. COSMA E DAMIANO, SANKT
// LORENZEN, SANTANTIOCO. QtCore only.

#include <QString>
#include <QStringList>

namespace registro {

// The names a text may stand for, each abbreviation at the start of a word
// read in each of its full forms: S. or a lone S as SAN, SANTO, SANTA and
// SANT'; SS. as SANTI, SANTISSIMO and SANTISSIMA; SANKT as ST.; SANT and a
// vowel as SANT' and the vowel, or as it stands (SANTERNO). Empty when the text holds none, or is longer
// than kLongestAbbreviated. At most kMaxReadings, the rest dropped: a text of
// many abbreviations is no name.
QStringList abbreviationReadings(const QString& text);

inline constexpr qsizetype kMaxReadings = 256;
// A text longer than this has no readings.
inline constexpr qsizetype kLongestAbbreviated = 120;

// The same for a text still being typed: its last word may be the beginning
// of an abbreviation that begins no name yet (SS before its dot, SANK and
// SANKT before the blank), read as that abbreviation.
QStringList abbreviationReadingsWhileTyping(const QString& text);

} // namespace registro
