// The place a fiscal code names, by cadastral code and birth date; the store's
// look-up by code; and the snapshot a run of look-ups reads from.

#include "ComuniStore.h"
#include "PlaceOfCode.h"
#include "Records.h"
#include "RegisterFile.h"

#include <QTemporaryDir>
#include <QtTest>
#include <sqlite3.h>

namespace {

using testing::periods;
using testing::rec;

std::vector<registro::Record> smallRegister()
{
    return {
        periods("LENNO", "E525", "1861-03-17/1929-02-07/CO/U;1947-10-03/2014-02-03/CO/U"),
        periods("MERAN", "F132", "1920-10-16/1927-01-11/TN/A;1927-01-12//BZ/A"),
        periods("MERANO", "F132", "1920-10-16/1927-01-11/TN/U;1927-01-12//BZ/U"),
        periods("SAPPADA", "I421", "1866-11-19/2017-12-31/BL/U;2018-01-01//UD/U"),
        rec("BELLAGIO", "CO", "A744", QDate(1861, 3, 17), QDate(2014, 2, 3)),
        rec("BELLAGIO", "CO", "M335", QDate(2014, 2, 4)),
        rec("BOLZANO", "BZ", "A952", QDate(1920, 10, 16)),
        rec("BOZEN", "BZ", "A952", QDate(1920, 10, 16)),
        rec("CIVEZZA", "IM", "C755", QDate(1861, 3, 17), QDate(1928, 5, 1)),
        rec("ROMA", "RM", "H501", QDate(1884, 9, 11)),
        rec("ROMA VECCHIA", "RM", "h501"), // another code: small letters count
    };
}

QStringList names(const std::vector<registro::Record>& records)
{
    QStringList out;
    for (const auto& r : records)
        out << r.name + u' ' + r.province + u' ' + r.code;
    return out;
}

} // namespace

class TestPlaceOfCode : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString path;

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        path = dir.filePath(QStringLiteral("Comuni.mdb"));
        registro::writeRegister(path, smallRegister());
    }

    void placeOfCode_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QDate>("born");
        QTest::addColumn<QDate>("earlier");
        QTest::addColumn<int>("validity");
        QTest::addColumn<QStringList>("records");
        using P = registro::PlaceOfCode;
        QTest::newRow("in force") << "H501" << QDate(1983, 5, 7) << QDate(1883, 5, 7) << int(P::InForce)
                                  << QStringList{"ROMA RM H501"};
        QTest::newRow("every name of the day, index order") << "A952" << QDate(1990, 1, 1) << QDate() << int(P::InForce)
                                                            << QStringList{"BOLZANO BZ A952", "BOZEN BZ A952"};
        QTest::newRow("the official name first") << "F132" << QDate(1990, 1, 1) << QDate() << int(P::InForce)
                                                 << QStringList{"MERANO BZ F132", "MERAN BZ F132"};
        QTest::newRow("the province of the day")
            << "I421" << QDate(1980, 1, 1) << QDate() << int(P::InForce) << QStringList{"SAPPADA BL I421"};
        QTest::newRow("a gap is not in force")
            << "E525" << QDate(1935, 1, 1) << QDate() << int(P::NotInForce) << QStringList{"LENNO CO E525"};
        QTest::newRow("only the century before") << "C755" << QDate(2020, 6, 1) << QDate(1920, 6, 1)
                                                 << int(P::InForceEarlier) << QStringList{"CIVEZZA IM C755"};
        QTest::newRow("neither date: every record of the code")
            << "A744" << QDate(2020, 6, 1) << QDate() << int(P::NotInForce) << QStringList{"BELLAGIO CO A744"};
        QTest::newRow("no such code") << "Z999" << QDate(2020, 6, 1) << QDate() << int(P::Unknown) << QStringList{};
        QTest::newRow("codes compare exactly")
            << "h501" << QDate(2020, 6, 1) << QDate() << int(P::InForce) << QStringList{"ROMA VECCHIA RM h501"};
    }
    void placeOfCode()
    {
        QFETCH(QString, code);
        QFETCH(QDate, born);
        QFETCH(QDate, earlier);
        QFETCH(int, validity);
        QFETCH(QStringList, records);
        auto db = registro::Database::open(path);
        const registro::PlaceOfCode place = registro::placeOfCode(db->recordsWithCode(code), born, earlier);
        QCOMPARE(int(place.validity), validity);
        QCOMPARE(names(place.records), records);
    }

    // A register without the index on codes (written by another program)
    // is read all the same, only more slowly.
    void withoutTheCodeIndex()
    {
        const QString bare = dir.filePath(QStringLiteral("senza-indice.mdb"));
        QVERIFY(QFile::copy(path, bare));
        sqlite3* writer = nullptr;
        sqlite3_open_v2(bare.toUtf8().constData(), &writer, SQLITE_OPEN_READWRITE, nullptr);
        QCOMPARE(sqlite3_exec(writer, "DROP INDEX COMU_CATASTALE", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close_v2(writer);
        QCOMPARE(names(registro::Database::open(bare)->recordsWithCode(QStringLiteral("A952"))),
                 (QStringList{"BOLZANO BZ A952", "BOZEN BZ A952"}));
    }

    // Within a snapshot the look-ups hold one read lock: a writer waits until
    // it ends. Look-ups go on working before, during and after it.
    void snapshotHoldsOneRead()
    {
        auto db = registro::Database::open(path);
        const auto write = [&] {
            sqlite3* writer = nullptr;
            sqlite3_open_v2(path.toUtf8().constData(), &writer, SQLITE_OPEN_READWRITE, nullptr);
            const int rc = sqlite3_exec(writer, "CREATE TABLE Prova (x)", nullptr, nullptr, nullptr);
            sqlite3_exec(writer, "DROP TABLE IF EXISTS Prova", nullptr, nullptr, nullptr);
            sqlite3_close_v2(writer);
            return rc;
        };
        QCOMPARE(db->recordsNamed(QStringLiteral("roma")).size(), size_t(1));
        db->beginSnapshot();
        db->beginSnapshot(); // a second begin changes nothing
        QCOMPARE(db->recordsWithCode(QStringLiteral("A952")).size(), size_t(2));
        QCOMPARE(write(), SQLITE_BUSY);
        QCOMPARE(db->recordsNamed(QStringLiteral("bellagio")).size(), size_t(2));
        db->endSnapshot();
        QCOMPARE(write(), SQLITE_OK);
        QCOMPARE(db->recordsNamed(QStringLiteral("bellagio")).size(), size_t(2));
        // Closed in the middle of a snapshot: look-ups report it, the file is free.
        db->beginSnapshot();
        db->close();
        QCOMPARE(write(), SQLITE_OK);
        QVERIFY_THROWS_EXCEPTION(platform::Error, db->recordsWithCode(QStringLiteral("H501")));
        db->endSnapshot();
    }
};

QTEST_GUILESS_MAIN(TestPlaceOfCode)
#include "test_place_of_code.moc"
