#pragma once
// What a command does to one row: the columns it reads, the columns it adds,
// and the work in between; and the register it works with. Each command is
// a Job of its own (Calcola.h, Verifica.h). QtCore only.

#include "ComuniStore.h"

#include <QDate>
#include <QHash>
#include <QStringList>
#include <memory>

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
    // Columns the input may have besides: run() takes them after the others,
    // empty where the input has none.
    virtual QStringList optionalColumns() const { return {}; }
    // The columns each output row gets after the input's own, esito and
    // motivo among them.
    virtual QStringList addedColumns() const = 0;
    // The rows the command's arguments stand for, under `header`; false with
    // the reason when the arguments do not fit.
    virtual bool argumentRows(const QStringList& arguments, QStringList& header, QList<QStringList>& rows,
                              QString& reason) const = 0;
    // Works one row given the values of inputColumns() and
    // optionalColumns(); fills `added` with one value per added column and
    // says whether the row succeeded.
    virtual bool run(const QStringList& values, QStringList& added) = 0;
    // The added values of a row that could not be read at all: esito
    // "errore" and the reason as motivo.
    QStringList unreadable(const QString& reason) const;
};

// A table of look-ups that forgets all it holds when it reaches its size:
// flat memory over a run of many different keys, every hit over a run of few.
template <class Value> class BoundedCache {
public:
    explicit BoundedCache(qsizetype size) : size_(size) {}
    Value* find(const QString& key)
    {
        const auto found = map_.find(key);
        return found == map_.end() ? nullptr : &*found;
    }
    Value& insert(const QString& key, Value value)
    {
        if (map_.size() >= size_)
            map_.clear();
        return *map_.insert(key, std::move(value));
    }

private:
    QHash<QString, Value> map_;
    qsizetype size_;
};

} // namespace riga
