#pragma once
// What the readers of the source files share: a checked CSV table, the shapes
// a field must have, and the gathering of periods into records. Internal to
// Sources.cpp and Municipalities.cpp.

#include "Csv.h"
#include "Sources.h"

#include <QHash>

namespace registro::sources {

inline bool isUpperAscii(QChar c) { return c >= u'A' && c <= u'Z'; }
inline bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// One letter and three digits, the shape of every cadastral code; foreign
// states all start with Z.
inline bool isCadastralCode(const QString& code, QChar letter = {})
{
    return code.size() == 4 && isUpperAscii(code[0]) && (letter.isNull() || code[0] == letter) && isDigit(code[1])
           && isDigit(code[2]) && isDigit(code[3]);
}

inline bool isProvince(const QString& text)
{
    return text.size() == 2 && isUpperAscii(text[0]) && isUpperAscii(text[1]);
}

// Names are kept exactly as published; refuse only what cannot be a name.
QString nameFault(const QString& name);

class Table {
public:
    Table(const QString& file, QByteArrayView bytes);
    // The index of a column; a fault when the header lacks it.
    qsizetype column(const QString& name) const;
    // The index of a column, or -1 when the header lacks it.
    qsizetype optionalColumn(const QString& name) const { return csv_.header.indexOf(name); }
    const std::vector<platform::CsvRow>& rows() const { return csv_.rows; }
    [[noreturn]] void fail(const platform::CsvRow& row, const QString& message) const;
    // A real day as yyyy-mm-dd, or null for an empty text when `emptyIsNull`.
    QDate date(const platform::CsvRow& row, const QString& text, bool emptyIsNull = false) const;

private:
    QString file_;
    platform::CsvTable csv_;
};

// Sorts periods in order of time and joins those of one province and kind
// that touch or overlap; a period of another name kind within an official
// one of its province adds nothing and goes.
std::vector<Period> joinedPeriods(std::vector<Period> periods);

// Records by (name, code), in order of first appearance, their periods
// joined; each has the province of its latest period.
class Gathering {
public:
    void add(const QString& name, const QString& code, const Period& period);
    void add(const Record& record);
    std::vector<Record> records() const;

private:
    QHash<QString, std::size_t> index_;
    std::vector<Record> records_;
};

} // namespace registro::sources
