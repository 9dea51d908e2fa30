#pragma once
// Which record of the register a fiscal code is computed with, for a place of
// birth given by name and a birth date. One set of rules for every caller:
// the main window passes what its search box shows, a caller without a
// display passes the name alone. QtCore only.

#include "ComuniStore.h"
#include "Record.h"

#include <QDate>
#include <QString>
#include <optional>
#include <vector>

namespace registro {

// A capital letter and three digits (or the letters that stand for digits in
// a homonym form): the only shape of place code that may go into a fiscal
// code. A record with any other code counts as absent.
bool isCadastralCode(const QString& code);

// The record a search box last showed: the code and province beside the name.
struct ShownPlace {
    QString code;
    QString province;
};

struct PlaceChoice {
    enum Outcome {
        Chosen, // `place` is the record to compute with
        NotInRegister, // no record with a well-formed code bears the name
        NotInForce, // `place` is not in force on the birth date; compute with it only if the user says so
        Ambiguous, // nothing shown, and several places of the name are in force on the date
        NotInProvince, // a province given, and no place of the name in force there that day
    };
    Outcome outcome = NotInRegister;
    // Chosen: the record as on the birth date (the province of its period
    // then), under the name the place bore that day. NotInForce: the record
    // asked about.
    Record place;
    // Every record of the name with a well-formed code, in index order.
    std::vector<Record> records;
    // The records of those codes under other names, when the rules looked
    // at them (rule 6).
    std::vector<Record> otherNames;
    // What a failure names: every record of the name when none is in force,
    // the places in force when several are, or when none is in the
    // province given; the records of each name an abbreviation may stand
    // for, when several.
    std::vector<Record> named;
    // Chosen under the name the place bore that day, not the one given
    // (LA SPEZIA born in 1920, when it was SPEZIA).
    bool renamed = false;
    // The text named no record; the names its abbreviations stand for did.
    bool abbreviation = false;
};

// The rules, in order, over the records whose name folds like `name` (blanks
// around it trimmed):
// 1. None: the names its abbreviations may stand for (S. GIOVANNI ROTONDO,
//    SS. COSMA E DAMIANO, SANKT LORENZEN, SANTANTIOCO: abbreviationReadings);
//    several such names: Ambiguous, naming their records; one: its records,
//    as with nothing shown. None at all: NotInRegister. A name typed with an
//    accent (or a final apostrophe for one) counts only the records spelled
//    so, if any is: PATERNÒ is not PATERNO.
// 2. The shown record: with `shown`, the record of the name with the shown
//    code (of several, one in force on `born`, else one of the shown
//    province, else the first); when none has that code, the shown code
//    belongs to another name and the first record of the name stands for
//    it, as a key release in the box would show it. Without `shown`, none.
// 3. The shown record, if it is in force on `born`: Chosen.
// 4. Else the one place (code) in force on `born`, if exactly one is: Chosen.
// 5. Else, of several in force, the one of the shown record's province, if
//    exactly one is: Chosen.
// 6. Else, with none in force under this name, and one code only that ever
//    bore it: the place in force on `born` under another name (LA SPEZIA
//    born in 1920, when it was SPEZIA): Chosen, under the name of that day.
//    Two codes that bore the name (FIUME of Fiume Veneto and of the city
//    ceded in 1947) are not guessed between.
// 7. Else NotInForce with the shown record, naming every record. Without
//    one: NotInForce with the first record when none is in force, Ambiguous
//    when several are.
// Store failures throw platform::Error.
PlaceChoice choosePlace(Database& db, const QString& name, const QDate& born,
                        const std::optional<ShownPlace>& shown = std::nullopt);

// The same rules with no record shown but a province known (as a file's
// column gives it, "BG"; the province of the birth day or the latest one):
// the place of the name in force there that day; else the one place that
// bore the name there, in force that day under another name (CALLIANO, AT,
// in 2023: CALLIANO MONFERRATO); else NotInProvince, naming the places of
// the name in force elsewhere, or NotInForce when none is. An empty
// province is none.
PlaceChoice choosePlaceInProvince(Database& db, const QString& name, const QDate& born, const QString& province);

// "LENNO (CO) E525, in vigore dal 17/03/1861 al 07/02/1929, poi dal
// 03/10/1947 al 03/02/2014": name, province, code and the periods, for a
// tooltip or a report.
QString describePlace(const Record& place);

// "elenco dei comuni aggiornato al 22/01/2024": what a message about a place
// adds when the birth date is after the newest day of the register's data
// (a place made since may be missing); empty otherwise, or when the register
// does not say.
QString dataDateNote(const QDate& dataDate, const QDate& born);

// "<NOME> (<PROV>) non risulta in vigore il <dd/MM/yyyy>. Calcolare comunque?",
// with the data date note before the question when there is one, and the
// records of the name described when they are of several places, none of
// them in force that day.
QString notInForceQuestion(const Record& place, const QDate& born, const QDate& dataDate = {},
                           const std::vector<Record>& records = {});

// "Più luoghi possibili per <TESTO> il <day>: <places>.": a text that stands
// for several places (an abbreviation, S. ELENA), the places described.
QString severalPlacesMessage(const QString& text, const QString& day, const QString& places);

// The records described one after the other, "; " between.
QString describePlaces(const std::vector<Record>& places);

// "Comune non in elenco", with the data date note when there is one: the
// one wording of a name the register does not know, wherever it is said.
QString notInRegisterMessage(const QDate& dataDate = {}, const QDate& born = {});

} // namespace registro
