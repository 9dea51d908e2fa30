#pragma once
// The names the published sources in data/ give each place, with its code and
// the days it bore the name, read here on their own, apart from the program's
// reading of them: what the register must answer is worked out from the files
// themselves. The folds below are written apart from the program's too.

#include <QDate>
#include <QHash>
#include <QString>
#include <vector>

namespace testing {

// A row of a CSV file by its column names.
struct CsvRow : QHash<QString, QString> {
    QString operator[](const char* column) const { return value(QLatin1String(column)); }
    QString& operator[](const char* column) { return QHash::operator[](QLatin1String(column)); }
};
// A comma-separated file with a header, as the data files and the command
// line's output are: fields bare or in double quotes, no line break inside one.
std::vector<CsvRow> readCsvRows(const QString& path);

struct NamedSpan {
    QString name; // as published
    QString code;
    QDate first, last; // null: open
    bool whole = true; // false: one of the hyphenated parts of a published name
    bool inForceOn(const QDate& day) const
    {
        return (first.isNull() || first <= day) && (last.isNull() || day <= last);
    }
};

// Every name of the archive (official and other names, with the changes after
// its date), of the foreign states and territories, and the names in use, each
// with its code and span; the parts of hyphenated names besides (whole false).
std::vector<NamedSpan> sourceNames(const QString& dataDir);

// A name as compared: capitals, marks dropped (ß as SS), an apostrophe after
// a vowel that ends a word dropped as the accent it stands for, blank, hyphen
// and apostrophe runs as one blank. With `accents`, each accent kept as '*'.
QString plainName(const QString& name, bool accents = false);

} // namespace testing
