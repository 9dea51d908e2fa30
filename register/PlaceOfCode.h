#pragma once
// The place a fiscal code names: of the records that bear its cadastral
// code, those that fit the birth date the code gives. QtCore only.

#include "Record.h"

#include <QDate>
#include <vector>

namespace registro {

struct PlaceOfCode {
    enum Validity {
        InForce, // `records` were in force on the birth date
        InForceEarlier, // in force on the date a century earlier, not on the later one
        NotInForce, // in force on neither date: `records` are all that bear the code
        Unknown, // no record bears the code
    };
    Validity validity = Unknown;
    // In the order given, the place's official name first: on the birth date
    // (or the earlier one) with the province of that day; when in force on
    // neither, as published, the name official in its latest period first.
    std::vector<Record> records;
};

// `withCode`: every record with the code (Database::recordsWithCode);
// `earlier`: the birth date a century before `born` when the code allows it,
// else null.
PlaceOfCode placeOfCode(const std::vector<Record>& withCode, const QDate& born, const QDate& earlier = {});

} // namespace registro
