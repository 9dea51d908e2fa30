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
// with the province of the pair's latest period. Rows whose code is "ND"
// (the archive's mark for a code never assigned) are left out: a record
// without a code cannot give a fiscal code.
std::vector<registro::Record> readMunicipalities(const QString& file, QByteArrayView bytes);

// Foreign states (ANPR table, or the list of ceased states): columns
// DENOMINAZIONE and CODAT; rows without a code are left out; province "EE".
std::vector<registro::Record> readForeignStates(const QString& file, QByteArrayView bytes);

// All three files: municipalities, then foreign states, then ceased states,
// each (name, code) pair kept once.
std::vector<registro::Record> readSources(const QString& municipalities, const QString& foreignStates,
                                          const QString& ceasedStates);

} // namespace buildregister
