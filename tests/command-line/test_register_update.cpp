// tarvolin registro aggiorna end to end: the built program, copied with its
// register into a folder of its own, run as a user runs it.

#include "Program.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace program;

class TestRegisterUpdate : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    QString file(const QString& name, const QByteArray& bytes) { return writeFile(dir.filePath(name), bytes); }

private slots:
    void initTestCase() { QVERIFY(dir.isValid()); }

    // tarvolin registro aggiorna on a copy of the program and its register:
    // replaced only by a register made whole from a whole archive.
    void updateRegister_data()
    {
        QTest::addColumn<QString>("archive"); // how the build's archive is given
        QTest::addColumn<QString>("present"); // the register beside the program before
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("says"); // %1: the register, %2: its folder
        const QString updated = QStringLiteral("Registro dei comuni aggiornato: %1, 11387 luoghi, elenco dei comuni "
                                               "aggiornato al 22/01/2024.\n");
        QTest::newRow("whole") << "whole"
                               << "built" << 0 << updated;
        QTest::newRow("whole, over a damaged register") << "whole"
                                                        << "damaged" << 0 << updated;
        QTest::newRow("cut in the middle of a row")
            << "cut"
            << "built" << 2 << "riga 9505: virgolette aperte alla riga 9505 e mai chiuse.";
        QTest::newRow("cut after a row") << "rows"
                                         << "built" << 2 << "codici del registro attuale (A081 VILLA LATINA, ";
        QTest::newRow("a folder the user may not write")
            << "whole"
            << "read-only" << 2
            << "questo utente non può scrivere nella cartella %2. Un'installazione di sistema si aggiorna come "
               "amministratore: sudo tarvolin registro aggiorna ";
        QTest::newRow("no such file") << "missing"
                                      << "built" << 2 << "il file non esiste.";
        QTest::newRow("leftovers of killed updates") << "whole"
                                                     << "leftovers" << 0 << updated;
        QTest::newRow("a read-only file system")
            << "whole"
            << "read-only file system" << 2 << "la cartella %2 è su un file system in sola lettura.";
        // As FIUMICINO's row, with ROMA's code from the day it began.
        QTest::newRow("a code two places bear")
            << "twice"
            << "built" << 2 << "il codice H501 è di due luoghi il 04/04/1992: ROMA (RM) e FIUMICINO (RM).";
    }
    void updateRegister()
    {
        QFETCH(QString, archive);
        QFETCH(QString, present);
        QFETCH(int, status);
        QFETCH(QString, says);
        QTemporaryDir sandbox;
        const QString home = sandbox.filePath(QStringLiteral("lib"));
        const QString program = home + QStringLiteral("/tarvolin");
        const QString target = home + QStringLiteral("/Comuni.mdb");
        QVERIFY(QDir().mkpath(home) && QFile::copy(kProgram, program));
        QFile built(QFileInfo(kProgram).dir().filePath(QStringLiteral("Comuni.mdb")));
        QVERIFY(built.open(QIODevice::ReadOnly));
        const QByteArray builtBytes = built.readAll();
        const QByteArray before = present == u"damaged" ? builtBytes.left(4096) : builtBytes;
        file(QStringLiteral("before.mdb"), before);
        QVERIFY(QFile::copy(dir.filePath(QStringLiteral("before.mdb")), target));

        QFile data(QStringLiteral(TARVOLIN_DATA_DIR "/ANPR_archivio_comuni.csv"));
        QVERIFY(data.open(QIODevice::ReadOnly));
        QByteArray rows = data.readAll();
        if (archive == u"cut")
            rows.truncate(1200000);
        else if (archive == u"rows")
            rows.truncate(rows.indexOf("\n", 1200000) + 1);
        const qsizetype fiumicino = rows.indexOf("11171,\"1992-04-04\"");
        if (archive == u"twice")
            rows += rows.mid(fiumicino, rows.indexOf('\n', fiumicino) + 1 - fiumicino).replace("M297", "H501");
        const QString path = sandbox.filePath(QStringLiteral("archivio.csv"));
        if (archive != u"missing") {
            QFile out(path);
            QVERIFY(out.open(QIODevice::WriteOnly) && out.write(rows) == rows.size());
        }
        const bool readOnly = present == u"read-only";
        for (const QString& p : {sandbox.path(), home})
            QVERIFY(QFile::setPermissions(p, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther
                                                 | QFile::ExeOther | QFile::ReadGroup | QFile::ExeGroup));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadOther | QFile::ReadGroup);
        if (readOnly)
            QFile::setPermissions(home, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
        // Left by updates killed while writing: one whose process is gone, one whose process runs.
        QStringList entries{"Comuni.mdb", "tarvolin"};
        if (present == u"leftovers") {
            QProcess gone;
            gone.start(QStringLiteral("true"));
            QVERIFY(gone.waitForStarted());
            const qint64 pid = gone.processId();
            QVERIFY(gone.waitForFinished());
            entries.insert(1, "Comuni.mdb.tmp" + QString::number(QCoreApplication::applicationPid()));
            for (const QString& name : {entries[1], "Comuni.mdb.tmp" + QString::number(pid)})
                writeFile(home + u'/' + name, "x");
        }
        const Run r = run({"registro", "aggiorna", path}, Options().program(program).asNobody(readOnly).readOnly(
                                                              present == u"read-only file system" ? home : QString()));
        QFile::setPermissions(home, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (r.status == 126)
            QSKIP("no file system can be mounted read-only here");

        QCOMPARE(r.status, status);
        const QString said = QString::fromUtf8(status == 0 ? r.out : r.err);
        QVERIFY2(said.contains(QString(says).replace(QStringLiteral("%1"), target).replace(QStringLiteral("%2"), home)),
                 qPrintable(said));
        QFile after(target);
        QVERIFY(after.open(QIODevice::ReadOnly));
        // The same sources make the same bytes; a failure leaves the old ones.
        QCOMPARE(QCryptographicHash::hash(after.readAll(), QCryptographicHash::Sha256),
                 QCryptographicHash::hash(status == 0 ? builtBytes : before, QCryptographicHash::Sha256));
        QCOMPARE(QDir(home).entryList(QDir::Files), entries);
    }
};

QTEST_GUILESS_MAIN(TestRegisterUpdate)
#include "test_register_update.moc"
