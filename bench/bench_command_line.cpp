// The command line end to end: `tarvolin calcola --csv` on 100,000 persons
// made up now from the register's own names, each born on a day its place
// was in force, and `tarvolin verifica --csv` on 100,000 codes of places
// spread over the whole register; timed from process start to exit (best of
// five). Also the CSV reader alone on inputs that would make a slower reader
// quadratic.

#include "BenchTable.h"
#include "CalcoloCodFis.h"
#include "ComuniStore.h"
#include "Csv.h"
#include "PlaceChoice.h"
#include "RegisterSql.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <optional>

namespace {

constexpr int kRows = 100'000;

struct Place {
    QString name;
    QString code;
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
        const QString code = cursor->field(registro::sql::kCode);
        if (registro::isCadastralCode(code))
            places.push_back({cursor->field(registro::sql::kName), code,
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

struct Person {
    QString surname, name, sex;
    QDate born;
    const Place* place;
};

// People born in places of the register, each on a day the place was in force.
std::vector<Person> people(const std::vector<Place>& places)
{
    const QStringList surnames{"Rossi",   "De Luca", "D'Amico",     "Esposito", "Bianchi", "Colombo",
                               "Ferrari", "Nicolò",  "Della Valle", "Russo",    "Fo",      "Yu"};
    const QStringList names{"Mario", "Anna", "Gianfranco", "Maria Grazia", "Luca", "Francesca", "Giò", "Al"};
    QRandomGenerator random(20261207);
    const QDate earliest(1900, 1, 1), today = QDate::currentDate();
    std::vector<Person> persons;
    for (int i = 0; i < kRows; ++i) {
        const Place& place = places[random.bounded(quint32(places.size()))];
        QDate from = place.first.isNull() ? earliest : std::max(place.first, earliest);
        QDate to = place.last.isNull() ? today : std::min(place.last, today);
        if (from > to) // a place gone before 1900
            from = place.first.isNull() ? QDate(1800, 1, 1) : place.first, to = place.last;
        persons.push_back({surnames[random.bounded(int(surnames.size()))], names[random.bounded(int(names.size()))],
                           random.bounded(2) ? QStringLiteral("M") : QStringLiteral("F"),
                           from.addDays(random.bounded(qint64(from.daysTo(to)) + 1)), &place});
    }
    return persons;
}

QByteArray personsFile(const std::vector<Person>& persons)
{
    QByteArray csv = "cognome,nome,data,sesso,luogo\n";
    for (const Person& p : persons)
        csv += quoted(p.surname) + ',' + quoted(p.name) + ',' + p.born.toString(QStringLiteral("dd/MM/yyyy")).toLatin1()
               + ',' + p.sex.toLatin1() + ',' + quoted(p.place->name) + '\n';
    return csv;
}

QByteArray codesFile(const std::vector<Person>& persons)
{
    QByteArray csv = "codice\n";
    for (const Person& p : persons)
        csv += CalcoloCodFis(p.surname, p.name, p.born, p.sex, p.place->code).toLatin1() + '\n';
    return csv;
}

struct Measure {
    double rowsPerSecond = 0;
    QByteArray output; // of the first run
};

// `tarvolin COMMAND --csv input`: once to check that every row got a row
// (and to warm the caches), then the best of five.
std::optional<Measure> measure(const QString& command, const QByteArray& input, QTextStream& out)
{
    const QString bin = QCoreApplication::applicationDirPath();
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("ingresso.csv"));
    const QString result = dir.filePath(QStringLiteral("uscita.csv"));
    QFile file(in);
    if (!file.open(QIODevice::WriteOnly) || file.write(input) != input.size()) {
        out << "cannot write " << in << '\n';
        return std::nullopt;
    }
    file.close();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    const auto timed = [&](const QString& output) -> std::optional<double> {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.setStandardOutputFile(output);
        QElapsedTimer timer;
        timer.start();
        process.start(bin + QStringLiteral("/tarvolin"), {command, QStringLiteral("--csv"), in});
        if (!process.waitForStarted(10000) || !process.waitForFinished(120000))
            return std::nullopt;
        return kRows / (double(timer.nsecsElapsed()) / 1e9);
    };
    Measure m;
    if (!timed(result)) {
        out << command << " failed\n";
        return std::nullopt;
    }
    QFile written(result);
    written.open(QIODevice::ReadOnly);
    m.output = written.readAll();
    if (m.output.count('\n') != kRows + 1) {
        out << command << " gave " << m.output.count('\n') << " lines for " << kRows << " rows\n";
        return std::nullopt;
    }
    for (int round = 0; round < 5; ++round) {
        const auto rate = timed(QProcess::nullDevice());
        if (!rate)
            return std::nullopt;
        m.rowsPerSecond = std::max(m.rowsPerSecond, *rate);
    }
    return m;
}

// The CSV reader on those inputs, 4 MiB each: the slowest of them, in MiB/s.
double slowestCsvRate()
{
    const int size = 4 << 20;
    double slowest = 0;
    for (const QByteArray& input :
         {QByteArray(size, '"'), QByteArray(size, ','), QByteArray(size, '\n'),
          QByteArray("\"") + QByteArray(size, 'a'), QByteArray("A\n") + QByteArray(size, '\xE8')}) {
        QElapsedTimer timer;
        timer.start();
        platform::readCsv(input);
        const double rate = 4.0 / (double(timer.nsecsElapsed()) / 1e9);
        slowest = slowest == 0 ? rate : std::min(slowest, rate);
    }
    return slowest;
}

void printRate(QTextStream& out, const QString& what, double rate)
{
    bench::printRow(out, what, QString::number(rate / 1e3, 'f', 0) + QStringLiteral(" k/s"),
                    QStringLiteral(">= 200 k/s"), rate >= 200e3);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const std::vector<Place> places = registerPlaces(QCoreApplication::applicationDirPath() + "/Comuni.mdb");
    const std::vector<Person> persons = people(places);

    const auto calcola = measure(QStringLiteral("calcola"), personsFile(persons), out);
    if (!calcola)
        return 1;
    printRate(out, QStringLiteral("calcola --csv, 100,000 persons, rows/s"), calcola->rowsPerSecond);
    bench::printRow(out, QStringLiteral("  of which computed (the rest: errors)"),
                    QString::number(100.0 * double(calcola->output.count(",ok,\n")) / kRows, 'f', 1) + " %", {}, true);

    const auto verifica = measure(QStringLiteral("verifica"), codesFile(persons), out);
    if (!verifica)
        return 1;
    printRate(out, QStringLiteral("verifica --csv, 100,000 codes, rows/s"), verifica->rowsPerSecond);
    bench::printRow(out, QStringLiteral("CSV reader, worst 4 MiB input"),
                    QString::number(slowestCsvRate(), 'f', 0) + QStringLiteral(" MiB/s"), {}, true);
    return 0;
}
