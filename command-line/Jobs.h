#pragma once
// What the two commands do to one row: the columns they read, the columns
// they add, and the work in between. QtCore only.

#include "ComuniStore.h"
#include "PlaceChoice.h"

#include <QDate>
#include <QHash>
#include <QLocale>
#include <QStringList>
#include <memory>
#include <vector>

namespace riga {

// The register as the command line has it: open, or the reason it is not.
struct Register {
    std::unique_ptr<registro::Database> db;
    QString fault; // "Errore n° ..." when db is null
    QDate dataDate; // the newest day its data know of; null when it does not say
};
// Opens Comuni.mdb in `directory`, read only; a file without the table and
// its index counts as not there.
Register openRegister(const QString& directory);

class Job {
public:
    virtual ~Job() = default;
    // The columns the input must have (lower case), in the order run() takes them.
    virtual QStringList inputColumns() const = 0;
    // The columns each output row gets after the input's own.
    virtual QStringList addedColumns() const = 0;
    // Works one row given the values of inputColumns(); fills `added` with
    // one value per added column and says whether the row succeeded.
    virtual bool run(const QStringList& values, QStringList& added) = 0;
    // The added values of a row that could not be read at all.
    virtual QStringList unreadable(const QString& reason) const = 0;
};

// calcola: cognome, nome, data, sesso, luogo -> codice, esito, motivo.
class Calcola : public Job {
public:
    Calcola(Register& comuni, QDate today, QLocale locale);
    QStringList inputColumns() const override;
    QStringList addedColumns() const override;
    bool run(const QStringList& values, QStringList& added) override;
    QStringList unreadable(const QString& reason) const override;

private:
    // choosePlace with no shown record, remembered per folded name for the
    // span of dates over which the records in force stay the same (and so
    // the choice does).
    struct Span {
        QDate first, last; // null: open end
        registro::PlaceChoice::Outcome outcome;
        QString code; // of the place chosen
        QString name; // the name as the register has it, for a failed choice
        QString candidates; // the records a failed choice names, described
    };
    const Span& choose(const QString& name, const QDate& born);

    Register& comuni_;
    QDate today_;
    QLocale locale_;
    QHash<QString, std::vector<Span>> choices_;
};

// verifica: codice -> esito, motivo and what the code says.
class Verifica : public Job {
public:
    Verifica(Register& comuni, QDate today);
    QStringList inputColumns() const override;
    QStringList addedColumns() const override;
    bool run(const QStringList& values, QStringList& added) override;
    QStringList unreadable(const QString& reason) const override;

private:
    Register& comuni_;
    QDate today_;
    QHash<QString, std::vector<registro::Record>> byCode_;
};

} // namespace riga
