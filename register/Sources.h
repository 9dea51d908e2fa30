#pragma once
// Turns the published source files into register records, refusing any row
// that does not look as expected rather than guessing. Used by the build's
// register tool and by `tarvolin registro aggiorna`. QtCore only.

#include "Record.h"

#include <QByteArrayView>
#include <stdexcept>
#include <vector>

namespace registro::sources {

// A fault in a source file; what() reads "file:line: message" (line 0 when
// the file as a whole is at fault, e.g. unreadable).
struct SourceError : std::runtime_error {
    SourceError(const QString& file, qsizetype line, const QString& message);
    QString file;
    qsizetype line;
    QString message;
};

// One period of one municipality as the ANPR archive publishes it, checked.
struct ArchiveRow {
    QString id; // ID; empty for a new period in the file of changes
    QString name; // DENOMINAZIONE_IT, the official name of the period
    QString otherName; // ALTRADENOMINAZIONE (BOZEN for BOLZANO), or empty
    QString province; // SIGLAPROVINCIA
    QString code; // CODCATASTALE
    QDate start; // DATAISTITUZIONE
    QDate end; // DATACESSAZIONE; null for 9999-12-31, still in force
    QString municipality; // CODISTAT, the same through changes of name; empty when the file has none
    QString file;
    qsizetype line = 0;
};

// The whole file; a fault when it cannot be read.
QByteArray readFile(const QString& path);

// The rows of a file in the archive's format (CODISTAT may be missing). Rows
// whose code is "ND" (the archive's mark for a code never assigned) are left
// out: a record without a code cannot give a fiscal code.
std::vector<ArchiveRow> readArchive(const QString& file, QByteArrayView bytes);

// Applies the changes published after the archive's date (same format): a
// row with an ID closes that period of the archive, unless the archive has
// closed it already; a row without one adds a period, unless the archive
// has it already (same code, same first day). So a newer archive, which
// holds the changes itself, comes out the same.
void applyChanges(std::vector<ArchiveRow>& archive, const std::vector<ArchiveRow>& changes, const QString& file);

// The newest day the rows know of: the latest first or last day of a period.
QDate newestDay(const std::vector<ArchiveRow>& rows);

// One record per (name, code) with every period of the rows that bear the
// name; a code that two places bear on one day is a fault (two rows of the
// code whose periods meet are one place when they have one name, one
// CODISTAT, or a name the other's municipality bears at some time: FILAGO
// and MARNE, both D588 until 1928, MARNE since called FILAGO). The records: touching periods of one province joined, gaps kept: the official
// names, the alternative names (BOZEN), and each half of a bilingual name.
// A name is bilingual where the data marks it so: the row has an
// alternative name (one half, or "COMUNE DI X-OBCINA Y", whose X and Y are
// halves too), or the name is an earlier name of the same code, "-" and
// another name (DUINO AURISINA, then DUINO AURISINA-DEVIN NABREŽINA). Each
// record has the province of its latest period.
std::vector<Record> municipalityRecords(const std::vector<ArchiveRow>& rows);

// Foreign states of ANPR's table: columns DENOMINAZIONE and CODAT; rows
// without a code are left out; province "EE". No validity: ANPR's dates are
// placeholders.
std::vector<Record> readForeignStates(const QString& file, QByteArrayView bytes);

// More foreign states and territories, ceased ones among them: columns
// DENOMINAZIONE, CODAT and the validity DAL and AL (yyyy-mm-dd, or empty
// where unknown); province "EE".
std::vector<Record> readDatedStates(const QString& file, QByteArrayView bytes);

// Names people type for places whose official name reads otherwise (CINA,
// REGGIO EMILIA): columns NOME, `codeColumn` and DENOMINAZIONE_UFFICIALE,
// which with the code must name one of `places`. Each name becomes a record
// with that place's code and periods (none of them official), unless it
// reads as the place's own name.
std::vector<Record> readNamesInUse(const QString& file, QByteArrayView bytes, const QString& codeColumn,
                                   const std::vector<Record>& places);

struct SourceFiles {
    QString municipalities; // ANPR_archivio_comuni.csv
    QString changes; // ANPR_variazioni_dopo_2023-05-16.csv
    QString foreignStates; // ANPR_stati_esteri.csv
    QString ceasedStates; // stati_cessati.csv
    QString territories; // territori_esteri.csv
    QString stateNames; // stati_nomi_comuni.csv
    QString municipalityNames; // nomi_comuni_in_uso.csv
};

struct Sources {
    std::vector<Record> records;
    QDate dataDate; // newestDay of the municipalities
};

// Every file, each checked whole before anything is made of it: the
// municipalities with their changes, their alternative names and halves, the
// foreign states, ceased states and territories, then the names people type
// for either. Records of one (name, code) from several files become one,
// their periods joined.
Sources readSources(const SourceFiles& files);

} // namespace registro::sources
