#pragma once
// Turns the published source files into register records, refusing any row
// that does not look as expected rather than guessing.

#include "RegisterFile.h"

#include <QByteArrayView>
#include <stdexcept>
#include <vector>

namespace buildregister {

// A fault in a source file; what() reads "file:line: message" (line 0 when
// the file as a whole is at fault, e.g. unreadable).
struct SourceError : std::runtime_error {
    SourceError(const QString& file, qsizetype line, const QString& message);
    QString file;
    qsizetype line;
    QString message;
};

// ANPR archive of municipalities: one record per distinct (name, code) pair,
// in force from the earliest start to the latest end of the pair's periods
// (an end of 9999-12-31 is still in force), with the province of its latest
// period. Then, the same way, one record per distinct (alternative name,
// code) pair of the rows that carry an ALTRADENOMINAZIONE (BOZEN for
// BOLZANO). Rows whose code is "ND" (the archive's mark for a code never
// assigned) are left out: a record without a code cannot give a fiscal code.
std::vector<registro::Record> readMunicipalities(const QString& file, QByteArrayView bytes);

// Foreign states (ANPR table, or the list of ceased states): columns
// DENOMINAZIONE and CODAT; rows without a code are left out; province "EE".
// No validity: ANPR's dates are placeholders, the other list has none.
std::vector<registro::Record> readForeignStates(const QString& file, QByteArrayView bytes);

// More foreign states and territories: columns DENOMINAZIONE, CODAT and the
// validity DAL and AL (yyyy-mm-dd, or empty where unknown); province "EE".
std::vector<registro::Record> readTerritories(const QString& file, QByteArrayView bytes);

// Names people type for foreign states (CINA, OLANDA): columns NOME, CODAT
// and DENOMINAZIONE_UFFICIALE, which with the code must name one of
// `states`; each name becomes a record of its own with that state's code,
// province and validity.
std::vector<registro::Record> readStateNames(const QString& file, QByteArrayView bytes,
                                             const std::vector<registro::Record>& states);

struct SourceFiles {
    QString municipalities; // ANPR_archivio_comuni.csv
    QString foreignStates; // ANPR_stati_esteri.csv
    QString ceasedStates; // stati_cessati.csv
    QString territories; // territori_esteri.csv
    QString stateNames; // stati_nomi_comuni.csv
};

// Every file: municipalities and their alternative names, foreign states,
// ceased states, territories, then the names people type for states; each
// (name, code) pair kept once, the first time it comes.
std::vector<registro::Record> readSources(const SourceFiles& files);

} // namespace buildregister
