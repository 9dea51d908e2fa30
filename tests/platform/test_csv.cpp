// The CSV unit as the command line uses it: record by record, a faulty record
// spoils only itself; and the writer, whose output reads back the same. The
// strict reading is tested with the register builder that relies on it.

#include "Csv.h"

#include <QTest>
#include <algorithm>

namespace {

// Hands out its bytes a few at a time, as a pipe may, then an end that never
// comes (endless bytes), or a failure.
class Trickle : public platform::CsvSource {
public:
    Trickle(const QByteArray& bytes, qsizetype step, char endless = 0, bool fails = false)
        : bytes_(bytes), step_(step), endless_(endless), fails_(fails)
    {}
    qsizetype read(char* into, qsizetype most) override
    {
        const qsizetype n = std::min({step_, most, bytes_.size() - at_});
        if (n == 0 && endless_) {
            std::fill(into, into + most, endless_);
            return most;
        }
        std::copy_n(bytes_.constData() + at_, n, into);
        at_ += n;
        return n == 0 && fails_ ? -1 : n;
    }

private:
    QByteArray bytes_;
    qsizetype step_, at_ = 0;
    char endless_;
    bool fails_;
};

// "line:field|field" per record, or "line!fault@line#field:field|field" for a
// faulty one; with the separator read from the header, "separator X" last.
QStringList records(platform::CsvReader& reader, bool fromHeader)
{
    static const char* const faults[] = {"", "unclosed", "stray", "after", "utf8", "long", "utf16"};
    platform::CsvRecord record;
    QStringList out;
    while (reader.next(record)) {
        if (record.fault == platform::CsvFault::None)
            out << QString::number(record.line) + u':' + record.fields.join(u'|');
        else
            out << QStringLiteral("%1!%2@%3#%4:%5")
                       .arg(record.line)
                       .arg(QLatin1String(faults[int(record.fault)]))
                       .arg(record.faultLine)
                       .arg(record.faultField)
                       .arg(record.fields.join(u'|'));
    }
    if (fromHeader)
        out << QStringLiteral("separator ") + QLatin1Char(reader.separator());
    return out;
}

// The text as UTF-16 with its byte-order mark, as Qt writes it.
QByteArray utf16(const QString& text, QStringConverter::Encoding encoding)
{
    return QStringEncoder(encoding, QStringConverter::Flag::WriteBom).encode(text);
}

} // namespace

class TestCsv : public QObject {
    Q_OBJECT

private slots:
    void recordByRecord_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<char>("separator"); // 0: read from the header
        QTest::addColumn<QStringList>("expected");
        const QString fffd(QChar(0xFFFD)), feff(QChar(0xFEFF));
        QTest::newRow("stray quote, then on")
            << QByteArray("a,b\n1,x\"y,z\n2,3\n") << ',' << QStringList{"1:a|b", "2!stray@2#2:1|x\"y|z", "3:2|3"};
        QTest::newRow("text after a closing quote, then on")
            << QByteArray("\"x\"y,1\r\n2,3\r\n") << ',' << QStringList{"1!after@1#1:xy|1", "2:2|3"};
        QTest::newRow("bad UTF-8 in a quoted field over two lines, then on")
            << QByteArray("a\n\"x\n\xC3\",b\nc\n") << ',' << QStringList{"1:a", "2!utf8@3#1:x\n" + fffd + "|b", "4:c"};
        QTest::newRow("the first fault is the one reported")
            << QByteArray("\xFF,x\"y\nok\n") << ',' << QStringList{"1!utf8@1#1:" + fffd + "|x\"y", "2:ok"};
        QTest::newRow("a fault in a record's second line, the rest of that line plain")
            << QByteArray("\"a\nb\",c\"d,\"e\"\nf\n") << ',' << QStringList{"1!stray@2#2:a\nb|c\"d|\"e\"", "3:f"};
        QTest::newRow("unclosed quote takes the rest")
            << QByteArray("a\n\"b,c\nd\n") << ',' << QStringList{"1:a", "2!unclosed@2#1:b,c\nd\n"};
        QTest::newRow("blank lines and a byte-order mark skipped")
            << QByteArray("\xEF\xBB\xBF\n\na\r\n\r\nb") << ',' << QStringList{"3:a", "5:b"};
        QTest::newRow("U+FEFF after the start is text") << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF"
                                                                      "a,b\n1,\xEF\xBB\xBFx\n")
                                                        << ',' << QStringList{"1:" + feff + "a|b", "2:1|" + feff + "x"};
        QTest::newRow("field counts are the caller's business")
            << QByteArray("a,b\n1\n1,2,3\n") << ',' << QStringList{"1:a|b", "2:1", "3:1|2|3"};
        QTest::newRow("semicolons, as a spreadsheet saves them")
            << QByteArray("\"a;b\";c\r\n\"1\";\"x,y\"\r\n") << '\0' << QStringList{"1:a;b|c", "2:1|x,y", "separator ;"};
        QTest::newRow("tabs, more than commas")
            << QByteArray("\na\tb\tc,d\n1\t2\t3\n") << '\0' << QStringList{"2:a|b|c,d", "3:1|2|3", "separator \t"};
        QTest::newRow("one column: commas")
            << QByteArray("codice\nX;Y\n") << '\0' << QStringList{"1:codice", "2:X;Y", "separator ,"};
        QTest::newRow("lone CRs end lines, in quotes too")
            << QByteArray("a,b\r1,\"x\ry\"\r\r2,3") << ',' << QStringList{"1:a|b", "2:1|x\ry", "5:2|3"};
        QTest::newRow("sep= names the separator")
            << QByteArray("SEP=;\r\na,b;c\r\n1;2\r\n") << '\0' << QStringList{"2:a,b|c", "3:1|2", "separator ;"};
        QTest::newRow("sep= is text to a reader told the separator")
            << QByteArray("sep=;\na\n") << ',' << QStringList{"1:sep=;", "2:a"};
        const QString sheet = QStringLiteral("nome\tcittà\r\nRossi 😀\t\"Forlì\nFC\"\r\n");
        const QStringList sheetRecords{"1:nome|città", "2:Rossi 😀|Forlì\nFC", "separator \t"};
        QTest::newRow("UTF-16, little-endian") << utf16(sheet, QStringConverter::Utf16LE) << '\0' << sheetRecords;
        QTest::newRow("UTF-16, big-endian") << utf16(sheet, QStringConverter::Utf16BE) << '\0' << sheetRecords;
        QTest::newRow("UTF-16, a lone surrogate and an odd byte")
            << utf16(QStringLiteral("a\tb\n") + QChar(0xD800) + QStringLiteral("x\ty\nz"), QStringConverter::Utf16LE)
                   + 'q'
            << '\0' << QStringList{"1:a|b", "2!utf16@2#1:" + fffd + "x|y", "3!utf16@3#1:z" + fffd, "separator \t"};
        const QByteArray huge(platform::CsvReader::kMaxRecordBytes, 'x');
        QTest::newRow("a record over the bound, then on") << "a,b\n1," + huge + ",2\n3,4\n"
                                                          << ',' << QStringList{"1:a|b", "2!long@2#2:1", "3:3|4"};
    }
    void recordByRecord()
    {
        QFETCH(QByteArray, input);
        QFETCH(char, separator);
        QFETCH(QStringList, expected);
        platform::CsvReader whole(input, separator);
        QCOMPARE(records(whole, separator == 0), expected);
        // The same, handed over a few bytes at a time.
        for (qsizetype step : {1, 2, 5}) {
            Trickle trickle(input, step);
            platform::CsvReader reader(trickle, separator);
            QCOMPARE(records(reader, separator == 0), expected);
        }
    }

    // A record that never ends stops the reading, and so does a failure;
    // neither hands out the record it was in.
    void stops()
    {
        Trickle endless("a,b\n1,2\n3,", 4096, 'x');
        platform::CsvReader reader(endless);
        QCOMPARE(records(reader, false), (QStringList{"1:a|b", "2:1|2"}));
        QCOMPARE(reader.stop(), platform::CsvReader::Stop::Endless);
        QCOMPARE(reader.stopLine(), 3);
        Trickle failing("a,b\n1,2\n3,", 3, 0, true);
        platform::CsvReader failed(failing);
        QCOMPARE(records(failed, false), (QStringList{"1:a|b", "2:1|2"}));
        QCOMPARE(failed.stop(), platform::CsvReader::Stop::ReadFailed);
        QCOMPARE(failed.stopLine(), 3);
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
        QTest::newRow("semicolons") << QStringList{"a;b", "c,d", ""} << QByteArray("\"a;b\";c,d;\n");
        QTest::newRow("tabs") << QStringList{"a\tb", "c;d"} << QByteArray("\"a\tb\"\tc;d\n");
    }
    void writer()
    {
        QFETCH(QStringList, fields);
        QFETCH(QByteArray, written);
        const char separator = QTest::currentDataTag() == QByteArray("semicolons") ? ';'
                               : QTest::currentDataTag() == QByteArray("tabs")     ? '\t'
                                                                                   : ',';
        QByteArray out;
        platform::appendCsvRecord(out, fields, separator);
        QCOMPARE(out, written);
        // And back: the same fields.
        platform::CsvReader reader(out, separator);
        platform::CsvRecord record;
        QVERIFY(reader.next(record));
        QCOMPARE(record.fault, platform::CsvFault::None);
        QCOMPARE(record.fields, fields);
        QVERIFY(!reader.next(record));
    }
};

QTEST_GUILESS_MAIN(TestCsv)
#include "test_csv.moc"
