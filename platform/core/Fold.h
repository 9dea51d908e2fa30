#pragma once
// How names read when they are compared rather than shown: the plain capital
// letters a fiscal code is made of, and the keys the register orders, finds
// and completes place names by. One definition for the engine and the
// register, so both read a letter the same way. QtCore only.

#include <QString>
#include <QStringView>

namespace platform {

// Upper case (the desktop's mapping, as upperCase), every letter with an
// accent or other mark as its plain letter (È and É as E, Ç as C, Č as C),
// full-width and half-width forms as their plain ones (Ｒ as R),
// and the letters that have no plain form spelled as the revenue agency
// spells them: Æ as AE, Œ as OE, ß as SS, Ø as O, Ł as L, Đ as D. Everything
// else stays as it is.
QString plainLetters(QStringView text);

// The key a place name is ordered and looked up by: its plain letters, with
// blank, hyphen and apostrophe (’ ‘ ` ´ ʼ as well) one separator, a run of
// them one blank (SANT'ANTIOCO, SANT ANTIOCO and SANT - ANTIOCO read alike).
// An apostrophe after a vowel at the end of a word is the accent people
// cannot type, and counts as none: FORLI' reads as FORLÌ, SAN DONA' DI PIAVE
// as SAN DONÀ DI PIAVE.
QString foldKey(QStringView name);

// The key of a name as spelled: foldKey, but with one mark (U+0301) after
// each letter that bears an accent, whichever accent it is, and after a vowel
// that a final apostrophe stands for one. PATERNÒ and PATERNO' spell alike;
// PATERNO does not.
QString spellingKey(QStringView name);

// Whether a spelling key holds an accent: the name was typed with one.
bool hasAccent(QStringView spelling);

} // namespace platform
