// The CSV unit as the command line uses it: record by record, a faulty record
// spoils only itself; and the writer, whose output reads back the same. The
// strict reading is tested with the register builder that relies on it.

#include "Csv.h"

#include <QTest>

namespace {

// "line:field|field" per record, or "line!fault@line#field" for a faulty one.
QStringList records(const QByteArray& input)
{
    static const char* const faults[] = {"", "unclosed", "stray", "after", "utf8"};
    platform::CsvReader reader(input);
    platform::CsvRecord record;
    QStringList out;
    while (reader.next(record)) {
        if (record.fault == platform::CsvFault::None)
            out << QString::number(record.line) + u':' + record.fields.join(u'|');
        else
            out << QStringLiteral("%1!%2@%3#%4")
                       .arg(record.line)
                       .arg(QLatin1String(faults[int(record.fault)]))
                       .arg(record.faultLine)
                       .arg(record.faultField);
    }
    return out;
}

} // namespace

class TestCsv : public QObject {
    Q_OBJECT

private slots:
    void recordByRecord_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("stray quote, then on")
            << QByteArray("a,b\n1,x\"y,z\n2,3\n") << QStringList{"1:a|b", "2!stray@2#2", "3:2|3"};
        QTest::newRow("text after a closing quote, then on")
            << QByteArray("\"x\"y,1\r\n2,3\r\n") << QStringList{"1!after@1#1", "2:2|3"};
        QTest::newRow("bad UTF-8 in a quoted field over two lines, then on")
            << QByteArray("a\n\"x\n\xC3\",b\nc\n") << QStringList{"1:a", "2!utf8@3#1", "4:c"};
        QTest::newRow("the first fault is the one reported")
            << QByteArray("\xFF,x\"y\nok\n") << QStringList{"1!utf8@1#1", "2:ok"};
        QTest::newRow("a fault in a record's second line")
            << QByteArray("\"a\nb\",c\"d\ne\n") << QStringList{"1!stray@2#2", "3:e"};
        QTest::newRow("unclosed quote takes the rest")
            << QByteArray("a\n\"b,c\nd\n") << QStringList{"1:a", "2!unclosed@2#1"};
        QTest::newRow("blank lines and a byte-order mark skipped")
            << QByteArray("\xEF\xBB\xBF\n\na\r\n\r\nb") << QStringList{"3:a", "5:b"};
        QTest::newRow("field counts are the caller's business")
            << QByteArray("a,b\n1\n1,2,3\n") << QStringList{"1:a|b", "2:1", "3:1|2|3"};
    }
    void recordByRecord()
    {
        QFETCH(QByteArray, input);
        QFETCH(QStringList, expected);
        QCOMPARE(records(input), expected);
    }

    void writer_data()
    {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("plain") << QStringList{"ROSSI", "", "07/05/1983"} << QByteArray("ROSSI,,07/05/1983\n");
        QTest::newRow("comma") << QStringList{"Rossi, Mario"} << QByteArray("\"Rossi, Mario\"\n");
        QTest::newRow("quote") << QStringList{"detto \"Mario\""} << QByteArray("\"detto \"\"Mario\"\"\"\n");
        QTest::newRow("line breaks") << QStringList{"a\nb", "c\rd"} << QByteArray("\"a\nb\",\"c\rd\"\n");
        QTest::newRow("UTF-8, blanks kept")
            << QStringList{" FORLÌ ", "Nicolò"} << QByteArray(" FORL\xC3\x8C ,Nicol\xC3\xB2\n");
    }
    void writer()
    {
        QFETCH(QStringList, fields);
        QFETCH(QByteArray, written);
        QByteArray out;
        platform::appendCsvRecord(out, fields);
        QCOMPARE(out, written);
        // And back: the same fields.
        platform::CsvReader reader(out);
        platform::CsvRecord record;
        QVERIFY(reader.next(record));
        QCOMPARE(record.fault, platform::CsvFault::None);
        QCOMPARE(record.fields, fields);
        QVERIFY(!reader.next(record));
    }
};

QTEST_GUILESS_MAIN(TestCsv)
#include "test_csv.moc"
