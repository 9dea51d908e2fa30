// Writes the seed registers fuzz_register starts from into the directory
// given: small registers as the program writes them, and the odd ones other
// tools may leave (WAL mode, keys that are not text, codes that are no
// cadastral codes, periods that are none, missing index or metadata).
//
// Usage: register_seeds OUTPUT_DIR

#include "RegisterFile.h"
#include "Sqlite.h"

#include <QDir>
#include <cstdio>

namespace {

std::vector<registro::Record> records()
{
    return {
        {QStringLiteral("ROMA"), QStringLiteral("RM"), QStringLiteral("H501")},
        {QString::fromUtf8("FORLÌ"), QStringLiteral("FC"), QStringLiteral("D704")},
        {QStringLiteral("FORLIMPOPOLI"), QStringLiteral("FC"), QStringLiteral("D705")},
        {QStringLiteral("CASTRO"), QStringLiteral("BG"), QStringLiteral("C337")},
        {QStringLiteral("CASTRO"), QStringLiteral("LE"), QStringLiteral("M261")},
        {QStringLiteral("SANT'ELENA"), QStringLiteral("PD"), QStringLiteral("I319")},
        {QStringLiteral("CINA"), QStringLiteral("EE"), QStringLiteral("Z210")},
        // Periods with a gap, and a name official in one of them only.
        {QStringLiteral("LENNO"),
         QStringLiteral("CO"),
         QStringLiteral("E525"),
         {},
         {},
         {{QDate(1861, 3, 17), QDate(1929, 2, 7), QStringLiteral("CO")},
          {QDate(1947, 10, 3), QDate(2014, 2, 3), QStringLiteral("CO"), false}}},
    };
}

void write(const QDir& dir, const QString& name, const char* change = nullptr)
{
    const QString path = dir.filePath(name);
    registro::writeRegister(path, records(), QDate(2024, 1, 22));
    if (change)
        registro::sqlite::Connection(path, registro::sqlite::Connection::Mode::ReadWriteCreate).exec(change);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: register_seeds OUTPUT_DIR\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    try {
        write(dir, QStringLiteral("plain.mdb"));
        write(dir, QStringLiteral("wal.mdb"), "PRAGMA journal_mode = WAL");
        write(dir, QStringLiteral("blob-key.mdb"),
              "UPDATE Comuni SET COMU_KEY = CAST(COMU_KEY AS BLOB) WHERE rowid % 2");
        write(dir, QStringLiteral("odd-codes.mdb"),
              "UPDATE Comuni SET COMU_COD = CASE rowid % 3 WHEN 0 THEN '' WHEN 1 THEN lower(COMU_COD) "
              "ELSE zeroblob(300) END");
        write(dir, QStringLiteral("no-index.mdb"), "DROP INDEX COMU_DESCR");
        write(dir, QStringLiteral("odd-periods.mdb"),
              "UPDATE Comuni SET COMU_PERIODI = CASE rowid % 3 WHEN 0 THEN '2000-01-01/1990-01-01/XX/U' "
              "WHEN 1 THEN x'00ff' ELSE '//;;/' END; DROP TABLE Metadati");
    } catch (const std::exception& error) {
        std::fprintf(stderr, "register_seeds: %s\n", error.what());
        return 1;
    }
    return 0;
}
