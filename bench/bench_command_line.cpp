// The command line end to end: `tarvolin calcola --csv` on 100,000 persons
// made up now from the register's own names, each born on a day its place
// was in force, timed from process start to exit (best of five).

#include "BenchTable.h"
#include "ComuniStore.h"
#include "PlaceChoice.h"
#include "RegisterSql.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

namespace {

constexpr int kPersons = 100'000;

struct Place {
    QString name;
    QDate first, last;
};

// Every name of the register with a code a fiscal code can hold.
std::vector<Place> registerPlaces(const QString& path)
{
    std::vector<Place> places;
    auto db = registro::Database::open(path);
    auto cursor = db->openRecordset(registro::sql::kTable);
    cursor->setIndex(registro::sql::kIndex);
    for (cursor->seek(QString()); !cursor->eof(); cursor->moveNext()) {
        if (registro::isCadastralCode(cursor->field(registro::sql::kCode)))
            places.push_back({cursor->field(registro::sql::kName),
                              registro::dateFromField(cursor->field(registro::sql::kFirst)),
                              registro::dateFromField(cursor->field(registro::sql::kLast))});
    }
    return places;
}

QByteArray quoted(const QString& field)
{
    QByteArray bytes = field.toUtf8();
    if (!bytes.contains(',') && !bytes.contains('"'))
        return bytes;
    return '"' + bytes.replace('"', "\"\"") + '"';
}

QByteArray persons(const std::vector<Place>& places)
{
    const QStringList surnames{"Rossi",   "De Luca", "D'Amico",     "Esposito", "Bianchi", "Colombo",
                               "Ferrari", "Nicolò",  "Della Valle", "Russo",    "Fo",      "Yu"};
    const QStringList names{"Mario", "Anna", "Gianfranco", "Maria Grazia", "Luca", "Francesca", "Giò", "Al"};
    QRandomGenerator random(20261207);
    const QDate earliest(1900, 1, 1), today = QDate::currentDate();
    QByteArray csv = "cognome,nome,data,sesso,luogo\n";
    for (int i = 0; i < kPersons; ++i) {
        const Place& place = places[random.bounded(quint32(places.size()))];
        QDate from = place.first.isNull() ? earliest : std::max(place.first, earliest);
        QDate to = place.last.isNull() ? today : std::min(place.last, today);
        if (from > to) // a place gone before 1900
            from = place.first.isNull() ? QDate(1800, 1, 1) : place.first, to = place.last;
        const QDate born = from.addDays(random.bounded(qint64(from.daysTo(to)) + 1));
        csv += quoted(surnames[random.bounded(int(surnames.size()))]) + ','
               + quoted(names[random.bounded(int(names.size()))]) + ','
               + born.toString(QStringLiteral("dd/MM/yyyy")).toLatin1() + (random.bounded(2) ? ",M," : ",F,")
               + quoted(place.name) + '\n';
    }
    return csv;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QString bin = QCoreApplication::applicationDirPath();
    QTemporaryDir dir;
    const QString input = dir.filePath(QStringLiteral("persone.csv"));
    {
        QFile file(input);
        if (!file.open(QIODevice::WriteOnly) || file.write(persons(registerPlaces(bin + "/Comuni.mdb"))) < 0) {
            out << "cannot write " << input << '\n';
            return 1;
        }
    }

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8")); // dates day first
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    const auto start = [&](QProcess& process, const QString& output) {
        process.setProcessEnvironment(environment);
        process.setStandardOutputFile(output);
        process.start(bin + QStringLiteral("/tarvolin"), {QStringLiteral("calcola"), QStringLiteral("--csv"), input});
        return process.waitForStarted(10000);
    };

    // Once to check that every person got a row (and to warm the caches).
    const QString result = dir.filePath(QStringLiteral("codici.csv"));
    {
        QProcess process;
        if (!start(process, result) || !process.waitForFinished(120000)) {
            out << "command line failed\n";
            return 1;
        }
    }
    QFile written(result);
    written.open(QIODevice::ReadOnly);
    const QByteArray rows = written.readAll();
    const qsizetype computed = rows.count(",ok,\n");
    if (rows.count('\n') != kPersons + 1) {
        out << "command line gave " << rows.count('\n') << " lines for " << kPersons << " persons\n";
        return 1;
    }

    double best = 0;
    for (int round = 0; round < 5; ++round) {
        QProcess process;
        QElapsedTimer timer;
        timer.start();
        if (!start(process, QProcess::nullDevice()) || !process.waitForFinished(120000))
            return 1;
        best = std::max(best, kPersons / (double(timer.nsecsElapsed()) / 1e9));
    }
    bench::printRow(out, QStringLiteral("calcola --csv, 100,000 persons, rows/s"),
                    QString::number(best / 1e3, 'f', 0) + QStringLiteral(" k/s"), QStringLiteral(">= 200 k/s"),
                    best >= 200e3);
    bench::printRow(out, QStringLiteral("  of which computed (the rest: errors)"),
                    QString::number(100.0 * double(computed) / kPersons, 'f', 1) + QStringLiteral(" %"), {}, true);
    return 0;
}
