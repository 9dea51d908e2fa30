#pragma once
// Register records written briefly, for the small registers tests make.

#include "Record.h"

namespace testing {

// One record in force from `first` to `last` (null: open).
inline registro::Record rec(const char* name, const char* province, const char* code, QDate first = {}, QDate last = {})
{
    return {QString::fromUtf8(name), QString::fromLatin1(province), QString::fromLatin1(code), first, last};
}

// A record of several periods, written as the register stores them
// ("first/last/province/kind;..."), with the province of the last.
inline registro::Record periods(const char* name, const char* code, const char* field)
{
    registro::Record r{QString::fromUtf8(name), {}, QString::fromLatin1(code)};
    registro::setPeriods(r, registro::periodsFromField(QString::fromLatin1(field)));
    r.province = r.periods.back().province;
    return r;
}

} // namespace testing
