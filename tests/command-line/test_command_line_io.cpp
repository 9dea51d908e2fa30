// The command line's input and output, end to end: each result written as
// its row is read, every write checked, input of any length in bounded
// memory, the separator a spreadsheet saves with, and dates read the same
// whatever the machine's locale.

#include "Program.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace program;

class TestCommandLineIo : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    QString file(const QString& name, const QByteArray& bytes) { return writeFile(dir.filePath(name), bytes); }

private slots:
    void initTestCase() { QVERIFY(dir.isValid()); }

    // Output that cannot be written is an error, said once.
    void writeFailures_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("closed"); // standard output closed, else /dev/full
        QTest::addColumn<QString>("says");
        const QString full = QStringLiteral("tarvolin: impossibile scrivere sullo standard output (disco pieno).");
        const QString closed = QStringLiteral("tarvolin: impossibile scrivere sullo standard output (chiuso).\n");
        QTest::newRow("calcola, disk full") << QStringList{"calcola", "Rossi", "Mario", "1/1/1980", "M", "Roma"}
                                            << false << full + " Nessun risultato scritto.\n";
        QTest::newRow("verifica --csv, disk full")
            << QStringList{"verifica", "--csv", "CODES"} << false << full + " Nessun risultato scritto.\n";
        QTest::newRow("--help, disk full") << QStringList{"--help"} << false << full + "\n";
        QTest::newRow("--version, closed") << QStringList{"--version"} << true << closed;
        QTest::newRow("verifica, closed") << QStringList{"verifica", "RSSMRT83E47H501T"} << true << closed;
    }
    void writeFailures()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, closed);
        QFETCH(QString, says);
        arguments.replaceInStrings(QStringLiteral("CODES"), file(QStringLiteral("codici.csv"), "codice\nX\n"));
        const Run r =
            run(arguments, Options().outputFile(closed ? QString() : QStringLiteral("/dev/full")).outputClosed(closed));
        QCOMPARE(r.status, 2);
        QCOMPARE(QString::fromUtf8(r.err), says);
    }

    // A disk that fills up, or a file-size limit: the file ends at a whole
    // row, the one the message names; with only the header out, no result is.
    void fileEndsAtAWholeRow_data()
    {
        QTest::addColumn<int>("limit"); // bytes the file may reach
        QTest::newRow("after many rows") << 100000;
        QTest::newRow("within the first row") << 80; // the header is 53 bytes
    }
    void fileEndsAtAWholeRow()
    {
        QFETCH(int, limit);
        QByteArray csv = "id,cognome,nome,data,sesso,luogo\n";
        for (int id = 1; id <= 5000; ++id)
            csv += QByteArray::number(id) + ",Rossi,Mario,1/1/1980,M,Roma\n";
        const QString out = dir.filePath(QStringLiteral("codici.csv"));
        const Run r = run({"calcola", "--csv", file(QStringLiteral("persone.csv"), csv)},
                          Options().outputFile(out).diskFullAt(rlim_t(limit)));
        QCOMPARE(r.status, 2);
        QFile written(out);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QByteArray bytes = written.readAll();
        const QString full =
            QStringLiteral("tarvolin: impossibile scrivere sullo standard output (file troppo grande).");
        if (limit < 100) {
            QCOMPARE(bytes, QByteArray("id,cognome,nome,data,sesso,luogo,codice,esito,motivo\n"));
            QCOMPARE(QString::fromUtf8(r.err), full + " Nessun risultato scritto.\n");
            return;
        }
        QVERIFY(bytes.size() > 65536 && bytes.size() <= limit && bytes.endsWith('\n'));
        const qsizetype lines = bytes.count('\n'); // one a row, the header first, as in the input
        QCOMPARE(QString::fromUtf8(r.err),
                 full + QStringLiteral(" Risultati scritti per intero: fino alla riga %1 dell'ingresso.\n").arg(lines));
        QVERIFY(bytes.endsWith(QByteArray::number(lines - 1) + ",Rossi,Mario,1/1/1980,M,Roma,RSSMRA80A01H501U,ok,\n"));
    }

    // A row's result comes out while its pipe is still open.
    void rowsComeAsTheyAreRead()
    {
        QProcess process;
        setEnvironment(process);
        process.start(kProgram, {"calcola", "--csv", "-"});
        QVERIFY(process.waitForStarted(10000));
        process.write("cognome,nome,data,sesso,luogo\nRossi,Mario,1/1/1980,M,Roma\n");
        QByteArray out;
        while (!out.contains("RSSMRA80A01H501U") && process.waitForReadyRead(10000))
            out += process.readAllStandardOutput();
        QVERIFY2(out.contains("RSSMRA80A01H501U"), out.constData());
        process.write("Rossi,Anna,1/1/1980,F,Roma\n");
        process.closeWriteChannel();
        QVERIFY(process.waitForFinished(10000));
        out += process.readAllStandardOutput();
        QCOMPARE(columns(out, kCalcolaOut),
                 (QStringList{kCalcolaHeader, "RSSMRA80A01H501U|ok|", "RSSNNA80A41H501L|ok|"}));
    }

    // A row over 1 MiB is an error row; input with no end ends.
    void boundedInput_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("says");
        const QByteArray huge(1100000, 'x');
        QTest::newRow("a row over 1 MiB")
            << QStringList{"verifica", "--csv",
                           file(QStringLiteral("lunga.csv"), "codice,nota\nX," + huge + "\nRSSMRT83E47H501T,ok\n")}
            << 1
            << QStringList{"codice,nota," + kVerificaHeader.mid(7),
                           "errore|Riga 2 non leggibile: supera il limite di 1 MiB.", "valido|Codice valido."}
            << "";
        QTest::newRow("endless input") << QStringList{"calcola", "--csv", "/dev/zero"} << 2 << QStringList{"no header"}
                                       << "tarvolin: /dev/zero, riga 1: oltre 64 MiB senza che la riga finisca: il "
                                          "resto non è letto.\n";
    }
    void boundedInput()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QStringList, rows);
        QFETCH(QString, says);
        const Run r = run(arguments);
        QCOMPARE(r.status, status);
        QCOMPARE(columns(r.out, {"esito", "motivo"}), rows);
        QCOMPARE(QString::fromUtf8(r.err), says);
    }

    // As LibreOffice in Italian saves a sheet: a byte-order mark, semicolons,
    // quoted text, CR LF, all kept in the output; a province settles CASTRO.
    void spreadsheetFile()
    {
        const QByteArray sheet =
            "\xEF\xBB\xBF\"id\";\"cognome\";\"nome\";\"data\";\"sesso\";\"luogo\";\"provincia\"\r\n"
            "1;\"Rossi\";\"Mario\";\"01/01/1980\";\"M\";\"Castro\";\"BG\"\r\n"
            "2;\"D'Amico; detto \"\"Nino\"\"\";\"Nicol\xC3\xB2\";1983-05-07;\"M\";\"Forl\xC3\xAC\";\r\n"
            "3;\"Rossi\";\"Mario\";\"01/01/1980\";\"M\";\"Castro\";\"le\"\r\n"
            "4;\"Rossi\";\"Mario\";\"01/01/1980\";\"M\";\"Castro\";\r\n";
        const Run r = run({"calcola", "--csv", "-"}, Options().input(sheet));
        QCOMPARE(r.status, 1);
        QVERIFY2(r.out.startsWith("\xEF\xBB\xBFid;cognome;nome;data;sesso;luogo;provincia;codice;esito;motivo\r\n"
                                  "1;Rossi;Mario;01/01/1980;M;Castro;BG;RSSMRA80A01C337D;ok;\r\n"
                                  "2;\"D'Amico; detto \"\"Nino\"\"\";Nicol\xC3\xB2;1983-05-07;M;Forl\xC3\xAC;;"
                                  "DMCNCL83E07D704A;ok;\r\n"),
                 r.out.constData());
        QCOMPARE(columns(r.out, {"id", "codice", "motivo"}, ';'),
                 (QStringList{"id,cognome,nome,data,sesso,luogo,provincia,codice,esito,motivo", "1|RSSMRA80A01C337D|",
                              "2|DMCNCL83E07D704A|", "3|RSSMRA80A01M261X|",
                              "4||Più luoghi di nome CASTRO in vigore il 01/01/1980: CASTRO (LE) M261, in vigore dal "
                              "28/05/1975; CASTRO (BG) C337, in vigore dal 17/03/1861."}));
    }

    // Other exports: each read, and the results written in its form.
    void spreadsheetForms_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("output");
        QTest::addColumn<int>("encoding"); // QStringConverter::Encoding
        const QString bom(QChar(0xFEFF)), header = QStringLiteral("cognome;nome;data;sesso;luogo");
        const QString person = QStringLiteral("Rossi;Mario;%1;M;Roma"), added = QStringLiteral(";codice;esito;motivo");
        QTest::newRow("old Mac: CR only, midnight, empty rows")
            << header + "\r" + person.arg("01/01/1980 00:00") + "\r;;;;\r" + person.arg("1/1/1980 12:00") + "\r;;;;\r"
            << header + added + "\r" + person.arg("01/01/1980 00:00") + ";RSSMRA80A01H501U;ok;\r"
                   + person.arg("1/1/1980 12:00") + ";;errore;Data di nascita non valida.\r"
            << int(QStringConverter::Utf8);
        QTest::newRow("sep= line, byte-order mark, CR LF, midnight in seconds")
            << bom + "sep=;\r\n" + header + "\r\n" + person.arg("1980-01-01 00:00:00") + "\r\n"
            << bom + "sep=;\r\n" + header + added + "\r\n" + person.arg("1980-01-01 00:00:00")
                   + ";RSSMRA80A01H501U;ok;\r\n"
            << int(QStringConverter::Utf8);
        // As LibreOffice saves "Unicode text": text quoted, LF.
        const QString text = bom + "\"cognome\"\t\"nome\"\t\"data\"\t\"sesso\"\t\"luogo\"\n"
                             + "\"D'Amico\"\t\"Nicolò\"\t1983-05-07\t\"M\"\t\"Forlì\"\n";
        const QString out = bom + "cognome\tnome\tdata\tsesso\tluogo\tcodice\tesito\tmotivo\n"
                            + "D'Amico\tNicolò\t1983-05-07\tM\tForlì\tDMCNCL83E07D704A\tok\t\n";
        QTest::newRow("Unicode text, UTF-16LE") << text << out << int(QStringConverter::Utf16LE);
        QTest::newRow("UTF-16BE") << text << out << int(QStringConverter::Utf16BE);
    }
    void spreadsheetForms()
    {
        QFETCH(QString, input);
        QFETCH(QString, output);
        QFETCH(int, encoding);
        const auto encode = [&](const QString& text) {
            return QByteArray(QStringEncoder(QStringConverter::Encoding(encoding)).encode(text));
        };
        const Run r = run({"calcola", "--csv", file(QStringLiteral("foglio.csv"), encode(input))});
        QCOMPARE(r.err, QByteArray());
        QCOMPARE(r.out, encode(output));
    }

    // 3 April 1990 on every machine.
    void datesWhateverTheLocale_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("date");
        QTest::newRow("C") << "C.UTF-8"
                           << "3/4/1990";
        QTest::newRow("Italian") << "it_IT.UTF-8"
                                 << "03.04.1990";
        QTest::newRow("American, month first") << "en_US.UTF-8"
                                               << "3/4/1990";
        QTest::newRow("American, two digits") << "en_US.UTF-8"
                                              << "030490";
        QTest::newRow("Japanese, year first") << "ja_JP.UTF-8"
                                              << "3-4-90";
        QTest::newRow("year first, as always") << "en_US.UTF-8"
                                               << "1990-04-03";
    }
    void datesWhateverTheLocale()
    {
        QFETCH(QString, locale);
        QFETCH(QString, date);
        const Run r = run({"calcola", "Rossi", "Mario", date, "M", "Roma"}, Options().locale(locale));
        QCOMPARE(columns(r.out, kCalcolaOut), (QStringList{kCalcolaHeader, "RSSMRA90D03H501J|ok|"}));
    }
};

QTEST_GUILESS_MAIN(TestCommandLineIo)
#include "test_command_line_io.moc"
