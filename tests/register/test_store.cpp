// The register store on small registers the tests write themselves.

#include "ComuniStore.h"
#include "RegisterFile.h"
#include "RegisterSql.h"
#include "Sqlite.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <sqlite3.h> // result codes the store reports
#include <thread>

using registro::Database;
using registro::Recordset;

namespace {

struct Outcome {
    int number = 0; // 0: nothing was thrown
    QString description;
};

template <typename F> Outcome outcome(F&& f)
{
    try {
        f();
    } catch (const platform::Error& e) {
        return {e.number, e.description};
    }
    return {};
}

const QString kChallant = QStringLiteral("CHALLANT SAINT ANSELME ET CHALLANT SAINT VICTOR");

// Index order of the small register: by folded name (upper case, accents
// dropped, so AGLIÈ comes before AGLIENTU), equal names by code.
const QStringList kOrder = {
    QStringLiteral("ABANO TERME A001"), QStringLiteral("AGLIÈ A074"),
    QStringLiteral("AGLIENTU H848"),    QStringLiteral("CASTRO C337"),
    QStringLiteral("CASTRO M261"),      kChallant + QStringLiteral(" C595"),
    QStringLiteral("ROMA H501"),        QStringLiteral("SAN DONÀ DI PIAVE H823"),
    QStringLiteral("SANT'ELENA I319"),  QStringLiteral("ZUNGRI M204"),
};

std::vector<registro::Record> smallRegister()
{
    // Deliberately out of order: the writer sorts.
    return {
        {QStringLiteral("ZUNGRI"), QStringLiteral("VV"), QStringLiteral("M204")},
        {QStringLiteral("CASTRO"), QStringLiteral("LE"), QStringLiteral("M261")},
        {QStringLiteral("ROMA"), QStringLiteral("RM"), QStringLiteral("H501")},
        {QStringLiteral("AGLIÈ"), QStringLiteral("TO"), QStringLiteral("A074")},
        {QStringLiteral("SANT'ELENA"), QStringLiteral("PD"), QStringLiteral("I319")},
        {kChallant, QStringLiteral("AO"), QStringLiteral("C595")},
        {QStringLiteral("CASTRO"), QStringLiteral("BG"), QStringLiteral("C337")},
        {QStringLiteral("SAN DONÀ DI PIAVE"), QStringLiteral("VE"), QStringLiteral("H823")},
        {QStringLiteral("AGLIENTU"), QStringLiteral("SS"), QStringLiteral("H848")},
        {QStringLiteral("ABANO TERME"), QStringLiteral("PD"), QStringLiteral("A001")},
    };
}

void execSql(const QString& path, const char* sql)
{
    registro::sqlite::Connection(path, registro::sqlite::Connection::Mode::ReadWriteCreate).exec(sql);
}

QByteArray digest(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

QString current(const Recordset& rs)
{
    return rs.field(QStringLiteral("COMU_DESCR")) + u' ' + rs.field(QStringLiteral("COMU_COD"));
}

} // namespace

class TestStore : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString register_;

    QString path(const QString& name) const { return dir_.filePath(name); }

    std::unique_ptr<Recordset> openIndexed(Database& db)
    {
        auto rs = db.openRecordset(QStringLiteral("Comuni"));
        rs->setIndex(QStringLiteral("COMU_DESCR"));
        return rs;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        register_ = path(QStringLiteral("Comuni.mdb"));
        registro::writeRegister(register_, smallRegister());
    }

    void seek_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("found"); // empty: NoMatch

        QTest::newRow("exact") << "ROMA"
                               << "ROMA H501";
        QTest::newRow("lower case") << "roma"
                                    << "ROMA H501";
        QTest::newRow("accented lower case") << "agliè"
                                             << "AGLIÈ A074";
        QTest::newRow("accented mixed case") << "Agliè"
                                             << "AGLIÈ A074";
        QTest::newRow("plain e finds È") << "aglie"
                                         << "AGLIÈ A074";
        QTest::newRow("accent typed as a separate mark") << QString::fromUtf8("agli\u0301") << "AGLIÈ A074";
        QTest::newRow("unaccented inside a name") << "san dona d"
                                                  << "SAN DONÀ DI PIAVE H823";
        QTest::newRow("typographic apostrophe") << QString::fromUtf8("sant’e") << "SANT'ELENA I319";
        QTest::newRow("accent inside a name") << "san donà"
                                              << "SAN DONÀ DI PIAVE H823";
        QTest::newRow("apostrophe") << "sant'e"
                                    << "SANT'ELENA I319";
        QTest::newRow("empty key: first record") << ""
                                                 << "ABANO TERME A001";
        QTest::newRow("between names: the next") << "B"
                                                 << "CASTRO C337";
        QTest::newRow("duplicate name: first of them") << "castro"
                                                       << "CASTRO C337";
        QTest::newRow("47 characters") << kChallant.toLower() << kChallant + " C595";
        QTest::newRow("longer than a 47-character name") << kChallant + " X"
                                                         << "ROMA H501";
        QTest::newRow("last record") << "zungri"
                                     << "ZUNGRI M204";
        QTest::newRow("past the last") << "ZZ"
                                       << "";
        QTest::newRow("very long key") << QString(100000, u'z') << "";
        QTest::newRow("control characters") << QString::fromUtf16(u"R\0\t\nOMA", 7) << "ROMA H501";
    }

    void seek()
    {
        QFETCH(QString, key);
        QFETCH(QString, found);
        auto db = Database::open(register_);
        auto rs = openIndexed(*db);
        rs->seek(key);
        QCOMPARE(rs->noMatch(), found.isEmpty());
        QVERIFY(!rs->bof() && !rs->eof());
        if (found.isEmpty())
            QCOMPARE(outcome([&] { rs->field(QStringLiteral("COMU_DESCR")); }).number, registro::NoCurrentRecord);
        else
            QCOMPARE(current(*rs), found);
    }

    void strangeKeysLeaveAConsistentState()
    {
        auto db = Database::open(register_);
        auto rs = openIndexed(*db);
        const QString keys[] = {QString(QChar(0xD800)), QString(QChar(0xDC00)) + u'A', QString(QChar(0xFFFF)),
                                QStringLiteral("\U0001F600"), QString(1 << 20, QChar(0x00E8))};
        for (const QString& key : keys) {
            rs->seek(key);
            if (rs->noMatch())
                QCOMPARE(outcome([&] { rs->field(QStringLiteral("COMU_COD")); }).number, registro::NoCurrentRecord);
            else
                QVERIFY(kOrder.contains(current(*rs)));
        }
    }

    void seekAfterFailedSeekClearsNoMatch()
    {
        auto db = Database::open(register_);
        auto rs = openIndexed(*db);
        rs->seek(QStringLiteral("ZZZ"));
        QVERIFY(rs->noMatch());
        rs->seek(QStringLiteral("rom"));
        QVERIFY(!rs->noMatch());
        QCOMPARE(current(*rs), QStringLiteral("ROMA H501"));
        QCOMPARE(rs->field(QStringLiteral("COMU_PROV")), QStringLiteral("RM"));
    }

    void walkWholeIndexBothWays()
    {
        auto db = Database::open(register_);
        auto rs = openIndexed(*db);
        // setIndex leaves the cursor on the first record.
        QVERIFY(!rs->bof() && !rs->eof());
        QStringList forward;
        while (!rs->eof() && forward.size() <= kOrder.size()) {
            forward << current(*rs);
            rs->moveNext();
        }
        QCOMPARE(forward, kOrder);
        QCOMPARE(outcome([&] { rs->moveNext(); }).number, registro::NoCurrentRecord);
        QCOMPARE(outcome([&] { rs->field(QStringLiteral("COMU_COD")); }).number, registro::NoCurrentRecord);

        // From EOF one step back is the last record.
        QStringList backward;
        rs->movePrevious();
        while (!rs->bof() && backward.size() <= kOrder.size()) {
            QVERIFY(!rs->eof());
            backward.prepend(current(*rs));
            rs->movePrevious();
        }
        QCOMPARE(backward, kOrder);
        QCOMPARE(outcome([&] { rs->movePrevious(); }).number, registro::NoCurrentRecord);
        QCOMPARE(outcome([&] { rs->field(QStringLiteral("COMU_COD")); }).number, registro::NoCurrentRecord);

        // From BOF one step forward is the first record.
        rs->moveNext();
        QVERIFY(!rs->bof());
        QCOMPARE(current(*rs), kOrder.first());
    }

    void moveAcrossDuplicates()
    {
        auto db = Database::open(register_);
        auto rs = openIndexed(*db);
        rs->seek(QStringLiteral("CASTRO"));
        QCOMPARE(rs->field(QStringLiteral("COMU_PROV")), QStringLiteral("BG"));
        rs->moveNext();
        QCOMPARE(current(*rs), QStringLiteral("CASTRO M261"));
        QCOMPARE(rs->field(QStringLiteral("COMU_PROV")), QStringLiteral("LE"));
        rs->moveNext();
        QCOMPARE(current(*rs), kChallant + QStringLiteral(" C595"));
        rs->movePrevious();
        rs->movePrevious();
        QCOMPARE(current(*rs), QStringLiteral("CASTRO C337"));
        rs->movePrevious();
        QCOMPARE(current(*rs), QStringLiteral("AGLIENTU H848"));
    }

    void endsReachedBySeek()
    {
        auto db = Database::open(register_);
        auto rs = openIndexed(*db);
        rs->seek(QStringLiteral("zungri"));
        rs->moveNext();
        QVERIFY(rs->eof() && !rs->bof());
        rs->seek(QString());
        rs->movePrevious();
        QVERIFY(rs->bof() && !rs->eof());
        QVERIFY(!rs->noMatch());
    }

    void movingAfterFailedSeekHasNoCurrentRecord()
    {
        auto db = Database::open(register_);
        auto rs = openIndexed(*db);
        rs->seek(QStringLiteral("ZZ"));
        QCOMPARE(outcome([&] { rs->moveNext(); }).number, registro::NoCurrentRecord);
        QCOMPARE(outcome([&] { rs->movePrevious(); }).number, registro::NoCurrentRecord);
        QVERIFY(rs->noMatch());
    }

    void fieldErrors()
    {
        auto db = Database::open(register_);
        auto rs = openIndexed(*db);
        const Outcome unknown = outcome([&] { rs->field(QStringLiteral("COMU_NOME")); });
        QCOMPARE(unknown.number, registro::ItemNotFound);
        QCOMPARE(unknown.description, QStringLiteral("Elemento non trovato in questo insieme."));
        QCOMPARE(rs->field(QStringLiteral("comu_cod")), QStringLiteral("A001"));

        rs->seek(QStringLiteral("ZZ"));
        const Outcome none = outcome([&] { rs->field(QStringLiteral("COMU_DESCR")); });
        QCOMPARE(none.number, registro::NoCurrentRecord);
        QCOMPARE(none.description, QStringLiteral("Nessun record corrente."));
        // An unknown name stays unknown, current record or not.
        QCOMPARE(outcome([&] { rs->field(QString()); }).number, registro::ItemNotFound);
    }

    void operationsNeedAnIndex()
    {
        auto db = Database::open(register_);
        auto rs = db->openRecordset(QStringLiteral("comuni")); // table names ignore case
        const Outcome seek = outcome([&] { rs->seek(QStringLiteral("ROMA")); });
        QCOMPARE(seek.number, registro::NoCurrentIndex);
        QCOMPARE(seek.description, QStringLiteral("Operazione non valida senza un indice corrente."));
        QCOMPARE(outcome([&] { rs->moveNext(); }).number, registro::NoCurrentIndex);
        QCOMPARE(outcome([&] { rs->movePrevious(); }).number, registro::NoCurrentIndex);
        QCOMPARE(outcome([&] { rs->field(QStringLiteral("COMU_DESCR")); }).number, registro::NoCurrentRecord);
    }

    void failedSetIndexKeepsTheCurrentOne()
    {
        auto db = Database::open(register_);
        auto rs = openIndexed(*db);
        rs->seek(QStringLiteral("roma"));
        const Outcome bad = outcome([&] { rs->setIndex(QStringLiteral("COMU_COD")); });
        QCOMPARE(bad.number, registro::NotAnIndex);
        QCOMPARE(bad.description, QStringLiteral("'COMU_COD' non è un indice della tabella."));
        QCOMPARE(current(*rs), QStringLiteral("ROMA H501"));
        rs->moveNext();
        QCOMPARE(current(*rs), QStringLiteral("SAN DONÀ DI PIAVE H823"));
    }

    void emptyTable()
    {
        const QString file = path(QStringLiteral("empty.mdb"));
        registro::writeRegister(file, {});
        auto db = Database::open(file);
        auto rs = openIndexed(*db);
        QVERIFY(rs->bof() && rs->eof());
        QCOMPARE(outcome([&] { rs->moveNext(); }).number, registro::NoCurrentRecord);
        QCOMPARE(outcome([&] { rs->movePrevious(); }).number, registro::NoCurrentRecord);
        rs->seek(QString());
        QVERIFY(rs->noMatch());
    }

    void closedRecordsetRefusesEverything()
    {
        auto db = Database::open(register_);
        auto rs = openIndexed(*db);
        rs->close();
        QVERIFY(!rs->isOpen());
        const Outcome closed = outcome([&] { rs->seek(QStringLiteral("ROMA")); });
        QCOMPARE(closed.number, registro::ObjectClosed);
        QCOMPARE(closed.description, QStringLiteral("Oggetto non valido o non più impostato."));
        QCOMPARE(outcome([&] { rs->moveNext(); }).number, registro::ObjectClosed);
        QCOMPARE(outcome([&] { rs->movePrevious(); }).number, registro::ObjectClosed);
        QCOMPARE(outcome([&] { rs->field(QStringLiteral("COMU_DESCR")); }).number, registro::ObjectClosed);
        QCOMPARE(outcome([&] { rs->setIndex(QStringLiteral("COMU_DESCR")); }).number, registro::ObjectClosed);
        QCOMPARE(outcome([&] { rs->bof(); }).number, registro::ObjectClosed);
        QCOMPARE(outcome([&] { rs->eof(); }).number, registro::ObjectClosed);
        QCOMPARE(outcome([&] { rs->noMatch(); }).number, registro::ObjectClosed);
        rs->close(); // twice is harmless
        // The database is unaffected.
        auto again = openIndexed(*db);
        again->seek(QStringLiteral("roma"));
        QCOMPARE(current(*again), QStringLiteral("ROMA H501"));
    }

    void closingDatabaseUnderOpenRecordset()
    {
        auto db = Database::open(register_);
        auto rs = openIndexed(*db);
        rs->seek(QStringLiteral("roma"));
        db->close();
        QVERIFY(!db->isOpen());
        QVERIFY(!rs->isOpen());
        QCOMPARE(outcome([&] { rs->moveNext(); }).number, registro::ObjectClosed);
        QCOMPARE(outcome([&] { rs->field(QStringLiteral("COMU_DESCR")); }).number, registro::ObjectClosed);
        QCOMPARE(outcome([&] { db->openRecordset(QStringLiteral("Comuni")); }).number, registro::ObjectClosed);
        db->close();
        // Destroying the database before its recordset is safe too.
        auto db2 = Database::open(register_);
        auto rs2 = openIndexed(*db2);
        db2.reset();
        QCOMPARE(current(*rs2), QStringLiteral("ABANO TERME A001"));
        rs2->moveNext();
        QCOMPARE(current(*rs2), QStringLiteral("AGLIÈ A074"));
        rs.reset();
        rs2.reset();
    }

    void openFailures_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("step"); // where it must fail
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("description");

        QTest::newRow("missing") << "missing.mdb"
                                 << "open" << SQLITE_CANTOPEN << "unable to open database file";
        QTest::newRow("empty path") << ""
                                    << "open" << SQLITE_CANTOPEN << "unable to open database file";
        // Refused before SQLite sees it, like every file that is not a regular one.
        QTest::newRow("directory") << "."
                                   << "open" << SQLITE_CANTOPEN << "unable to open database file";
        QTest::newRow("random bytes") << "random.mdb"
                                      << "open" << SQLITE_NOTADB << "file is not a database";
        QTest::newRow("zero bytes") << "zero.mdb"
                                    << "openRecordset" << int(registro::TableNotFound)
                                    << "Impossibile trovare la tabella 'Comuni'.";
        QTest::newRow("no table") << "notable.mdb"
                                  << "openRecordset" << int(registro::TableNotFound)
                                  << "Impossibile trovare la tabella 'Comuni'.";
        QTest::newRow("no index") << "noindex.mdb"
                                  << "setIndex" << int(registro::NotAnIndex)
                                  << "'COMU_DESCR' non è un indice della tabella.";
        QTest::newRow("index on another table")
            << "otherindex.mdb"
            << "setIndex" << int(registro::NotAnIndex) << "'COMU_DESCR' non è un indice della tabella.";
    }

    void openFailures()
    {
        QFETCH(QString, file);
        QFETCH(QString, step);
        QFETCH(int, number);
        QFETCH(QString, description);

        const QString target = file.isEmpty() ? QString() : path(file);
        if (file == u"random.mdb") {
            QFile f(target);
            QVERIFY(f.open(QIODevice::WriteOnly));
            QByteArray bytes(8192, '\0');
            quint32 seed = 12345;
            for (char& b : bytes) {
                seed = seed * 1664525u + 1013904223u;
                b = char(seed >> 24);
            }
            f.write(bytes);
        } else if (file == u"zero.mdb") {
            QFile f(target);
            QVERIFY(f.open(QIODevice::WriteOnly));
        } else if (file == u"notable.mdb") {
            execSql(target, "CREATE TABLE Province (SIGLA TEXT)");
        } else if (file == u"noindex.mdb") {
            execSql(target, "CREATE TABLE Comuni (COMU_DESCR TEXT, COMU_PROV TEXT, COMU_COD TEXT, "
                            "COMU_KEY TEXT)");
        } else if (file == u"otherindex.mdb") {
            execSql(target, "CREATE TABLE Comuni (COMU_DESCR TEXT, COMU_PROV TEXT, COMU_COD TEXT, "
                            "COMU_KEY TEXT); CREATE TABLE Altro (COMU_KEY TEXT); "
                            "CREATE INDEX COMU_DESCR ON Altro (COMU_KEY)");
        }

        std::unique_ptr<Database> db;
        std::unique_ptr<Recordset> rs;
        const QStringList steps = {QStringLiteral("open"), QStringLiteral("openRecordset"), QStringLiteral("setIndex")};
        for (const QString& s : steps) {
            const Outcome result = outcome([&] {
                if (s == u"open")
                    db = Database::open(target);
                else if (s == u"openRecordset")
                    rs = db->openRecordset(QStringLiteral("Comuni"));
                else
                    rs->setIndex(QStringLiteral("COMU_DESCR"));
            });
            if (s != step) {
                QVERIFY2(result.number == 0, qPrintable(s + QStringLiteral(": ") + result.description));
                continue;
            }
            QCOMPARE(result.number, number);
            QCOMPARE(result.description, description);
            break;
        }
    }

    // A key of another type than text, written by some other tool, must
    // neither trap the arrow keys on its record nor hide the records around it.
    void oddKeysNeverTrapTheCursor_data()
    {
        QTest::addColumn<QByteArray>("key");
        QTest::newRow("blob") << QByteArray("CAST(COMU_KEY AS BLOB)");
        QTest::newRow("integer") << QByteArray("42");
        QTest::newRow("real") << QByteArray("0.5");
    }
    void oddKeysNeverTrapTheCursor()
    {
        QFETCH(QByteArray, key);
        const QString file = path(QStringLiteral("oddkey.mdb"));
        registro::writeRegister(file, smallRegister());
        execSql(file, "UPDATE Comuni SET COMU_KEY = " + key + " WHERE COMU_DESCR = 'ROMA'");
        auto db = Database::open(file);
        auto rs = openIndexed(*db);
        QStringList forward, backward;
        for (int steps = 0; !rs->eof() && steps < 50; ++steps, rs->moveNext())
            forward << current(*rs);
        for (rs->movePrevious(); !rs->bof() && backward.size() < 50; rs->movePrevious())
            backward.prepend(current(*rs));
        QCOMPARE(forward.size(), kOrder.size());
        QCOMPARE(backward, forward);
        QVERIFY(forward.contains(QStringLiteral("ROMA H501")));
    }

    // A register another program holds locked is waited for, then reported
    // as busy; a lock let go during the wait is no failure.
    void writerLockReportsBusy()
    {
        const QString file = path(QStringLiteral("locked.mdb"));
        registro::writeRegister(file, smallRegister());
        registro::sqlite::Connection writer(file, registro::sqlite::Connection::Mode::ReadWriteCreate);
        writer.exec("BEGIN EXCLUSIVE");
        const Outcome busy = outcome([&] { Database::open(file, 10); });
        QCOMPARE(busy.number, SQLITE_BUSY);
        QCOMPARE(busy.description, QStringLiteral("database is locked"));
        std::thread letGo([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            writer.exec("ROLLBACK");
        });
        std::unique_ptr<Database> db;
        const Outcome waited = outcome([&] { db = Database::open(file, 60000); });
        letGo.join();
        QCOMPARE(waited.number, 0);
        QVERIFY(db->isOpen());
    }

    void readerHoldsNoLockBetweenCalls()
    {
        const QString file = path(QStringLiteral("shared.mdb"));
        registro::writeRegister(file, smallRegister());
        auto db = Database::open(file);
        auto rs = openIndexed(*db);
        rs->seek(QStringLiteral("roma"));

        execSql(file, "BEGIN EXCLUSIVE; INSERT INTO Comuni VALUES "
                      "('ROMANO D''EZZELINO', 'VI', 'H512', 'ROMANO D EZZELINO', '1867-03-11', '', ''); COMMIT");
        // The reader sees the new record on its next step.
        rs->moveNext();
        QCOMPARE(current(*rs), QStringLiteral("ROMANO D'EZZELINO H512"));
    }

    void lookUpsLeaveTheFileUntouched()
    {
        QTemporaryDir sandbox;
        const QString file = sandbox.filePath(QStringLiteral("Comuni.mdb"));
        registro::writeRegister(file, smallRegister());
        const QByteArray before = digest(file);
        const QDateTime modified = QFileInfo(file).lastModified();
        {
            auto db = Database::open(file);
            auto rs = openIndexed(*db);
            for (const QString& key : QStringList{"a", "castro", "zz", "roma"}) {
                rs->seek(key);
                if (!rs->noMatch()) {
                    rs->moveNext();
                    rs->movePrevious();
                }
            }
            db->close();
        }
        QCOMPARE(digest(file), before);
        QCOMPARE(QFileInfo(file).lastModified(), modified);
        // No journal or lock files either.
        QCOMPARE(QDir(sandbox.path()).entryList(QDir::Files), QStringList{QStringLiteral("Comuni.mdb")});
    }

    void opensInReadOnlyDirectory()
    {
        // Root ignores these permissions; there the test still checks that
        // opening never needs to create anything.
        QTemporaryDir sandbox;
        const QString file = sandbox.filePath(QStringLiteral("Comuni.mdb"));
        registro::writeRegister(file, smallRegister());
        QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        QVERIFY(QFile::setPermissions(sandbox.path(), QFile::ReadOwner | QFile::ExeOwner));
        const Outcome result = outcome([&] {
            auto db = Database::open(file);
            auto rs = openIndexed(*db);
            rs->seek(QStringLiteral("agliè"));
            QCOMPARE(current(*rs), QStringLiteral("AGLIÈ A074"));
        });
        QFile::setPermissions(sandbox.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(result.number, 0);
    }

    void cursorStatementsSearchTheIndex()
    {
        registro::sqlite::Connection db(register_, registro::sqlite::Connection::Mode::ReadOnly);
        const auto queries = registro::sql::cursorQueries(registro::sql::kTable, registro::sql::kIndex);
        // The look-up by code, which the command line makes for every new
        // code, reads its records in order from its index: no sort either.
        const std::pair<QString, const char*> cases[] = {
            {queries.seek, "COMU_DESCR"},     {queries.next, "COMU_DESCR"},
            {queries.previous, "COMU_DESCR"}, {queries.last, "COMU_DESCR"},
            {queries.named, "COMU_DESCR"},    {registro::sql::withCode(registro::sql::kTable), "COMU_CATASTALE"},
        };
        for (const auto& [sql, index] : cases) {
            registro::sqlite::Statement plan = db.prepare(QStringLiteral("EXPLAIN QUERY PLAN ") + sql);
            QStringList details;
            while (plan.step())
                details << plan.columnText(3);
            const QString all = details.join(u'|');
            QVERIFY2(all.contains(u"SEARCH") && all.contains(QStringLiteral("USING INDEX ") + QLatin1StringView(index)),
                     qPrintable(sql + all));
            QVERIFY2(!all.contains(u"SCAN") && !all.contains(u"TEMP B-TREE"), qPrintable(sql + all));
        }
    }

    void writerReplacesAndCleansUp()
    {
        QTemporaryDir sandbox;
        const QString file = sandbox.filePath(QStringLiteral("r.mdb"));
        registro::writeRegister(file, smallRegister());
        registro::writeRegister(file, {{QStringLiteral("ROMA"), QStringLiteral("RM"), QStringLiteral("H501")}});
        auto db = Database::open(file);
        auto rs = openIndexed(*db);
        rs->moveNext();
        QVERIFY(rs->eof());
        db.reset();

        const Outcome failed = outcome(
            [&] { registro::writeRegister(sandbox.filePath(QStringLiteral("no/such/dir/r.mdb")), smallRegister()); });
        QCOMPARE(failed.number, SQLITE_CANTOPEN);
        QCOMPARE(QDir(sandbox.path()).entryList(QDir::Files), QStringList{QStringLiteral("r.mdb")});
    }
};

QTEST_GUILESS_MAIN(TestStore)
#include "test_store.moc"
