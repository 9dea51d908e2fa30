#include "Verifica.h"

#include "CodiceFiscale.h"
#include "DateParser.h"
#include "PlaceChoice.h"
#include "PlaceOfCode.h"

namespace riga {

using platform::italianDate;

Verifica::Verifica(Register& comuni, QDate today) : comuni_(comuni), today_(today) {}

QStringList Verifica::inputColumns() const { return {QStringLiteral("codice")}; }

QStringList Verifica::addedColumns() const
{
    static const char* const names[ColumnCount] = {
        "esito", "motivo",    "sesso",     "data_nascita", "data_secolo_precedente",
        "luogo", "provincia", "catastale", "omocodia",     "codice_base"};
    QStringList columns;
    for (const char* name : names)
        columns << QString::fromLatin1(name);
    return columns;
}

bool Verifica::argumentRows(const QStringList& arguments, QStringList& header, QList<QStringList>& rows,
                            QString& reason) const
{
    if (arguments.isEmpty()) {
        reason = QStringLiteral("verifica vuole almeno un CODICE.");
        return false;
    }
    header = inputColumns();
    rows.clear();
    for (const QString& code : arguments)
        rows << QStringList{code};
    return true;
}

bool Verifica::run(const QStringList& values, QStringList& added)
{
    const codfis::Decoded d = codfis::decode(values[0], today_);
    const bool valid = d.verdict == codfis::Verdict::Valid;
    QStringList said{d.reason};
    said << d.notes;
    added = QStringList(ColumnCount);
    added[Esito] = valid ? QStringLiteral("valido") : QStringLiteral("non valido");
    if (d.verdict == codfis::Verdict::Malformed) {
        added[Motivo] = said.join(u' ');
        return false;
    }

    QDate earlier;
    if (d.alsoEarlierCentury)
        earlier = d.birthDate.addYears(-100);
    added[Sesso] = QString(d.sex);
    added[DataNascita] = d.birthDate.isValid() ? italianDate(d.birthDate) : QString();
    added[DataSecoloPrecedente] = earlier.isValid() ? italianDate(earlier) : QString();
    added[Catastale] = d.placeCode;
    added[Omocodia] = QString::number(d.homonymCount());
    added[CodiceBase] = d.plainCode;
    describePlace(d.placeCode, d.birthDate, earlier, added, said);
    added[Motivo] = said.join(u' ');
    return valid;
}

void Verifica::describePlace(const QString& code, const QDate& born, const QDate& earlier, QStringList& added,
                             QStringList& said)
{
    if (!comuni_.db) {
        said << QStringLiteral("Registro dei comuni non disponibile: luogo indicato solo dal codice.");
        return;
    }
    try {
        const std::vector<registro::Record>* records = byCode_.find(code);
        if (!records)
            records = &byCode_.insert(code, comuni_.db->recordsWithCode(code));
        const registro::PlaceOfCode place = registro::placeOfCode(*records, born, earlier);
        if (place.validity == registro::PlaceOfCode::Unknown) {
            said << QStringLiteral("Codice catastale %1 non presente nel registro.").arg(code);
            return;
        }
        const registro::Record& first = place.records.front();
        added[Luogo] = first.name;
        added[Provincia] = first.province;
        if (place.validity == registro::PlaceOfCode::InForceEarlier)
            said << QStringLiteral("Luogo in vigore il %1, non il %2.").arg(italianDate(earlier), italianDate(born));
        else if (place.validity == registro::PlaceOfCode::NotInForce && born.isValid())
            said << QStringLiteral("Luogo non in vigore il %1: %2.")
                        .arg(italianDate(born), registro::describePlace(first));
    } catch (const platform::Error& error) {
        said << platform::errorText(error);
    }
}

} // namespace riga
