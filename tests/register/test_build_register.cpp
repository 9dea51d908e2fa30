// The build-time side of the register: the CSV reader, the rules that turn the
// published files into records, the build-register tool, and the register the
// build produced.

#include "ComuniStore.h"
#include "Csv.h"
#include "RegisterFile.h"
#include "Sources.h"
#include "Sqlite.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <random>

using buildregister::readCsv;

namespace {

// "line:field|field|..." per row, to compare whole tables at a glance.
QStringList describe(const buildregister::CsvTable& table)
{
    QStringList rows;
    for (const auto& row : table.rows)
        rows << QString::number(row.line) + u':' + row.fields.join(u'|');
    return rows;
}

QStringList describe(const std::vector<registro::Record>& records)
{
    QStringList out;
    for (const auto& r : records)
        out << r.name + u' ' + r.province + u' ' + r.code;
    return out;
}

// Columns by name, in an order unlike the published file's.
const QByteArray kComuniHeader = "\"ID\",\"DENOMINAZIONE_IT\",\"CODCATASTALE\",\"SIGLAPROVINCIA\",\"DATAISTITUZIONE\","
                                 "\"DATACESSAZIONE\",\"STATO\"\n";

QByteArray comune(const char* name, const char* code, const char* province, const char* start = "1861-03-17",
                  const char* end = "9999-12-31")
{
    return QByteArray("1,\"") + name + "\",\"" + code + "\",\"" + province + "\",\"" + start + "\",\"" + end
           + "\",\"A\"\n";
}

QString sourceErrorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const buildregister::SourceError& e) {
        return QString::fromStdString(e.what());
    }
    return {};
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

struct Run {
    int exitCode = -1;
    QString errors;
};

Run runTool(const QStringList& arguments)
{
    QProcess tool;
    tool.start(QStringLiteral(BUILD_REGISTER_EXE), arguments);
    if (!tool.waitForFinished(60000))
        return {};
    return {tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1,
            QString::fromLocal8Bit(tool.readAllStandardError())};
}

} // namespace

class TestBuildRegister : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

private slots:
    // ------------------------------------------------------------ CSV reader

    void csvReads_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QStringList>("header");
        QTest::addColumn<QStringList>("rows");

        const QStringList ab = {"A", "B"};
        QTest::newRow("plain") << QByteArray("A,B\n1,2\n") << ab << QStringList{"2:1|2"};
        QTest::newRow("no final line break") << QByteArray("A,B\n1,2") << ab << QStringList{"2:1|2"};
        QTest::newRow("CR LF") << QByteArray("A,B\r\n1,2\r\n3,4\r\n") << ab << QStringList{"2:1|2", "3:3|4"};
        QTest::newRow("byte-order mark, quoted header")
            << QByteArray("\xEF\xBB\xBF\"A\",\"B\"\n\"x\",\"y\"\n") << ab << QStringList{"2:x|y"};
        QTest::newRow("comma and doubled quotes inside quotes")
            << QByteArray("A,B\n\"a,b\",\"say \"\"hi\"\"\"\n") << ab << QStringList{"2:a,b|say \"hi\""};
        QTest::newRow("line break inside quotes keeps line numbers")
            << QByteArray("A,B\n\"x\ny\",1\n2,3\n") << ab << QStringList{"2:x\ny|1", "4:2|3"};
        QTest::newRow("blank lines skipped")
            << QByteArray("A,B\n\n1,2\n\r\n3,4\n") << ab << QStringList{"3:1|2", "5:3|4"};
        QTest::newRow("empty fields") << QByteArray("A,B,C\n,,\n\"\",x,\n") << QStringList{"A", "B", "C"}
                                      << QStringList{"2:||", "3:|x|"};
        QTest::newRow("lone CR is text") << QByteArray("A\nx\ry\n") << QStringList{"A"} << QStringList{"2:x\ry"};
        QTest::newRow("accents and apostrophes as published")
            << QByteArray("A\n\"AGLIÈ\"\n\"SANT'ELENA \"\n") << QStringList{"A"}
            << QStringList{"2:AGLIÈ", "3:SANT'ELENA "};
    }

    void csvReads()
    {
        QFETCH(QByteArray, input);
        QFETCH(QStringList, header);
        QFETCH(QStringList, rows);
        const auto table = readCsv(input);
        QVERIFY2(table.ok(), qPrintable(table.error));
        QCOMPARE(table.header, header);
        QCOMPARE(describe(table), rows);
    }

    void csvFaults_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("message");

        QTest::newRow("empty") << QByteArray() << 1 << "no header";
        QTest::newRow("byte-order mark only") << QByteArray("\xEF\xBB\xBF") << 1 << "no header";
        QTest::newRow("too few fields") << QByteArray("A,B\n1,2\n3\n") << 3 << "expected 2 fields, found 1";
        QTest::newRow("too many fields") << QByteArray("A,B\n1,2,3\n") << 2 << "expected 2 fields, found 3";
        QTest::newRow("trailing comma") << QByteArray("A,B\n1,2,\n") << 2 << "found 3";
        QTest::newRow("unterminated quote, reported where it opened")
            << QByteArray("A,B\n1,2\n\"x,3\n4,5\n") << 3 << "never closed";
        QTest::newRow("quote inside unquoted field") << QByteArray("A,B\n1,x\"y\n") << 2 << "stray quote";
        QTest::newRow("text after closing quote") << QByteArray("A,B\n\"x\"y,1\n") << 2 << "stray quote";
        QTest::newRow("blank before opening quote") << QByteArray("A,B\n1, \"x\"\n") << 2 << "stray quote";
        QTest::newRow("truncated UTF-8") << QByteArray("A,B\n1,\xC3\n") << 2 << "field 2 is not valid UTF-8";
        QTest::newRow("overlong UTF-8") << QByteArray("A\n\xC0\x80\n") << 2 << "not valid UTF-8";
        QTest::newRow("Latin-1 instead of UTF-8") << QByteArray("A\nAGLI\xC8\n") << 2 << "not valid UTF-8";
        QTest::newRow("after a quoted line break") << QByteArray("A,B\n\"x\ny\",1\n2\n") << 4 << "found 1";
    }

    void csvFaults()
    {
        QFETCH(QByteArray, input);
        QFETCH(int, line);
        QFETCH(QString, message);
        const auto table = readCsv(input);
        QVERIFY(!table.ok());
        QCOMPARE(table.errorLine, qsizetype(line));
        QVERIFY2(table.error.contains(message), qPrintable(table.error));
    }

    // Random bytes drawn from the characters that matter to the reader: it
    // must always come back, with a coherent table or a located fault.
    void csvSurvivesArbitraryBytes()
    {
        const char alphabet[] = {'"', '"',    ',',    ',',  '\n',   '\r',   'A',
                                 ' ', '\xC3', '\x88', '\0', '\xEF', '\xBB', '\xBF'};
        std::mt19937 random(20240611);
        for (int round = 0; round < 20000; ++round) {
            QByteArray input(int(random() % 48), '\0');
            for (char& c : input)
                c = alphabet[random() % sizeof alphabet];
            const auto table = readCsv(input);
            const qsizetype lines = input.count('\n') + 1;
            if (!table.ok()) {
                QVERIFY(table.errorLine >= 1 && table.errorLine <= lines);
                continue;
            }
            qsizetype previous = 0;
            for (const auto& row : table.rows) {
                QCOMPARE(row.fields.size(), table.header.size());
                QVERIFY(row.line > previous && row.line <= lines);
                previous = row.line;
            }
        }
    }

    void csvLinearOnPathologicalInput_data()
    {
        QTest::addColumn<QByteArray>("input");
        const int size = 4 << 20;
        QTest::newRow("quotes") << QByteArray(size, '"');
        QTest::newRow("commas") << QByteArray(size, ',');
        QTest::newRow("line breaks") << QByteArray(size, '\n');
        QTest::newRow("one open quote") << QByteArray("\"") + QByteArray(size, 'a');
        QTest::newRow("one long field") << QByteArray("A\n") + QByteArray(size, '\xE8');
    }

    void csvLinearOnPathologicalInput()
    {
        QFETCH(QByteArray, input);
        QElapsedTimer timer;
        timer.start();
        const auto table = readCsv(input);
        QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(table.ok() || table.errorLine >= 1);
    }

    // ------------------------------------------------------ source records

    void municipalityFaults_data()
    {
        QTest::addColumn<QByteArray>("badRow");
        QTest::addColumn<QString>("message");

        QTest::newRow("empty name") << comune("", "A001", "PD") << "empty name";
        QTest::newRow("tab in name") << comune("ABANO\tTERME", "A001", "PD") << "control";
        QTest::newRow("short code") << comune("ABANO", "A01", "PD") << "'A01' is not a letter and three digits";
        QTest::newRow("digit first") << comune("ABANO", "1234", "PD") << "'1234'";
        QTest::newRow("lower-case letter") << comune("ABANO", "a001", "PD") << "'a001'";
        QTest::newRow("long code") << comune("ABANO", "A0011", "PD") << "'A0011'";
        QTest::newRow("empty code") << comune("ABANO", "", "PD") << "''";
        QTest::newRow("province") << comune("ABANO", "A001", "pd") << "province 'pd'";
        QTest::newRow("empty province") << comune("ABANO", "A001", "") << "province ''";
        QTest::newRow("date") << comune("ABANO", "A001", "PD", "1866-11-1") << "not yyyy-mm-dd";
        QTest::newRow("missing field") << QByteArray("1,\"ABANO\",\"A001\",\"PD\",\"1866-11-19\",\"A\"\n")
                                       << "expected 7 fields, found 6";
        QTest::newRow("unterminated quote") << QByteArray("1,\"ABANO,\"A001\",\"PD\"\n") << "";
        QTest::newRow("stray quote") << QByteArray("1,AB\"ANO,A001,PD,1866-11-19,9999-12-31,A\n") << "stray quote";
    }

    // The bad row is the file's third line, after a good one.
    void municipalityFaults()
    {
        QFETCH(QByteArray, badRow);
        QFETCH(QString, message);
        const QByteArray csv = kComuniHeader + comune("ROMA", "H501", "RM") + badRow;
        const QString error =
            sourceErrorOf([&] { buildregister::readMunicipalities(QStringLiteral("comuni.csv"), csv); });
        QVERIFY2(error.startsWith(QStringLiteral("comuni.csv:3: ")), qPrintable(error));
        QVERIFY2(error.contains(message), qPrintable(error));
    }

    void municipalityMissingColumn()
    {
        const QByteArray csv = "\"DENOMINAZIONE_IT\",\"SIGLAPROVINCIA\",\"DATAISTITUZIONE\",\"DATACESSAZIONE\"\n";
        QCOMPARE(sourceErrorOf([&] { buildregister::readMunicipalities(QStringLiteral("c.csv"), csv); }),
                 QStringLiteral("c.csv:1: missing column CODCATASTALE"));
    }

    void municipalityKeepsOnePairWithItsLatestProvince()
    {
        const QByteArray csv = kComuniHeader
                               + comune("AGLIÈ", "A074", "TO", "1945-05-05", "9999-12-31") // latest, listed first
                               + comune("AGLIÈ", "A074", "AO", "1927-01-12", "1945-05-04")
                               + comune("ABANO", "A001", "PD", "1866-11-19", "1924-11-13") // renamed: same code,
                               + comune("ABANO TERME", "A001", "PD", "1924-11-14") // two names
                               + comune("CASTRO", "C337", "BG") + comune("CASTRO", "M261", "LE") // one name, two codes
                               + comune("PIEVE", "G001", "AA", "1900-01-01", "2000-01-01")
                               + comune("PIEVE", "G001", "BB", "1950-01-01", "2000-01-01") // same end: later start wins
                               + comune("PIEVE", "G001", "CC", "1950-01-01", "2000-01-01") // full tie: first stays
                               + comune("SENALE", "ND", "BZ"); // no code: left out
        const auto records = buildregister::readMunicipalities(QStringLiteral("c.csv"), csv);
        QCOMPARE(describe(records), (QStringList{"AGLIÈ TO A074", "ABANO PD A001", "ABANO TERME PD A001",
                                                 "CASTRO BG C337", "CASTRO LE M261", "PIEVE BB G001"}));
    }

    void foreignStates()
    {
        const QByteArray csv = "\"ID\",\"DENOMINAZIONE\",\"CODAT\",\"TIPO\"\r\n"
                               "\"1\",\"AFGHANISTAN\",\"Z200\",\"STATO\"\r\n"
                               "\"2\",\"ITALIA\",\"\",\"\"\r\n"
                               "\"3\",\"\",\"\",\"\"\r\n"
                               "\"4\",\"BONAIRE, SINT EUSTATIUS, SABA\",\"\",\"TERRITORIO\"\r\n"
                               "\"5\",\"STATI UNITI D'AMERICA\",\"Z404\",\"STATO\"\r\n";
        QCOMPARE(describe(buildregister::readForeignStates(QStringLiteral("s.csv"), csv)),
                 (QStringList{"AFGHANISTAN EE Z200", "STATI UNITI D'AMERICA EE Z404"}));

        const QByteArray head = "\"DENOMINAZIONE\",\"CODAT\"\r\n\"ALBANIA\",\"Z100\"\r\n";
        const auto failure = [&](const QByteArray& row) {
            return sourceErrorOf([&] { buildregister::readForeignStates(QStringLiteral("s.csv"), head + row); });
        };
        QCOMPARE(failure("\"\",\"Z999\"\r\n"), QStringLiteral("s.csv:3: empty name"));
        QCOMPARE(failure("\"ROMA\",\"H501\"\r\n"), QStringLiteral("s.csv:3: code 'H501' is not Z and three digits"));
        QVERIFY(failure("\"X\",\"Z12\"\r\n").startsWith(QStringLiteral("s.csv:3: code 'Z12'")));
        QVERIFY(failure("\"X\"\r\n").startsWith(QStringLiteral("s.csv:3: expected 2 fields")));
    }

    void sourcesMergeWithoutDuplicates()
    {
        const QString comuni = dir_.filePath(QStringLiteral("m.csv"));
        const QString stati = dir_.filePath(QStringLiteral("f.csv"));
        const QString cessati = dir_.filePath(QStringLiteral("c.csv"));
        QVERIFY(writeFile(comuni, kComuniHeader + comune("PALAU", "G258", "SS")));
        QVERIFY(writeFile(stati, "\"DENOMINAZIONE\",\"CODAT\"\n\"PALAU\",\"Z734\"\n\"JUGOSLAVIA\",\"Z118\"\n"));
        QVERIFY(
            writeFile(cessati, "\"DENOMINAZIONE\",\"CODAT\"\n\"JUGOSLAVIA\",\"Z118\"\n\"CECOSLOVACCHIA\",\"Z105\"\n"));
        QCOMPARE(describe(buildregister::readSources(comuni, stati, cessati)),
                 (QStringList{"PALAU SS G258", "PALAU EE Z734", "JUGOSLAVIA EE Z118", "CECOSLOVACCHIA EE Z105"}));

        const QString missing = dir_.filePath(QStringLiteral("nowhere.csv"));
        QVERIFY(sourceErrorOf([&] {
                    buildregister::readSources(comuni, missing, cessati);
                }).startsWith(missing + QStringLiteral(":0: ")));
    }

    // ------------------------------------------------------------ the tool

    void toolBuildsSameBytesEveryTime()
    {
        const QString comuni = dir_.filePath(QStringLiteral("tm.csv"));
        const QString stati = dir_.filePath(QStringLiteral("tf.csv"));
        const QString cessati = dir_.filePath(QStringLiteral("tc.csv"));
        QVERIFY(writeFile(comuni, kComuniHeader + comune("ROMA", "H501", "RM") + comune("AGLIÈ", "A074", "TO")
                                      + comune("CASTRO", "M261", "LE") + comune("CASTRO", "C337", "BG")));
        QVERIFY(writeFile(stati, "\"DENOMINAZIONE\",\"CODAT\"\n\"STATI UNITI D'AMERICA\",\"Z404\"\n"));
        QVERIFY(writeFile(cessati, "\"DENOMINAZIONE\",\"CODAT\"\n\"JUGOSLAVIA\",\"Z118\"\n"));
        const QString first = dir_.filePath(QStringLiteral("first.mdb"));
        const QString second = dir_.filePath(QStringLiteral("second.mdb"));
        QCOMPARE(runTool({comuni, stati, cessati, first}).exitCode, 0);
        QCOMPARE(runTool({comuni, stati, cessati, second}).exitCode, 0);
        const QByteArray bytes = fileBytes(first);
        QVERIFY(!bytes.isEmpty());
        QCOMPARE(fileBytes(second), bytes);

        // The writer's own sort fixes the order, not the order of the input.
        auto records = buildregister::readSources(comuni, stati, cessati);
        std::reverse(records.begin(), records.end());
        const QString shuffled = dir_.filePath(QStringLiteral("shuffled.mdb"));
        registro::writeRegister(shuffled, records);
        QCOMPARE(fileBytes(shuffled), bytes);
    }

    void toolFailsOnMalformedRow()
    {
        const QString comuni = dir_.filePath(QStringLiteral("bad.csv"));
        const QString stati = dir_.filePath(QStringLiteral("bf.csv"));
        QVERIFY(writeFile(comuni, kComuniHeader + comune("ROMA", "H501", "RM") + comune("MILANO", "F25", "MI")));
        QVERIFY(writeFile(stati, "\"DENOMINAZIONE\",\"CODAT\"\n"));
        const QString output = dir_.filePath(QStringLiteral("never.mdb"));
        const Run run = runTool({comuni, stati, stati, output});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.errors.contains(comuni + QStringLiteral(":3: cadastral code 'F25'")), qPrintable(run.errors));
        QVERIFY(!QFile::exists(output));
        QVERIFY(QDir(dir_.path()).entryList({QStringLiteral("never.mdb*")}).isEmpty());
    }

    // ------------------------------------------------- the built register

    void builtRegisterIsUpToDateAndReproducible()
    {
        const QString data = QStringLiteral(TARVOLIN_DATA_DIR);
        const QString rebuilt = dir_.filePath(QStringLiteral("Comuni.mdb"));
        QCOMPARE(runTool({data + QStringLiteral("/ANPR_archivio_comuni.csv"),
                          data + QStringLiteral("/ANPR_stati_esteri.csv"), data + QStringLiteral("/stati_cessati.csv"),
                          rebuilt})
                     .exitCode,
                 0);
        QCOMPARE(fileBytes(rebuilt), fileBytes(QStringLiteral(TARVOLIN_REGISTER)));
    }

    void builtRegisterCounts()
    {
        registro::sqlite::Connection db(QStringLiteral(TARVOLIN_REGISTER),
                                        registro::sqlite::Connection::Mode::ReadOnly);
        int municipalities = 0, foreign = 0, distinct = 0;
        db.prepare(QStringLiteral("SELECT sum(COMU_PROV <> 'EE'), sum(COMU_PROV = 'EE'), "
                                  "count(DISTINCT COMU_DESCR || '/' || COMU_COD) FROM Comuni"))
            .stepOnce([&](const registro::sqlite::Statement& row) {
                municipalities = int(row.columnInt64(0));
                foreign = int(row.columnInt64(1));
                distinct = int(row.columnInt64(2));
            });
        // The archive's 10,708 distinct (name, code) pairs less the 15 whose
        // code is "ND"; 208 foreign states with a code plus 5 ceased ones.
        QCOMPARE(municipalities, 10708 - 15);
        QCOMPARE(foreign, 208 + 5);
        QCOMPARE(distinct, municipalities + foreign);
    }

    void builtRegisterLookUps_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QStringList>("records"); // from the seek on, "name prov code"

        QTest::newRow("ROMA") << "roma" << QStringList{"ROMA RM H501"};
        QTest::newRow("MILANO") << "Milano" << QStringList{"MILANO MI F205"};
        QTest::newRow("AGLIÈ") << "agliè" << QStringList{"AGLIÈ TO A074"};
        QTest::newRow("ABETONE, then ABETONE CUTIGLIANO")
            << "abetone" << QStringList{"ABETONE PT A012", "ABETONE CUTIGLIANO PT M376"};
        QTest::newRow("merged into ABETONE CUTIGLIANO, old name and code")
            << "cutigliano" << QStringList{"CUTIGLIANO PT D235"};
        QTest::newRow("foreign state") << "stati uniti" << QStringList{"STATI UNITI D'AMERICA EE Z404"};
        QTest::newRow("ceased state") << "jugoslavia" << QStringList{"JUGOSLAVIA EE Z118"};
        QTest::newRow("municipality and state of one name") << "palau" << QStringList{"PALAU SS G258", "PALAU EE Z734"};
        QTest::newRow("47 characters") << "challant saint anselme et"
                                       << QStringList{"CHALLANT SAINT ANSELME ET CHALLANT SAINT VICTOR AO C592"};
    }

    void builtRegisterLookUps()
    {
        QFETCH(QString, key);
        QFETCH(QStringList, records);
        auto db = registro::Database::open(QStringLiteral(TARVOLIN_REGISTER));
        auto rs = db->openRecordset(QStringLiteral("Comuni"));
        rs->setIndex(QStringLiteral("COMU_DESCR"));
        rs->seek(key);
        QVERIFY(!rs->noMatch());
        QStringList seen;
        for (qsizetype i = 0; i < records.size() && !rs->eof(); ++i, rs->moveNext())
            seen << rs->field(QStringLiteral("COMU_DESCR")) + u' ' + rs->field(QStringLiteral("COMU_PROV")) + u' '
                        + rs->field(QStringLiteral("COMU_COD"));
        QCOMPARE(seen, records);
    }
};

QTEST_GUILESS_MAIN(TestBuildRegister)
#include "test_build_register.moc"
