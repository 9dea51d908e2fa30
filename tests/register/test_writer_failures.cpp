// The register writer when the file cannot be made: it reports the failure
// and gives back every byte SQLite allocated on the way.

#include "RegisterFile.h"
#include "Services.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <sqlite3.h>

class TestWriterFailures : public QObject {
    Q_OBJECT

    static std::vector<registro::Record> oneRecord()
    {
        return {{QStringLiteral("ROMA"), QStringLiteral("RM"), QStringLiteral("H501")}};
    }

    // The SQLite result code writeRegister threw, 0 when it did not throw.
    static int failureOf(const QString& path)
    {
        try {
            registro::writeRegister(path, oneRecord());
        } catch (const platform::Error& e) {
            return e.number;
        }
        return 0;
    }

private slots:
    void failedOpenReleasesTheHandle_data()
    {
        QTest::addColumn<QString>("relative");
        QTest::newRow("missing folder") << "no/such/dir/r.mdb";
        QTest::newRow("folder is a file") << "file/r.mdb";
    }
    void failedOpenReleasesTheHandle()
    {
        QFETCH(QString, relative);
        QTemporaryDir sandbox;
        QFile file(sandbox.filePath(QStringLiteral("file")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        const QString path = sandbox.filePath(relative);

        // The first call sets SQLite itself up; only later calls must balance.
        QCOMPARE(failureOf(path), SQLITE_CANTOPEN);
        const sqlite3_int64 before = sqlite3_memory_used();
        for (int i = 0; i < 3; ++i)
            QCOMPARE(failureOf(path), SQLITE_CANTOPEN);
        QCOMPARE(sqlite3_memory_used(), before);
        QCOMPARE(QDir(sandbox.path()).entryList(QDir::Files), QStringList{QStringLiteral("file")});
    }

    void successfulWriteReleasesEverything()
    {
        QTemporaryDir sandbox;
        const QString path = sandbox.filePath(QStringLiteral("r.mdb"));
        registro::writeRegister(path, oneRecord());
        const sqlite3_int64 before = sqlite3_memory_used();
        registro::writeRegister(path, oneRecord());
        QCOMPARE(sqlite3_memory_used(), before);
        QCOMPARE(QDir(sandbox.path()).entryList(QDir::Files), QStringList{QStringLiteral("r.mdb")});
    }
};

QTEST_GUILESS_MAIN(TestWriterFailures)
#include "test_writer_failures.moc"
