// The command line end to end: the built program run as a user runs it, with
// no display at all, on arguments, on a CSV file of good and bad rows, on
// standard input, and without its register.

#include "Program.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

using namespace program;

// A file as people make them: extra and reordered columns, quoted fields
// with commas, quotes and line breaks, CR LF, a blank line, and bad rows.
const QByteArray kPersons = "id,luogo,data,COGNOME,nome, sesso \n"
                            "1,Roma,7/5/1983,Rossetti,Marta,F\r\n"
                            "2,\"Forl\xC3\xAC\",1983-05-07,\"D'Amico, detto \"\"Nino\"\"\",Nicol\xC3\xB2,m\n"
                            "\n"
                            "3,San Don\xC3\xA0 di Piave,07051983,\"De\nLuca\",Gianfranco,M\n"
                            "4,Castro,1/1/1980,Rossi,Mario,M\n"
                            "5,Roma,1/1/1850,Rossi,Mario,M\n"
                            "6,Atlantide,1/1/1980,Rossi,Mario,M\n"
                            "7,Roma,31/02/1983,Rossi,Mario,M\n"
                            "8,Roma,1/1/1980,Rossi,Mario,X\n"
                            "9,Roma,1/1/1980,,Mario,M\n"
                            "10,Roma,1/1/1980,Rossi\n"
                            "11,Roma,1/1/1980,Ro\"ssi,Mario,M\n"
                            "12,Roma,1/1/1980,Rossi,Mario\xFF,M\n"
                            "13,Bellagio,1/1/2020,Rossi,Mario,M\n";

const QStringList kPersonsOut{
    "id,luogo,data,COGNOME,nome, sesso ,codice,esito,motivo",
    "RSSMRT83E47H501T|ok|",
    "DMCNCL83E07D704A|ok|",
    "DLCGFR83E07H823M|ok|",
    "|errore|Più luoghi di nome CASTRO in vigore il 01/01/1980: CASTRO (LE) M261, in vigore dal 28/05/1975; "
    "CASTRO (BG) C337, in vigore dal 17/03/1861.",
    "|errore|Nessun luogo di nome ROMA in vigore il 01/01/1850: ROMA (RM) H501, in vigore dal 11/09/1884.",
    "|errore|Comune non in elenco",
    "|errore|Data di nascita non valida.",
    "|errore|Sesso non valido: indicare M o F.",
    "|errore|Cognome non valido.",
    "|errore|Riga 13: 4 campi invece di 6.",
    "|errore|Riga 14 non leggibile: virgolette nel campo 4, che non è tra virgolette.",
    "|errore|Riga 15 non leggibile: il campo 5 non è testo UTF-8.",
    "RSSMRA20A01M335V|ok|",
};

} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    QString file(const QString& name, const QByteArray& bytes) { return writeFile(dir.filePath(name), bytes); }

private slots:
    void initTestCase() { QVERIFY(dir.isValid()); }

    void arguments_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("rows"); // columns() of the output
        const auto calcola = [](const QStringList& person) { return QStringList{"calcola"} + person; };
        const auto verifica = [](const QStringList& codes) { return QStringList{"verifica"} + codes; };
        QTest::newRow("calcola") << calcola({"Rossetti", "Marta", "7/5/1983", "F", "Roma"}) << 0
                                 << QStringList{kCalcolaHeader, "RSSMRT83E47H501T|ok|"};
        QTest::newRow("calcola, accents, small letters, blanks")
            << calcola({"d'amico", "Nicolò", "1983-05-07", "m", " forli "}) << 0
            << QStringList{kCalcolaHeader, "DMCNCL83E07D704A|ok|"};
        // BELLAGIO took a new code on 4 February 2014.
        QTest::newRow("calcola, the place's last day") << calcola({"Rossi", "Mario", "3/2/2014", "M", "Bellagio"}) << 0
                                                       << QStringList{kCalcolaHeader, "RSSMRA14B03A744V|ok|"};
        QTest::newRow("calcola, the new place's first day") << calcola({"Rossi", "Mario", "4/2/2014", "M", "Bellagio"})
                                                            << 0 << QStringList{kCalcolaHeader, "RSSMRA14B04M335C|ok|"};
        QTest::newRow("calcola, an ambiguous place") << calcola({"Rossi", "Mario", "1/1/1980", "M", "castro"}) << 1
                                                     << QStringList{kCalcolaHeader, kPersonsOut[4]};
        // SAN TEODORO of Sardinia was in OT in 2010 and is in SS now; the one of Messina is in ME.
        QTest::newRow("calcola, the province of the birth day")
            << calcola({"Rossi", "Mario", "1/1/2010", "M", "San Teodoro", "OT"}) << 0
            << QStringList{"cognome,nome,data,sesso,luogo,provincia,codice,esito,motivo", "RSSMRA10A01I329T|ok|"};
        QTest::newRow("calcola, a date after today")
            << calcola({"Rossi", "Mario", "1/1/2999", "M", "Roma"}) << 1
            << QStringList{kCalcolaHeader, "|errore|Data di nascita non valida."};
        QTest::newRow("calcola, a surname of digits") << calcola({"123", "Mario", "1/1/1980", "M", "Roma"}) << 1
                                                      << QStringList{kCalcolaHeader, "|errore|Cognome non valido."};
        QTest::newRow("calcola, a name of a tab and a dot") << calcola({"Rossi", "\t.", "1/1/1980", "M", "Roma"}) << 1
                                                            << QStringList{kCalcolaHeader, "|errore|Nome non valido."};
        // The card's own check: a name needs a Latin letter, however typed.
        QTest::newRow("calcola, a Cyrillic surname")
            << calcola({QString::fromUtf8("Шевченко"), "Taras", "1/1/1980", "M", "Roma"}) << 1
            << QStringList{kCalcolaHeader, "|errore|Cognome non valido."};
        QTest::newRow("calcola, a full-width surname")
            << calcola({QString::fromUtf8("ＲＯＳＳＩ"), "Mario", "1/1/1980", "M", "Roma"}) << 0
            << QStringList{kCalcolaHeader, "RSSMRA80A01H501U|ok|"};
        // Periods from the archive and its changes: a gap is not in force.
        QTest::newRow("calcola, LENNO when it was part of TREMEZZINA")
            << calcola({"Rossi", "Mario", "1/1/1935", "M", "Lenno"}) << 1
            << QStringList{kCalcolaHeader, "|errore|Nessun luogo di nome LENNO in vigore il 01/01/1935: LENNO (CO) "
                                           "E525, in vigore dal 17/03/1861 al 07/02/1929, poi dal 03/10/1947 al "
                                           "03/02/2014."};
        QTest::newRow("calcola, MASSA when it was part of APUANIA")
            << calcola({"Rossi", "Mario", "1/1/1940", "M", "Massa"}) << 1
            << QStringList{kCalcolaHeader, "|errore|Nessun luogo di nome MASSA in vigore il 01/01/1940: MASSA (MS) "
                                           "F023, in vigore dal 10/10/1868 al 17/12/1938, poi dal 04/03/1946."};
        QTest::newRow("calcola, LIVO of Trento: the one of Como did not exist in 1935")
            << calcola({"Rossi", "Mario", "1/1/1935", "M", "Livo"}) << 0
            << QStringList{kCalcolaHeader, "RSSMRA35A01E624X|ok|"};
        QTest::newRow("calcola, SOVIZZO's code of 2024") << calcola({"Rossi", "Mario", "1/6/2024", "M", "Sovizzo"}) << 0
                                                         << QStringList{kCalcolaHeader, "RSSMRA24H01M436T|ok|"};
        QTest::newRow("calcola, URSS after its end")
            << calcola({"Rossi", "Mario", "1/1/2000", "M", "URSS"}) << 1
            << QStringList{kCalcolaHeader, "|errore|Nessun luogo di nome URSS in vigore il 01/01/2000: URSS (EE) "
                                           "Z135, in vigore fino al 25/12/1991."};
        // The official name of the day, and the province of that day.
        QTest::newRow("verifica, official names and provinces of the day")
            << verifica({"RSSMRA20A01F132Z", "RSSMRA20A01Z114V", "RSSMRA80A01I421T", "RSSMRA80A01F704F"}) << 0
            << QStringList{kVerificaHeader, "valido|M|01/01/2020|MERANO|BZ|F132|0",
                           "valido|M|01/01/2020|REGNO UNITO|EE|Z114|0", "valido|M|01/01/1980|SAPPADA|BL|I421|0",
                           "valido|M|01/01/1980|MONZA|MI|F704|0"};
        QTest::newRow("verifica, one code valid") << verifica({"RSSMRT83E47H50ML"}) << 0
                                                  << QStringList{kVerificaHeader, "valido|F|07/05/1983|ROMA|RM|H501|1"};
        QTest::newRow("verifica, every code valid")
            << verifica({"rssmrt83e47h501t", "RSSMRT90A01A952A"}) << 0
            << QStringList{kVerificaHeader, "valido|F|07/05/1983|ROMA|RM|H501|0",
                           "valido|M|01/01/1990|BOLZANO|BZ|A952|0"};
        QTest::newRow("verifica, a wrong one among them")
            << verifica({"RSSMRT83E47H501T", "RSSMRT83E47H501X", "RSSMRT"}) << 1
            << QStringList{kVerificaHeader, "valido|F|07/05/1983|ROMA|RM|H501|0",
                           "non valido|F|07/05/1983|ROMA|RM|H501|0", "non valido||||||"};
    }
    void arguments()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QStringList, rows);
        const Run r = run(arguments);
        QCOMPARE(r.err, QByteArray()); // nothing from Qt about a missing display
        QCOMPARE(r.status, status);
        QCOMPARE(columns(r.out, arguments[0] == u"calcola" ? kCalcolaOut : kVerificaOut), rows);
    }

    void csvFile_data()
    {
        QTest::addColumn<bool>("standardInput");
        QTest::newRow("file") << false;
        QTest::newRow("standard input") << true;
    }
    void csvFile()
    {
        QFETCH(bool, standardInput);
        const Run r = standardInput ? run({"calcola", "--csv", "-"}, Options().input(kPersons))
                                    : run({"calcola", "--csv", file(QStringLiteral("persone.csv"), kPersons)});
        QCOMPARE(r.err, QByteArray());
        QCOMPARE(r.status, 1); // some rows failed, every row answered
        QCOMPARE(columns(r.out, kCalcolaOut), kPersonsOut);
        // The input columns come back as they were, quoted where they must be.
        const QByteArray head = "id,luogo,data,COGNOME,nome, sesso ,codice,esito,motivo\n"
                                "1,Roma,7/5/1983,Rossetti,Marta,F,RSSMRT83E47H501T,ok,\n"
                                "2,Forl\xC3\xAC,1983-05-07,\"D'Amico, detto \"\"Nino\"\"\",Nicol\xC3\xB2,m,"
                                "DMCNCL83E07D704A,ok,\n"
                                "3,San Don\xC3\xA0 di Piave,07051983,\"De\nLuca\",Gianfranco,M,DLCGFR83E07H823M,ok,\n"
                                "4,Castro,1/1/1980,Rossi,Mario,M,,errore,\"Più luoghi";
        QVERIFY2(r.out.startsWith(head), r.out.left(400).constData());
        // A row that cannot be read keeps its fields, bad bytes as U+FFFD.
        QVERIFY(r.out.contains("\n11,Roma,1/1/1980,\"Ro\"\"ssi\",Mario,M,,errore,\"Riga 14 "));
        QVERIFY(r.out.contains("\n12,Roma,1/1/1980,Rossi,Mario\xEF\xBF\xBD,M,,errore,Riga 15 "));
    }

    // Places as people type them, in one file: each row's code or reason.
    void placesAsTyped()
    {
        const char* const cases[][3] = {
            // Either side of a new code, in one run and both ways round:
            // BELLAGIO's of 4 February 2014, LONGARONE's of 22 February.
            {"BELLAGIO", "3/2/2014", "RSSMRA14B03A744V|ok|"},
            {"BELLAGIO", "4/2/2014", "RSSMRA14B04M335C|ok|"},
            {"LONGARONE", "22/2/2014", "RSSMRA14B22M342T|ok|"},
            {"LONGARONE", "21/2/2014", "RSSMRA14B21E672R|ok|"},
            // Spellings: a final apostrophe is the accent; blank, hyphen and
            // apostrophe one separator; a name typed with its accent is that
            // spelling, one without it may be either.
            {"PATERNÒ", "1/1/1990", "RSSMRA90A01G371W|ok|"},
            {"PATERNO'", "1/1/1990", "RSSMRA90A01G371W|ok|"},
            {"PATERNO", "1/1/1990",
             "|errore|Più luoghi di nome PATERNO in vigore il 01/01/1990: PATERNO (PZ) M269, in vigore dal "
             "25/06/1973; PATERNÒ (CT) G371, in vigore dal 17/03/1861."},
            {"FORLI'", "1/1/1990", "RSSMRA90A01D704F|ok|"},
            {"SAN DONA' DI PIAVE", "1/1/2020", "RSSMRA20A01H823V|ok|"},
            {"NARDO'", "1/1/2020", "RSSMRA20A01F842T|ok|"},
            {"SANT ANTIOCO", "1/1/2020", "RSSMRA20A01I294R|ok|"},
            {"CITTA DEL VATICANO", "1/1/2020", "RSSMRA20A01Z106A|ok|"},
            // Halves of bilingual names, and a hyphenated name that is none.
            {"DUINO-AURISINA", "1/1/2020", "RSSMRA20A01D383L|ok|"},
            {"DEVIN NABREZINA", "1/1/2020", "RSSMRA20A01D383L|ok|"},
            {"DOLINA", "1/1/2020", "RSSMRA20A01D324H|ok|"},
            {"SÈN JAN", "1/1/2020", "RSSMRA20A01M390P|ok|"},
            {"UGGIATE-TREVANO", "1/1/2020", "RSSMRA20A01L487F|ok|"},
            // Names in use.
            {"REGGIO EMILIA", "1/1/2020", "RSSMRA20A01H223H|ok|"},
            {"SAN REMO", "1/1/2020", "RSSMRA20A01I138Q|ok|"},
            {"MONTECATINI TERME", "1/1/2020", "RSSMRA20A01A561F|ok|"},
            {"STATI UNITI", "1/1/2020", "RSSMRA20A01Z404D|ok|"},
            // Named otherwise on the birth date: the name of that day said.
            {"ROVIGNO", "1/1/1935", "RSSMRA35A01H619L|ok|Il 01/01/1935 il luogo si chiamava ROVIGNO D'ISTRIA (PL)."},
            {"LA SPEZIA", "1/1/1920", "RSSMRA20A01E463M|ok|Il 01/01/1920 il luogo si chiamava SPEZIA (GE)."},
            // A province given: the place of the name in force there, or the
            // one that bore the name there, under its name of that day.
            {"CASTRO|LE", "1/1/1970",
             "|errore|Nessun luogo di nome CASTRO in provincia di LE il 01/01/1970; in vigore: CASTRO (BG) C337, in "
             "vigore dal 17/03/1861."},
            {"CALLIANO|AT", "1/1/2023",
             "RSSMRA23A01B418T|ok|Il 01/01/2023 il luogo si chiamava CALLIANO MONFERRATO (AT)."},
            {"SAN TEODORO|OT", "1/1/2010", "RSSMRA10A01I329T|ok|"},
            // Two codes bore the name, neither in force: not guessed between.
            {"FIUME", "1/1/1960",
             "|errore|Nessun luogo di nome FIUME in vigore il 01/01/1960: FIUME (FU) D620, in vigore dal 09/03/1924 al "
             "15/09/1947; FIUME (UD) D621, in vigore dal 19/11/1866 al 31/10/1911."},
            // Abbreviations.
            {"S. GIOVANNI ROTONDO", "1/1/1990", "RSSMRA90A01H926V|ok|"},
            {"S.GIOVANNI ROTONDO", "1/1/1990", "RSSMRA90A01H926V|ok|"},
            {"SS. COSMA E DAMIANO", "1/1/1990", "RSSMRA90A01I339P|ok|"},
            {"SANTANTIOCO", "1/1/1990", "RSSMRA90A01I294H|ok|"},
            {"SANKT LORENZEN", "1/1/1990", "RSSMRA90A01H956Y|ok|"},
            // Born after the newest day of the register's data.
            {"UGGIATE-TREVANO", "1/6/2024",
             "|errore|Nessun luogo di nome UGGIATE-TREVANO in vigore il 01/06/2024 (elenco dei comuni aggiornato al "
             "22/01/2024): UGGIATE-TREVANO (CO) L487, in vigore dal 18/01/1938 al 31/12/2023."},
            {"ATLANTIDE", "1/6/2024", "|errore|Comune non in elenco (elenco dei comuni aggiornato al 22/01/2024)"},
            {"ATLANTIDE", "1/1/2024", "|errore|Comune non in elenco"},
        };
        // "PLACE|PROVINCE" gives a province.
        QByteArray csv = "cognome,nome,data,sesso,luogo,provincia\n";
        QStringList expected{QStringLiteral("cognome,nome,data,sesso,luogo,provincia,codice,esito,motivo")};
        for (const auto& [place, born, result] : cases) {
            const QList<QByteArray> placeAndProvince = QByteArray(place).split('|');
            csv += QByteArray("Rossi,Mario,") + born + ",M," + placeAndProvince[0] + ',' + placeAndProvince.value(1)
                   + '\n';
            expected << QString::fromUtf8(result);
        }
        const Run r = run({"calcola", "--csv", "-"}, Options().input(csv));
        QCOMPARE(r.status, 1); // PATERNO
        QCOMPARE(columns(r.out, kCalcolaOut), expected);
    }

    void verificaCsv()
    {
        const QByteArray codes = "nome,codice\n"
                                 "Marta,RSSMRT83E47H501T\n"
                                 "\"Marta, sbagliato\",\"RSSMRT83E47H501X\"\n"
                                 "spazi,\" bad code \"\n"
                                 "\xEF\xBB\xBFMarta,RSSMRT83E47H501T\n" // U+FEFF, not at the file's start
                                 "troppi,RSSMRT83E47H501T,x\n";
        const Run r = run({"verifica", "--csv", "-"}, Options().input(codes));
        QCOMPARE(r.status, 1);
        QCOMPARE(columns(r.out, {"esito", "motivo", "codice_base"}),
                 QStringList({"nome,codice," + kVerificaHeader.mid(7), "valido|Codice valido.|RSSMRT83E47H501T",
                              "non valido|Carattere di controllo errato: dovrebbe essere T.|RSSMRT83E47H501T",
                              "non valido|Contiene spazi: il primo in posizione 4. Scritto in minuscolo: letto come "
                              "se fosse in maiuscolo.|",
                              "valido|Codice valido.|RSSMRT83E47H501T", "errore|Riga 6: 3 campi invece di 2.|"}));
    }

    // Without Comuni.mdb beside it, calcola says why each row fails and
    // verifica gives the place by its code.
    void withoutTheRegister()
    {
        const QString lonely = dir.filePath(QStringLiteral("solo/tarvolin"));
        QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("solo"))));
        QVERIFY(QFile::copy(kProgram, lonely));
        Run r = run({"calcola", "Rossetti", "Marta", "7/5/1983", "F", "Roma"}, Options().program(lonely));
        QCOMPARE(r.status, 1);
        const QStringList rows = columns(r.out, kCalcolaOut);
        QCOMPARE(rows.size(), 2);
        QVERIFY2(rows[1].startsWith(QStringLiteral("|errore|Registro dei comuni non disponibile: Errore n° ")),
                 qPrintable(rows[1]));
        r = run({"verifica", "RSSMRT83E47H501T"}, Options().program(lonely));
        QCOMPARE(r.status, 0);
        QCOMPARE(columns(r.out, {"esito", "motivo", "luogo", "catastale"}),
                 QStringList({kVerificaHeader, "valido|Codice valido. Registro dei comuni non disponibile: luogo "
                                               "indicato solo dal codice.||H501"}));
        // An empty file is as damaged as any other.
        file(QStringLiteral("solo/Comuni.mdb"), {});
        r = run({"calcola", "Rossetti", "Marta", "7/5/1983", "F", "Roma"}, Options().program(lonely));
        QCOMPARE(columns(r.out, kCalcolaOut),
                 QStringList({kCalcolaHeader, "|errore|Registro dei comuni non disponibile: Errore n° 3078 Impossibile "
                                              "trovare la tabella 'Comuni'."}));
    }

    void badUsage_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("input"); // written to a file for "FILE"
        QTest::addColumn<QString>("says");
        QTest::newRow("calcola alone")
            << QStringList{"calcola"} << QByteArray()
            << "calcola vuole cinque argomenti, COGNOME NOME DATA SESSO LUOGO, e la PROVINCIA se serve: ne ha 0.";
        QTest::newRow("calcola, four") << QStringList{"calcola", "a", "b", "1/1/1980", "M"} << QByteArray()
                                       << "ne ha 4.";
        QTest::newRow("verifica alone") << QStringList{"verifica"} << QByteArray()
                                        << "verifica vuole almeno un CODICE.";
        QTest::newRow("unknown command") << QStringList{"calcla", "x"} << QByteArray()
                                         << "comando sconosciuto «calcla»";
        QTest::newRow("unknown option, no display") << QStringList{"-v"} << QByteArray() << "opzione sconosciuta «-v»";
        QTest::newRow("--csv without a file") << QStringList{"calcola", "--csv"} << QByteArray() << "--csv vuole";
        QTest::newRow("--csv with two") << QStringList{"verifica", "--csv", "a", "b"} << QByteArray() << "--csv vuole";
        QTest::newRow("no such file") << QStringList{"calcola", "--csv", "/nessuna/cartella/x.csv"} << QByteArray()
                                      << "/nessuna/cartella/x.csv: il file non esiste.";
        QTest::newRow("a folder") << QStringList{"verifica", "--csv", "/"} << QByteArray() << "/ è una cartella";
        QTest::newRow("empty file") << QStringList{"verifica", "--csv", "FILE"} << QByteArray()
                                    << "è vuoto: manca la riga d'intestazione (codice).";
        QTest::newRow("a column missing")
            << QStringList{"calcola", "--csv", "FILE"}
            << QByteArray("cognome,nome,data,sesso\nRossi,Mario,1/1/1980,M\n")
            << "nell'intestazione manca la colonna «luogo» (servono cognome,nome,data,sesso,luogo).";
        // Results appended (>>) to the file they are read from would be read again.
        const QByteArray person = "cognome,nome,data,sesso,luogo\nRossi,Mario,1/1/1980,M,Roma\n";
        for (const QString from : {"FILE", "- <FILE"})
            QTest::newRow(qPrintable("output is the input: " + from))
                << (QStringList{"calcola", "--csv"} + from.split(u' ') + QStringList{">>FILE"}) << person
                << ": il file di ingresso è anche quello di uscita.";
        QTest::newRow("header unreadable") << QStringList{"verifica", "--csv", "FILE"} << QByteArray("co\"dice\n")
                                           << "riga d'intestazione non leggibile";
    }
    void badUsage()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, input);
        QFETCH(QString, says);
        const QString path = file(QStringLiteral("uso.csv"), input);
        Options options;
        if (arguments.removeOne(QStringLiteral("<FILE")))
            options.inputFile(path);
        if (arguments.removeOne(QStringLiteral(">>FILE")))
            options.outputFile(path, true);
        arguments.replaceInStrings(QStringLiteral("FILE"), path);
        const Run r = run(arguments, options);
        QCOMPARE(r.status, 2);
        QCOMPARE(r.out, QByteArray()); // nothing done
        const QString err = QString::fromUtf8(r.err);
        QVERIFY2(err.startsWith(QStringLiteral("tarvolin: ")) && err.contains(says), qPrintable(err));
        QVERIFY(err.contains(QStringLiteral("«tarvolin --help» mostra l'uso.")));
        QFile kept(path);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), input);
    }

    void helpAndVersion_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("starts");
        // The date of the newest data: SOVIZZO's new code of 22/01/2024.
        QTest::newRow("--version") << QStringList{"--version"}
                                   << "Tarvolin 1.2.0\nelenco dei comuni aggiornato al 22/01/2024\n";
        for (const char* help : {"--help", "-h"})
            QTest::newRow(help) << QStringList{help} << "Tarvolin 1.2.0: calcola e verifica il codice fiscale.\n\nUso:";
        QTest::newRow("a command's --help") << QStringList{"verifica", "--help"} << "Tarvolin 1.2.0: calcola";
    }
    void helpAndVersion()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, starts);
        const Run r = run(arguments);
        QCOMPARE(r.status, 0);
        QCOMPARE(r.err, QByteArray());
        QVERIFY2(QString::fromUtf8(r.out).startsWith(starts), r.out.constData());
        if (arguments[0] != u"--version")
            for (const char* said :
                 {"tarvolin calcola COGNOME NOME DATA SESSO LUOGO", "tarvolin verifica --csv FILE",
                  "tarvolin registro aggiorna ARCHIVIO.csv", "codice,esito,motivo", "Stato d'uscita: 0"})
                QVERIFY2(r.out.contains(said), said);
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_command_line.moc"
