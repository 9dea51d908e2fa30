#include "RegisterUpdate.h"

#include "ComuniStore.h"
#include "DateParser.h"
#include "RegisterFile.h"
#include "RegisterSql.h"
#include "Sqlite.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <cerrno>
#include <csignal>

namespace registro {

namespace {

struct Present {
    QHash<QString, QString> municipalities; // code -> a name it bears
    QDate dataDate;
};

// What the register in place holds, to measure the new one against; nothing
// when it cannot be read (missing or damaged: then anything is better).
Present present(const QString& target)
{
    Present found;
    try {
        auto db = Database::open(target);
        found.dataDate = db->dataDate();
        sqlite::Connection raw(target, sqlite::isWalFile(target) ? sqlite::Connection::Mode::ReadOnlyImmutable
                                                                 : sqlite::Connection::Mode::ReadOnly);
        sqlite::Statement codes = raw.prepare(QStringLiteral("SELECT %1, %2 FROM %3 WHERE %4 <> 'EE'")
                                                  .arg(sql::kCode, sql::kName, sql::kTable, sql::kProvince));
        while (codes.step())
            found.municipalities.insert(codes.columnText(0), codes.columnText(1));
    } catch (const platform::Error&) {
        return {};
    }
    return found;
}

// An update killed while writing leaves its file beside the register
// ("Comuni.mdb.tmp1234", by its process number): once that process is
// gone, nothing else will remove it.
void removeLeftovers(const QString& target)
{
    const QFileInfo file(target);
    const QString prefix = file.fileName() + QStringLiteral(".tmp");
    const QDir folder = file.absoluteDir();
    for (const QString& name :
         folder.entryList({prefix + u'*'}, QDir::Files | QDir::Hidden | QDir::System | QDir::CaseSensitive)) {
        const QString number = name.mid(prefix.size());
        bool isNumber = !number.isEmpty() && number.size() <= 9;
        for (const QChar c : number)
            isNumber = isNumber && c >= u'0' && c <= u'9';
        if (isNumber && ::kill(pid_t(number.toInt()), 0) != 0 && errno == ESRCH)
            QFile::remove(folder.filePath(name));
    }
}

} // namespace

UpdateResult updateRegister(const QString& target, const sources::SourceFiles& files)
{
    removeLeftovers(target);
    // The archive and the changes alone first: an archive cut short is said
    // to be so, before the changes find the periods they close missing.
    const Present before = present(target);
    QSet<QString> codes;
    for (const QString& file : {files.municipalities, files.changes})
        for (const sources::ArchiveRow& row : sources::readArchive(file, sources::readFile(file)))
            codes.insert(row.code);
    QStringList missing;
    for (auto it = before.municipalities.cbegin(); it != before.municipalities.cend(); ++it)
        if (!codes.contains(it.key()))
            missing << it.key() + u' ' + it.value();
    if (!missing.isEmpty()) {
        missing.sort();
        throw sources::SourceError(
            files.municipalities, 0,
            QStringLiteral("mancano %1 codici del registro attuale (%2%3): il file sembra incompleto")
                .arg(missing.size())
                .arg(missing.mid(0, 3).join(QStringLiteral(", ")),
                     missing.size() > 3 ? QStringLiteral("…") : QString()));
    }
    const sources::Sources fresh = sources::readSources(files);
    if (before.dataDate.isValid() && fresh.dataDate < before.dataDate)
        throw sources::SourceError(
            files.municipalities, 0,
            QStringLiteral("l'archivio arriva al %1, il registro attuale al %2: è più vecchio")
                .arg(platform::italianDate(fresh.dataDate), platform::italianDate(before.dataDate)));

    writeRegister(target, fresh.records, fresh.dataDate);
    return {fresh.records.size(), fresh.dataDate};
}

} // namespace registro
