#pragma once
// tarvolin verifica: codice -> esito, motivo and what the code says. QtCore
// only.

#include "Job.h"
#include "Record.h"

#include <vector>

namespace riga {

class Verifica : public Job {
public:
    Verifica(Register& comuni, QDate today);
    QStringList inputColumns() const override;
    QStringList addedColumns() const override;
    bool argumentRows(const QStringList& arguments, QStringList& header, QList<QStringList>& rows,
                      QString& reason) const override;
    bool run(const QStringList& values, QStringList& added) override;

    // The place codes whose records a run keeps at most.
    static constexpr qsizetype kCachedCodes = 16384;

private:
    enum Column {
        Esito,
        Motivo,
        Sesso,
        DataNascita,
        DataSecoloPrecedente,
        Luogo,
        Provincia,
        Catastale,
        Omocodia,
        CodiceBase,
        ColumnCount
    };
    // The place a code names, said in `added` and `said`.
    void describePlace(const QString& code, const QDate& born, const QDate& earlier, QStringList& added,
                       QStringList& said);

    Register& comuni_;
    QDate today_;
    BoundedCache<std::vector<registro::Record>> byCode_{kCachedCodes};
};

} // namespace riga
