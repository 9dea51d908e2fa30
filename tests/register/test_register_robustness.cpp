// The register in bad shape: locked by a writer in another process,
// truncated, empty; and left byte for byte as it was after a session.

#include "Controls.h"
#include "Form1.h"
#include "RecordingServices.h"
#include "Sqlite.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The register the build made, beside this test.
QString builtRegister() { return QCoreApplication::applicationDirPath() + QStringLiteral("/Comuni.mdb"); }

QByteArray digest(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

} // namespace

class TestRegisterRobustness : public QObject {
    Q_OBJECT

    testing::RecordingServices fake;

    // Types into the search box and computes; the window must keep working:
    // a code from a record of the register, or a refusal that says why.
    void useWindow(Form1& form, const QString& place)
    {
        const testing::Form1Controls ui(form);
        ui.txtCognome->setText(QStringLiteral("Rossi"));
        ui.txtNome->setText(QStringLiteral("Mario"));
        ui.txtDataNascita->setText(QStringLiteral("1/1/1980"));
        ui.txtCodiceFiscale->clear();
        ui.Text1->setFocus();
        QTest::keyClicks(ui.Text1, place);
        QTest::keyClick(ui.Text1, Qt::Key_Down);
        QTest::keyClick(ui.Text1, Qt::Key_Up);
        const qsizetype before = fake.log.size();
        ui.cmdElabora->click();
        const QString code = ui.txtCodiceFiscale->text();
        if (code.isEmpty()) {
            // Refused, or a question about a place not in force then, answered No.
            const QStringList said = fake.log.mid(before);
            const bool refused = said.size() == 2 && said[0] == QStringLiteral("beep")
                                 && (said[1] == QStringLiteral("box: Comune non in elenco")
                                     || said[1].startsWith(QStringLiteral("box: Errore n° ")));
            const bool asked = said.size() == 1 && said[0].startsWith(QStringLiteral("ask: "));
            QVERIFY2(refused || asked, qPrintable(said.join(u'|')));
        } else {
            QVERIFY(code.startsWith(QStringLiteral("RSSMRA80A01")));
            QCOMPARE(code.size(), 16);
            QVERIFY(!code.contains(u'?'));
        }
    }

private slots:
    void init() { fake.log.clear(); }

    void lockedByAWriterInAnotherProcess()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Comuni.mdb"));
        QVERIFY(QFile::copy(builtRegister(), path));
        int ready[2], release[2];
        QVERIFY(pipe(ready) == 0 && pipe(release) == 0);
        const pid_t child = fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            // The writer: takes the exclusive lock and holds it until told to stop.
            char status = 'n';
            try {
                registro::sqlite::Connection db(path, registro::sqlite::Connection::Mode::ReadWriteCreate);
                db.exec("PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE; UPDATE Comuni SET COMU_PROV = COMU_PROV;");
                status = 'y';
                (void)!write(ready[1], &status, 1);
                char stop;
                (void)!read(release[0], &stop, 1);
                db.exec("ROLLBACK;");
            } catch (const platform::Error&) {
                (void)!write(ready[1], &status, 1);
            }
            _exit(0);
        }
        char status = 0;
        QCOMPARE(read(ready[0], &status, 1), ssize_t(1));
        QCOMPARE(status, 'y');

        fake.services().app.executableDir = dir.path();
        {
            Form1 form(fake.services());
            testing::Form1Controls ui(form);
            QCOMPARE(fake.boxes(), QStringList{QStringLiteral("Errore n° 5 database is locked")});
            fake.log.clear();
            useWindow(form, QStringLiteral("r"));
        }
        (void)!write(release[1], "x", 1);
        int exitStatus = 0;
        waitpid(child, &exitStatus, 0);
        // Once the writer is gone the register opens as usual.
        fake.log.clear();
        Form1 form(fake.services());
        testing::Form1Controls ui(form);
        QVERIFY(fake.log.isEmpty());
    }

    // Locked by another program after the window opened: each key waits a
    // moment, then the lock is said once, not at every key; once it is gone
    // the box completes again.
    void lockedWhileTyping()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Comuni.mdb"));
        QVERIFY(QFile::copy(builtRegister(), path));
        QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        fake.services().app.executableDir = dir.path();
        Form1 form(fake.services());
        const testing::Form1Controls ui(form);
        QVERIFY(fake.log.isEmpty());
        registro::sqlite::Connection writer(path, registro::sqlite::Connection::Mode::ReadWriteCreate);
        writer.exec("BEGIN EXCLUSIVE");
        QTest::keyClicks(ui.Text1, QStringLiteral("rom"));
        QCOMPARE(fake.boxes(), QStringList{QStringLiteral("DulMsg: 5 database is locked")});
        writer.exec("ROLLBACK");
        QTest::keyClicks(ui.Text1, QStringLiteral("a"));
        QCOMPARE(ui.Text1->text() + ui.Text3->text(), QStringLiteral("ROMAH501"));
        QCOMPARE(fake.boxes().size(), 1);
    }

    // A writer that stopped half-way left its journal: the register is
    // said to be in another program's hands, and left as it is.
    void hotJournal()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Comuni.mdb"));
        QVERIFY(QFile::copy(builtRegister(), path));
        QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        const pid_t child = fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            // A cache of one page spills the change into the file at once.
            registro::sqlite::Connection db(path, registro::sqlite::Connection::Mode::ReadWriteCreate);
            db.exec("PRAGMA cache_size = 1; BEGIN; UPDATE Comuni SET COMU_PROV = COMU_PROV || 'x';");
            _exit(0);
        }
        int exitStatus = 0;
        waitpid(child, &exitStatus, 0);
        QVERIFY(QFile::exists(path + QStringLiteral("-journal")));
        const QByteArray before = digest(path);
        fake.services().app.executableDir = dir.path();
        Form1 form(fake.services());
        QCOMPARE(fake.boxes(),
                 QStringList{QStringLiteral("Errore n° 8 File in scrittura da parte di un altro programma "
                                            "(o lasciato a metà da uno che si è interrotto): riprovare "
                                            "più tardi.")});
        QCOMPARE(digest(path), before);
    }

    void truncatedFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Comuni.mdb"));
        QVERIFY(QFile::copy(builtRegister(), path));
        QFile file(path);
        QVERIFY(file.setPermissions(file.permissions() | QFileDevice::WriteOwner));
        QVERIFY(file.resize(file.size() / 3));
        fake.services().app.executableDir = dir.path();
        Form1 form(fake.services());
        testing::Form1Controls ui(form);
        // Whatever part of the file still reads, the damage is reported, never hidden or fatal.
        useWindow(form, QStringLiteral("zu"));
        for (const QString& box : fake.boxes())
            QVERIFY2(box.startsWith(QStringLiteral("Errore n° ")) || box.startsWith(QStringLiteral("DulMsg: "))
                         || box == QStringLiteral("Comune non in elenco"),
                     qPrintable(box));
        QVERIFY(!fake.boxes().isEmpty());
    }

    void zeroBytes()
    {
        QTemporaryDir dir;
        QFile empty(dir.filePath(QStringLiteral("Comuni.mdb")));
        QVERIFY(empty.open(QIODevice::WriteOnly));
        empty.close();
        fake.services().app.executableDir = dir.path();
        Form1 form(fake.services());
        testing::Form1Controls ui(form);
        QCOMPARE(fake.boxes().value(0), QStringLiteral("Errore n° 3078 Impossibile trovare la tabella 'Comuni'."));
        fake.log.clear();
        ui.txtCognome->setText(QStringLiteral("Rossi"));
        ui.txtNome->setText(QStringLiteral("Mario"));
        ui.txtDataNascita->setText(QStringLiteral("1/1/1980"));
        ui.Text1->setText(QStringLiteral("Roma"));
        ui.cmdElabora->click();
        // No register to find the place in: refused, with the reason.
        QCOMPARE(fake.log,
                 (QStringList{QStringLiteral("beep"),
                              QStringLiteral("box: Errore n° 3078 Impossibile trovare la tabella 'Comuni'.")}));
        QCOMPARE(ui.txtCodiceFiscale->text(), QString());
        QCOMPARE(QFileInfo(empty).size(), 0); // never written to
    }

    // Files SQLite must never be handed: opening a FIFO would wait for a
    // writer forever, before any window shows.
    void specialFilesAreRefusedAtOnce_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("FIFO") << "fifo";
        QTest::newRow("directory") << "directory";
        QTest::newRow("symlink to /dev/zero") << "zero";
        QTest::newRow("symlink to a FIFO") << "fifo link";
    }
    void specialFilesAreRefusedAtOnce()
    {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Comuni.mdb"));
        const QString fifo = dir.filePath(QStringLiteral("pipe"));
        if (kind == u"fifo")
            QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else if (kind == u"directory")
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Comuni.mdb")));
        else if (kind == u"zero")
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
        else
            QVERIFY(mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0 && QFile::link(fifo, path));
        fake.services().app.executableDir = dir.path();
        Form1 form(fake.services());
        QCOMPARE(fake.boxes(), QStringList(QStringLiteral("Errore n° 14 unable to open database file")));
        fake.log.clear();
        // The window works as with a missing register.
        const testing::Form1Controls ui(form);
        QTest::keyClicks(ui.Text1, QStringLiteral("r"));
        QCOMPARE(fake.boxes().size(), 1);
        QVERIFY(fake.boxes()[0].startsWith(QStringLiteral("DulMsg: ")));
    }

    // Whatever a record's code field holds, only a cadastral code ever
    // reaches a fiscal code; anything else is a place not in the register.
    void badCodeFieldIsNeverComputed_data()
    {
        QTest::addColumn<QByteArray>("code");
        QTest::addColumn<QString>("result"); // empty: refused
        QTest::newRow("10 kB") << QByteArray("printf('H%.10000c', '5')") << QString();
        QTest::newRow("empty") << QByteArray("''") << QString();
        QTest::newRow("lower case") << QByteArray("'h501'") << QString();
        QTest::newRow("blob") << QByteArray("CAST('H501' AS BLOB)") << QString();
        QTest::newRow("number") << QByteArray("501") << QString();
        QTest::newRow("homonym letters") << QByteArray("'H5L1'") << "RSSMRA80A01H5L1";
    }
    void badCodeFieldIsNeverComputed()
    {
        QFETCH(QByteArray, code);
        QFETCH(QString, result);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Comuni.mdb"));
        QVERIFY(QFile::copy(builtRegister(), path));
        QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        registro::sqlite::Connection(path, registro::sqlite::Connection::Mode::ReadWriteCreate)
            .exec("UPDATE Comuni SET COMU_COD = " + code + " WHERE COMU_DESCR = 'ROMA'");
        fake.services().app.executableDir = dir.path();
        Form1 form(fake.services());
        const testing::Form1Controls ui(form);
        ui.txtCognome->setText(QStringLiteral("Rossi"));
        ui.txtNome->setText(QStringLiteral("Mario"));
        ui.txtDataNascita->setText(QStringLiteral("1/1/1980"));
        QTest::keyClicks(ui.Text1, QStringLiteral("roma"));
        fake.log.clear();
        ui.cmdElabora->click();
        if (result.isEmpty()) {
            QCOMPARE(fake.boxes(), QStringList(QStringLiteral("Comune non in elenco")));
            QCOMPARE(ui.txtCodiceFiscale->text(), QString());
        } else {
            QVERIFY(fake.log.isEmpty());
            QCOMPARE(ui.txtCodiceFiscale->text().left(15), result);
        }
    }

    void walModeRegisterLeavesNoSideFiles()
    {
        // Characters a URI would read otherwise, in the directory's name.
        QTemporaryDir base;
        QVERIFY(QDir(base.path()).mkdir(QStringLiteral("reg %3 #?=&")));
        const QDir dir(base.filePath(QStringLiteral("reg %3 #?=&")));
        const QString path = dir.filePath(QStringLiteral("Comuni.mdb"));
        QVERIFY(QFile::copy(builtRegister(), path));
        QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        registro::sqlite::Connection(path, registro::sqlite::Connection::Mode::ReadWriteCreate)
            .exec("PRAGMA journal_mode = WAL");
        QVERIFY(registro::sqlite::isWalFile(path));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("Comuni.mdb")});
        const QByteArray before = digest(path);
        fake.services().app.executableDir = dir.path();
        {
            Form1 form(fake.services());
            const testing::Form1Controls ui(form);
            QVERIFY(fake.log.isEmpty());
            QTest::keyClicks(ui.Text1, QStringLiteral("roma"));
            QCOMPARE(ui.Text3->text(), QStringLiteral("H501"));
            QTest::keyClick(ui.Text1, Qt::Key_Down);
            QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("Comuni.mdb")});
            ui.cmdEsci->click();
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("Comuni.mdb")});
        QCOMPARE(digest(path), before);
    }

    void unchangedAfterASession()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Comuni.mdb"));
        QVERIFY(QFile::copy(builtRegister(), path));
        const QByteArray before = digest(path);
        const QDateTime modified = QFileInfo(path).lastModified();
        fake.services().app.executableDir = dir.path();
        {
            Form1 form(fake.services());
            testing::Form1Controls ui(form);
            QVERIFY(fake.log.isEmpty());
            for (const QString& place : {QStringLiteral("rom"), QStringLiteral("mil"), QStringLiteral("xq"),
                                         QStringLiteral("stati"), QStringLiteral("' OR 1=1 --")}) {
                ui.Text1->clear();
                QTest::keyClick(ui.Text1, Qt::Key_Backspace);
                useWindow(form, place);
            }
            ui.cmdEsci->click();
        }
        QCOMPARE(digest(path), before);
        QCOMPARE(QFileInfo(path).lastModified(), modified);
        // No journal, lock or side file left behind.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("Comuni.mdb")});
    }
};

QTEST_MAIN(TestRegisterRobustness)
#include "test_register_robustness.moc"
