#pragma once
// tarvolin calcola: cognome, nome, data, sesso, luogo (and a provincia when
// the input has one) -> codice, esito, motivo. QtCore only.

#include "Job.h"
#include "PlaceChoice.h"

#include <vector>

namespace riga {

class Calcola : public Job {
public:
    // `today` bounds the birth dates; dates are read day first whatever the
    // system's locale, so a file gives the same codes on every machine.
    Calcola(Register& comuni, QDate today);
    QStringList inputColumns() const override;
    QStringList optionalColumns() const override;
    QStringList addedColumns() const override;
    bool argumentRows(const QStringList& arguments, QStringList& header, QList<QStringList>& rows,
                      QString& reason) const override;
    bool run(const QStringList& values, QStringList& added) override;

    // The names (and provinces) whose choices a run keeps at most.
    static constexpr qsizetype kCachedNames = 16384;

private:
    enum Column { Codice, Esito, Motivo, ColumnCount };
    // The place chosen for a name, remembered per spelling and province for
    // the span of dates over which the records in force stay the same (and
    // so the choice does).
    struct Span {
        QDate first, last; // null: open end
        registro::PlaceChoice::Outcome outcome;
        QString code; // of the place chosen
        QString name; // the name as the register has it, for a failed choice
        QString candidates; // the records a failed choice names, described
        QString dayName; // "SPEZIA (GE)": chosen under the name of that day
        bool abbreviation = false; // the text read through its abbreviations
    };
    const Span& choose(const QString& name, const QString& province, const QDate& born);

    Register& comuni_;
    QDate today_;
    BoundedCache<std::vector<Span>> choices_{kCachedNames};
    BoundedCache<QString> keys_{kCachedNames}; // name and province as typed: the key of choices_
};

} // namespace riga
