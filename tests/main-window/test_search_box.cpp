// The place-of-birth search box, driven with real key events on the real
// window, over a small register made here; the open sequence's failures; the
// close command.

#include "Controls.h"
#include "Form1.h"
#include "Look.h"
#include "RecordingServices.h"
#include "RegisterFile.h"
#include "Sqlite.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The files this process holds open.
QStringList openDescriptors()
{
    QStringList files;
    for (const QFileInfo& fd :
         QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot))
        files << fd.symLinkTarget();
    return files;
}

const QString kLong = QStringLiteral("SAN PIETRO DI UNA CITTA CON UN NOME MOLTO LUNGO"); // 47 characters

std::vector<registro::Record> smallRegister()
{
    return {
        {QStringLiteral("ABBA"), QStringLiteral("AA"), QStringLiteral("A000")},
        {QStringLiteral("ABETONE"), QStringLiteral("PT"), QStringLiteral("A012")},
        {QStringLiteral("ABETONE CUTIGLIANO"), QStringLiteral("PT"), QStringLiteral("M376")},
        {QStringLiteral("AGLIENTU"), QStringLiteral("SS"), QStringLiteral("A069")},
        {QString::fromUtf8("AGLIÈ"), QStringLiteral("TO"), QStringLiteral("A074")},
        {QStringLiteral("CASTRO"), QStringLiteral("BG"), QStringLiteral("C335")},
        {QStringLiteral("CASTRO"), QStringLiteral("LE"), QStringLiteral("C336")},
        {QStringLiteral("MILANO"), QStringLiteral("MI"), QStringLiteral("F205")},
        {QStringLiteral("MONTE"), QStringLiteral("MO"), QStringLiteral("M001")},
        {QStringLiteral("ROMA"), QStringLiteral("RM"), QStringLiteral("H501")},
        {QStringLiteral("ROMAGNANO"), QStringLiteral("TN"), QStringLiteral("H504")},
        {kLong, QStringLiteral("LL"), QStringLiteral("L047")},
        {QString::fromUtf8("VILLNÖß"), QStringLiteral("BZ"), QStringLiteral("F856")},
        {QStringLiteral("ZUNGRI"), QStringLiteral("VV"), QStringLiteral("M204")},
    };
}

} // namespace

class TestSearchBox : public QObject {
    Q_OBJECT

    testing::RecordingServices fake;
    QTemporaryDir dir;
    std::unique_ptr<Form1> form;
    std::unique_ptr<testing::Form1Controls> ui;

    QLineEdit* box() { return ui->Text1; }
    QString province() { return ui->Text2->text(); }
    QString code() { return ui->Text3->text(); }
    QColor colour() { return look::textColour(ui->Text1); }
    QString selected() { return box()->selectedText(); }

    void openForm(const QString& executableDir)
    {
        fake.services().app.executableDir = executableDir;
        form = std::make_unique<Form1>(fake.services());
        ui = std::make_unique<testing::Form1Controls>(*form);
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        box()->setFocus();
    }
    void type(const QString& keys) { QTest::keyClicks(box(), keys); }
    void key(Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) { QTest::keyClick(box(), k, m); }
    // A key held down: presses repeat, the releases in between are marked as repeats.
    void hold(Qt::Key k, int presses)
    {
        for (int i = 0; i < presses; ++i) {
            QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier, QString(), i > 0);
            QApplication::sendEvent(box(), &press);
            if (i + 1 < presses) {
                QKeyEvent release(QEvent::KeyRelease, k, Qt::NoModifier, QString(), true);
                QApplication::sendEvent(box(), &release);
            }
        }
        QKeyEvent release(QEvent::KeyRelease, k, Qt::NoModifier);
        QApplication::sendEvent(box(), &release);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        registro::writeRegister(dir.filePath(QStringLiteral("Comuni.mdb")), smallRegister());
    }
    void init()
    {
        fake.log.clear();
        openForm(dir.path());
        QVERIFY(fake.log.isEmpty());
    }
    void cleanup() { form.reset(); }

    void completesWhileTyping()
    {
        type(QStringLiteral("r"));
        QCOMPARE(box()->text(), QStringLiteral("ROMA"));
        QCOMPARE(selected(), QStringLiteral("OMA"));
        QCOMPARE(province(), QStringLiteral("RM"));
        QCOMPARE(code(), QStringLiteral("H501"));
        // The next letter replaces the completed part and the search goes on.
        type(QStringLiteral("omag"));
        QCOMPARE(box()->text(), QStringLiteral("ROMAGNANO"));
        QCOMPARE(box()->selectionStart(), 5);
        QCOMPARE(selected(), QStringLiteral("NANO"));
        QCOMPARE(code(), QStringLiteral("H504"));
        QCOMPARE(colour(), QColor(0, 0, 0));
        QVERIFY(fake.log.isEmpty());
    }

    void accentsAndCaseIgnored()
    {
        // AGLIÈ sorts as AGLIE, before AGLIENTU.
        type(QStringLiteral("agli"));
        QCOMPARE(box()->text(), QString::fromUtf8("AGLIÈ"));
        QCOMPARE(selected(), QString::fromUtf8("È"));
        type(QStringLiteral("e")); // è typed as e
        QCOMPARE(box()->text(), QString::fromUtf8("AGLIÈ"));
        QCOMPARE(code(), QStringLiteral("A074"));
        type(QStringLiteral("n"));
        QCOMPARE(box()->text(), QStringLiteral("AGLIENTU"));
        QCOMPARE(selected(), QStringLiteral("TU"));
        QCOMPARE(code(), QStringLiteral("A069"));
        box()->clear();
        key(Qt::Key_Backspace);
        type(QStringLiteral("agli"));
        box()->del(); // drop the completed part, as Backspace would
        // A key that types a letter outside ASCII.
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Egrave, Qt::NoModifier, QString::fromUtf8("è"));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Egrave, Qt::NoModifier, QString::fromUtf8("è"));
        QApplication::sendEvent(box(), &press);
        QApplication::sendEvent(box(), &release);
        QCOMPARE(box()->text(), QString::fromUtf8("AGLIÈ"));
        QCOMPARE(code(), QStringLiteral("A074"));
        QCOMPARE(colour(), QColor(0, 0, 0));
        QVERIFY(fake.log.isEmpty());
    }

    void keyWithoutNewTextCompletesOnceMore()
    {
        type(QStringLiteral("rom"));
        QCOMPARE(selected(), QStringLiteral("A"));
        key(Qt::Key_Right);
        QCOMPARE(box()->text(), QStringLiteral("ROMA"));
        QVERIFY(!box()->hasSelectedText());
        QCOMPARE(box()->cursorPosition(), 4);
        key(Qt::Key_Shift); // nothing more to complete
        QVERIFY(!box()->hasSelectedText());
    }

    void blanks()
    {
        // Leading blanks vanish with the first completion.
        type(QStringLiteral("  m"));
        QCOMPARE(box()->text(), QStringLiteral("MILANO"));
        // A blank after a word does not grow the search text.
        box()->setText(QStringLiteral("ABETONE"));
        key(Qt::Key_End);
        QCOMPARE(code(), QStringLiteral("A012"));
        type(QStringLiteral(" "));
        QCOMPARE(box()->text(), QStringLiteral("ABETONE "));
        QCOMPARE(code(), QStringLiteral("A012"));
        type(QStringLiteral("c"));
        QCOMPARE(box()->text(), QStringLiteral("ABETONE CUTIGLIANO"));
        QCOMPARE(code(), QStringLiteral("M376"));
    }

    void deletingNeverCompletes()
    {
        type(QStringLiteral("roma"));
        QCOMPARE(box()->text(), QStringLiteral("ROMA"));
        key(Qt::Key_End);
        key(Qt::Key_Backspace);
        key(Qt::Key_Backspace);
        QCOMPARE(box()->text(), QStringLiteral("RO"));
        key(Qt::Key_Delete);
        QCOMPARE(box()->text(), QStringLiteral("RO"));
        QCOMPARE(province(), QStringLiteral("RM"));
        QCOMPARE(code(), QStringLiteral("H501"));
        // The cursor now stands on the first name at or after "RO", but the
        // boxes keep the last completion: ROMAGNANO's code never shows.
        type(QStringLiteral("magn"));
        QCOMPARE(code(), QStringLiteral("H504"));
    }

    void missAnnouncedOnce()
    {
        type(QStringLiteral("rq"));
        QCOMPARE(fake.boxes(), QStringList{QStringLiteral("Comune non in elenco")});
        QCOMPARE(box()->text(), QStringLiteral("Rq"));
        QCOMPARE(colour(), QColor(128, 0, 0));
        QCOMPARE(province(), QStringLiteral("?"));
        QCOMPARE(code(), QStringLiteral("?"));
        type(QStringLiteral("x"));
        QCOMPARE(fake.boxes().size(), 1);
        QCOMPARE(code(), QStringLiteral("?"));
        // The "?" comes only once the message has been closed.
        fake.log.clear();
        QString codeWhileBoxOpen;
        fake.onBox = [&](const QString&) { codeWhileBoxOpen = code(); };
        box()->clear();
        key(Qt::Key_Backspace);
        look::setTextColour(box(), Qt::black);
        type(QStringLiteral("q"));
        fake.onBox = nullptr;
        QCOMPARE(fake.boxes(), QStringList{QStringLiteral("Comune non in elenco")});
        QCOMPARE(codeWhileBoxOpen, QStringLiteral("?")); // left from before, not yet rewritten
    }

    void firstEntryMissAndBackToAHit()
    {
        type(QStringLiteral("b"));
        QCOMPARE(fake.boxes(), QStringList{QStringLiteral("Comune non in elenco")});
        key(Qt::Key_Backspace);
        // A hit, then a miss after it: announced again.
        type(QStringLiteral("abx"));
        QCOMPARE(fake.boxes().size(), 2);
        key(Qt::Key_Backspace);
        // Back to a text that begins a name: black again, "?" kept until a completion.
        QCOMPARE(box()->text(), QStringLiteral("AB"));
        QCOMPARE(colour(), QColor(0, 0, 0));
        QCOMPARE(code(), QStringLiteral("?"));
        type(QStringLiteral("e"));
        QCOMPARE(box()->text(), QStringLiteral("ABETONE"));
        QCOMPARE(code(), QStringLiteral("A012"));
    }

    void afterTheLastName()
    {
        type(QStringLiteral("roma"));
        box()->setText(QStringLiteral("ZZZ"));
        key(Qt::Key_End);
        QVERIFY(fake.log.isEmpty());
        QCOMPARE(colour(), QColor(0, 0, 0));
        QCOMPARE(code(), QStringLiteral("H501"));
        key(Qt::Key_Down);
        key(Qt::Key_Up);
        QCOMPARE(box()->text(), QStringLiteral("ZZZ"));
        QCOMPARE(code(), QStringLiteral("H501"));
    }

    void scrollingAfterAMiss()
    {
        type(QStringLiteral("mio")); // MILANO < MIO < MONTE
        QCOMPARE(code(), QStringLiteral("?"));
        key(Qt::Key_Up);
        QCOMPARE(box()->text(), QStringLiteral("MILANO"));
        QCOMPARE(code(), QStringLiteral("F205"));
        QCOMPARE(colour(), QColor(0, 0, 0));
        box()->setText(QStringLiteral("mio"));
        key(Qt::Key_End);
        QTest::keyPress(box(), Qt::Key_Down);
        QCOMPARE(box()->text(), QStringLiteral("ROMA"));
        QCOMPARE(selected(), QStringLiteral("A")); // caret after as many characters as were typed
        // The release sees a longer text and completes it once more: caret at the end.
        QTest::keyRelease(box(), Qt::Key_Down);
        QCOMPARE(box()->text(), QStringLiteral("ROMA"));
        QVERIFY(!box()->hasSelectedText());
        QCOMPARE(box()->cursorPosition(), 4);
    }

    void scrollingKeys()
    {
        type(QStringLiteral("abe"));
        QCOMPARE(box()->text(), QStringLiteral("ABETONE"));
        key(Qt::Key_PageDown);
        QCOMPARE(box()->text(), QStringLiteral("ABETONE CUTIGLIANO"));
        QCOMPARE(code(), QStringLiteral("M376"));
        key(Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(box()->text(), QString::fromUtf8("AGLIÈ"));
        key(Qt::Key_Up, Qt::ControlModifier);
        QCOMPARE(box()->text(), QStringLiteral("ABETONE CUTIGLIANO"));
        key(Qt::Key_PageUp);
        QCOMPARE(box()->text(), QStringLiteral("ABETONE"));
        QCOMPARE(province(), QStringLiteral("PT"));
        QCOMPARE(code(), QStringLiteral("A012"));
    }

    void endsOfTheList()
    {
        type(QStringLiteral("zu"));
        QCOMPARE(box()->text(), QStringLiteral("ZUNGRI"));
        QTest::keyPress(box(), Qt::Key_Down);
        QCOMPARE(box()->text(), QStringLiteral("ZUNGRI"));
        QCOMPARE(code(), QStringLiteral("M204"));
        // The search text was the whole name shown: the caret goes after all of it.
        QVERIFY(!box()->hasSelectedText());
        QCOMPARE(box()->cursorPosition(), 6);
        QTest::keyRelease(box(), Qt::Key_Down);
        box()->clear();
        type(QStringLiteral("abb"));
        QCOMPARE(box()->text(), QStringLiteral("ABBA"));
        key(Qt::Key_Up);
        QCOMPARE(box()->text(), QStringLiteral("ABBA"));
        QCOMPARE(code(), QStringLiteral("A000"));
    }

    // What was typed stays, as the name spells it, when the two differ in
    // length: two blanks typed for one; SS typed for ß, the S between kept.
    void typedOtherwiseThanSpelled()
    {
        type(QStringLiteral("san  p"));
        QCOMPARE(box()->text(), kLong);
        QCOMPARE(box()->selectionStart(), 5);
        box()->clear();
        key(Qt::Key_Backspace);
        type(QStringLiteral("villnos"));
        QCOMPARE(box()->text(), QString::fromUtf8("VILLNÖs"));
        type(QStringLiteral("s"));
        QCOMPARE(box()->text(), QString::fromUtf8("VILLNÖß"));
        QCOMPARE(code(), QStringLiteral("F856"));
        QVERIFY(fake.log.isEmpty());
    }

    // Esc takes a completion away, the typed part staying; with none to take
    // away it ends the program.
    void escTakesTheCompletionAway()
    {
        type(QStringLiteral("ro"));
        key(Qt::Key_Escape);
        QCOMPARE(box()->text(), QStringLiteral("RO"));
        QVERIFY(fake.log.isEmpty());
        type(QStringLiteral("mag"));
        QCOMPARE(box()->text(), QStringLiteral("ROMAGNANO"));
        key(Qt::Key_End);
        key(Qt::Key_Escape);
        QCOMPARE(fake.log.value(0), QStringLiteral("end")); // the real program ends there
    }

    void twoPlacesOfOneName()
    {
        type(QStringLiteral("castro"));
        QCOMPARE(code(), QStringLiteral("C335"));
        key(Qt::Key_Down);
        QCOMPARE(box()->text(), QStringLiteral("CASTRO"));
        QCOMPARE(province(), QStringLiteral("LE"));
        QCOMPARE(code(), QStringLiteral("C336"));
        // The release put the cursor back on the first CASTRO.
        key(Qt::Key_Down);
        QCOMPARE(code(), QStringLiteral("C336"));
        // Held down, the key walks on past both.
        hold(Qt::Key_Down, 3);
        QCOMPARE(box()->text(), QStringLiteral("MONTE"));
        QCOMPARE(code(), QStringLiteral("M001"));
    }

    // Typing stops at 40 characters; a completion or a step shows the whole
    // stored name.
    void longNameShownWhole()
    {
        type(QStringLiteral("san"));
        QCOMPARE(box()->text(), kLong);
        QCOMPARE(box()->selectionStart(), 3);
        QCOMPARE(selected(), kLong.mid(3));
        QCOMPARE(code(), QStringLiteral("L047"));
        key(Qt::Key_Up);
        QCOMPARE(box()->text(), QStringLiteral("ROMAGNANO"));
        key(Qt::Key_Down);
        QCOMPARE(box()->text(), kLong);
        key(Qt::Key_End); // the release after a step: nothing breaks
        QCOMPARE(box()->text(), kLong);
        QCOMPARE(code(), QStringLiteral("L047"));
        // A name past the limit does not grow by typing; typing over a
        // selection replaces it.
        type(QStringLiteral("x"));
        QCOMPARE(box()->text(), kLong);
        box()->selectAll();
        type(QStringLiteral("ro"));
        QCOMPARE(box()->text(), QStringLiteral("ROMA"));
    }

    void typingStopsAtTheLimit()
    {
        type(QStringLiteral("qwertyuiopasdfghjklzxcvbnmqwertyuiopasdfghjkl")); // 45
        QCOMPARE(box()->text().size(), 40);
    }

    // A megabyte pasted or dropped: the box keeps to the limit; a long name
    // it completed may be replaced, but takes nothing more.
    void pastedOrDroppedStopsAtTheLimit_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("completed"); // "san" typed first: the long name, its end selected
        QTest::addColumn<bool>("atEnd"); // then the caret at its end, nothing selected
        QTest::addColumn<QString>("expected");
        for (const char* how : {"Ctrl+V", "Incolla", "drop"}) {
            QTest::addRow("%s, empty box", how) << how << false << false << QString(40, u'z');
            QTest::addRow("%s, after a long name", how) << how << true << true << kLong;
        }
        // A drop goes where it falls, not over the selection.
        for (const char* how : {"Ctrl+V", "Incolla"})
            QTest::addRow("%s, over the completion", how) << how << true << false << "SAN" + QString(37, u'z');
    }
    void pastedOrDroppedStopsAtTheLimit()
    {
        QFETCH(QString, how);
        QFETCH(bool, completed);
        QFETCH(bool, atEnd);
        QFETCH(QString, expected);
        if (completed)
            type(QStringLiteral("san"));
        if (atEnd)
            key(Qt::Key_End);
        const QString megabyte(1 << 20, u'z');
        QGuiApplication::clipboard()->setText(megabyte);
        if (how == u"Ctrl+V") {
            key(Qt::Key_V, Qt::ControlModifier);
        } else if (how == u"Incolla") {
            box()->paste(); // what the menu entry does
        } else {
            QMimeData text;
            text.setText(megabyte);
            const QPoint end(box()->width() - 2, 5);
            QDragEnterEvent enter(end, Qt::CopyAction, &text, Qt::LeftButton, {});
            QApplication::sendEvent(box(), &enter);
            QDropEvent drop(end, Qt::CopyAction, &text, Qt::LeftButton, {});
            QApplication::sendEvent(box(), &drop);
        }
        QCOMPARE(box()->text(), expected);
    }

    void emptyOrBlankBox()
    {
        type(QStringLiteral("rq"));
        fake.log.clear();
        box()->setText(QStringLiteral("   "));
        for (Qt::Key k : {Qt::Key_Down, Qt::Key_Up, Qt::Key_PageDown, Qt::Key_Shift, Qt::Key_Space})
            QTest::keyClick(box(), k);
        QVERIFY(fake.log.isEmpty());
        QCOMPARE(box()->text(), QStringLiteral("    "));
        QCOMPARE(colour(), QColor(128, 0, 0));
        QCOMPARE(code(), QStringLiteral("?"));
        box()->clear();
        // The remembered text is empty again: the first letter completes.
        type(QStringLiteral("m"));
        QCOMPARE(box()->text(), QStringLiteral("MILANO"));
    }

    void textThatLooksLikeQueries()
    {
        for (const QString& text : {QStringLiteral("' OR 1=1 --"), QStringLiteral("%"), QStringLiteral("_"),
                                    QStringLiteral("R%"), QStringLiteral("R_MA")}) {
            box()->setText(text);
            key(Qt::Key_End);
            QCOMPARE(box()->text(), text);
            QVERIFY(code() == QStringLiteral("?") || code().isEmpty());
        }
        // The register is intact.
        box()->clear();
        type(QStringLiteral("ro"));
        QCOMPARE(box()->text(), QStringLiteral("ROMA"));
    }

    void pastedTextWaitsForAKey()
    {
        box()->setText(QStringLiteral("mil"));
        QCOMPARE(code(), QString());
        key(Qt::Key_End);
        QCOMPARE(box()->text(), QStringLiteral("MILANO"));
        QCOMPARE(code(), QStringLiteral("F205"));
    }

    void computeUsesThePlaceFound()
    {
        ui->txtCognome->setText(QStringLiteral("Rossi"));
        ui->txtNome->setText(QStringLiteral("Mario"));
        ui->txtDataNascita->setText(QStringLiteral("1/1/1980"));
        type(QStringLiteral("roma"));
        ui->cmdElabora->click();
        QCOMPARE(ui->txtCodiceFiscale->text(), QStringLiteral("RSSMRA80A01H501U"));
    }
};

// The register missing or broken: one "Errore n° " box, then a working window.
class TestOpenSequence : public QObject {
    Q_OBJECT

    testing::RecordingServices fake;

    QString openIn(const QTemporaryDir& dir)
    {
        fake.log.clear();
        fake.services().app.executableDir = dir.path();
        Form1 form(fake.services());
        testing::Form1Controls ui(form);
        const QStringList atLoad = fake.boxes();
        // The window works for everything but the place of birth...
        ui.txtCognome->setText(QStringLiteral("Fo"));
        ui.txtNome->setText(QStringLiteral("Al"));
        ui.txtDataNascita->setText(QStringLiteral("2/1/2001"));
        ui.Text1->setFocus();
        QTest::keyClicks(ui.Text1, QStringLiteral("ro"));
        // ...every key release in the box reports the failed look-up...
        const QStringList afterTyping = fake.boxes().mid(atLoad.size());
        [&] {
            QCOMPARE(afterTyping.size(), 2);
            for (const QString& text : afterTyping)
                QVERIFY2(text.startsWith(QStringLiteral("DulMsg: ")), qPrintable(text));
        }();
        // ...and no place can be found to compute with: with no register,
        // none is in it; a register open but unreadable says why again.
        fake.log.clear();
        ui.cmdElabora->click();
        [&] {
            QCOMPARE(fake.log.size(), 2);
            QCOMPARE(fake.log[0], QStringLiteral("beep"));
            QVERIFY2(fake.log[1] == QStringLiteral("box: Comune non in elenco")
                         || fake.log[1] == QStringLiteral("box: ") + atLoad.value(0),
                     qPrintable(fake.log[1]));
            QCOMPARE(ui.txtCodiceFiscale->text(), QString());
        }();
        // Scrolling keys report nothing and show no record.
        fake.log.clear();
        QTest::keyClick(ui.Text1, Qt::Key_Down);
        [&] {
            QCOMPARE(ui.Text3->text(), QString());
            QCOMPARE(fake.boxes().size(), 1); // the release only
        }();
        ui.cmdEsci->click();
        [&] { QVERIFY(fake.log.contains(QStringLiteral("end"))); }();
        return atLoad.value(0) + (atLoad.size() == 1 ? QString() : QStringLiteral(" (more than one box)"));
    }

    static void sql(const QString& path, const char* statements)
    {
        registro::sqlite::Connection(path, registro::sqlite::Connection::Mode::ReadWriteCreate).exec(statements);
    }

private slots:
    void fileMissing()
    {
        QTemporaryDir dir;
        QCOMPARE(openIn(dir), QStringLiteral("Errore n° 14 unable to open database file"));
    }
    void emptyFile()
    {
        QTemporaryDir dir;
        QFile(dir.filePath(QStringLiteral("Comuni.mdb"))).open(QIODevice::WriteOnly);
        QCOMPARE(openIn(dir), QStringLiteral("Errore n° 3078 Impossibile trovare la tabella 'Comuni'."));
    }
    void notADatabase()
    {
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("Comuni.mdb")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, 'x'));
        file.close();
        QCOMPARE(openIn(dir), QStringLiteral("Errore n° 26 file is not a database"));
    }
    void noTable()
    {
        QTemporaryDir dir;
        sql(dir.filePath(QStringLiteral("Comuni.mdb")), "CREATE TABLE Altro(x TEXT);");
        QCOMPARE(openIn(dir), QStringLiteral("Errore n° 3078 Impossibile trovare la tabella 'Comuni'."));
    }
    void noIndex()
    {
        QTemporaryDir dir;
        sql(dir.filePath(QStringLiteral("Comuni.mdb")),
            "CREATE TABLE Comuni(COMU_DESCR TEXT, COMU_PROV TEXT, COMU_COD TEXT);"
            "INSERT INTO Comuni VALUES('ROMA','RM','H501');");
        QCOMPARE(openIn(dir), QStringLiteral("Errore n° 3800 'COMU_DESCR' non è un indice della tabella."));
    }

    void closeCommandClosesThenEnds()
    {
        QTemporaryDir dir;
        registro::writeRegister(dir.filePath(QStringLiteral("Comuni.mdb")), smallRegister());
        fake.log.clear();
        fake.services().app.executableDir = dir.path();
        Form1 form(fake.services());
        testing::Form1Controls ui(form);
        QVERIFY(fake.log.isEmpty());
        const QString path = QFileInfo(dir.filePath(QStringLiteral("Comuni.mdb"))).canonicalFilePath();
        QVERIFY(openDescriptors().contains(path));
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QTest::keyClick(ui.txtNome, Qt::Key_Escape); // the cancel button
        QTRY_COMPARE(fake.log, QStringList(QStringLiteral("end")));
        // The file is let go, and the box can no longer look anything up.
        QVERIFY(!openDescriptors().contains(path));
        fake.log.clear();
        QTest::keyClicks(ui.Text1, QStringLiteral("r"));
        QCOMPARE(fake.boxes(), QStringList(QStringLiteral("DulMsg: 3420 Oggetto non valido o non più impostato.")));
    }
};

// A few real look-ups in the register the build makes.
class TestFullRegister : public QObject {
    Q_OBJECT

    testing::RecordingServices fake; // its executable directory holds the built register

    struct Shown {
        QString text, province, code;
    };
    Shown typeInto(Form1& form, const QString& keys)
    {
        const testing::Form1Controls ui(form);
        ui.Text1->clear();
        QTest::keyClick(ui.Text1, Qt::Key_Backspace);
        QTest::keyClicks(ui.Text1, keys);
        return {ui.Text1->text(), ui.Text2->text(), ui.Text3->text()};
    }

private slots:
    void lookUps()
    {
        Form1 form(fake.services());
        testing::Form1Controls ui(form);
        QVERIFY(fake.log.isEmpty());
        auto shown = typeInto(form, QStringLiteral("rom"));
        QCOMPARE(shown.text, QStringLiteral("ROMA"));
        QCOMPARE(ui.Text1->selectedText(), QStringLiteral("A"));
        QCOMPARE(shown.province + shown.code, QStringLiteral("RMH501"));
        shown = typeInto(form, QStringLiteral("milano"));
        QCOMPARE(shown.text + shown.province + shown.code, QStringLiteral("MILANOMIF205"));
        // The name people type comes first; the official name is a step away.
        shown = typeInto(form, QStringLiteral("stati uniti"));
        QCOMPARE(shown.text + shown.province + shown.code, QStringLiteral("STATI UNITIEEZ404"));
        shown = typeInto(form, QStringLiteral("stati uniti d"));
        QCOMPARE(shown.text, QStringLiteral("STATI UNITI D'AMERICA"));
        QCOMPARE(shown.province + shown.code, QStringLiteral("EEZ404"));
        shown = typeInto(form, QStringLiteral("abetone"));
        QCOMPARE(shown.code, QStringLiteral("A012"));
        QTest::keyClick(ui.Text1, Qt::Key_Down);
        QCOMPARE(ui.Text1->text(), QStringLiteral("ABETONE CUTIGLIANO"));
        QCOMPARE(ui.Text3->text(), QStringLiteral("M376"));
        QVERIFY(fake.log.isEmpty());
    }

    void accentedAndMergedNames()
    {
        Form1 form(fake.services());
        testing::Form1Controls ui(form);
        // Typed with the accent, in lower case.
        ui.Text1->setText(QString::fromUtf8("agliè"));
        QTest::keyClick(ui.Text1, Qt::Key_End);
        QCOMPARE(ui.Text1->text(), QString::fromUtf8("AGLIÈ"));
        QCOMPARE(ui.Text2->text() + ui.Text3->text(), QStringLiteral("TOA074"));
        // Cutigliano merged into Abetone Cutigliano in 2017; people born there keep its code.
        const auto shown = typeInto(form, QStringLiteral("cutigliano"));
        QCOMPARE(shown.text, QStringLiteral("CUTIGLIANO"));
        QCOMPARE(shown.code, QStringLiteral("D235"));
    }

    void fullCode()
    {
        Form1 form(fake.services());
        testing::Form1Controls ui(form);
        ui.txtCognome->setText(QStringLiteral("Rossi"));
        ui.txtNome->setText(QStringLiteral("Mario"));
        ui.txtDataNascita->setText(QStringLiteral("1/1/1980"));
        typeInto(form, QStringLiteral("roma"));
        ui.cmdElabora->click();
        QCOMPARE(ui.txtCodiceFiscale->text(), QStringLiteral("RSSMRA80A01H501U"));
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    int status = 0;
    {
        TestSearchBox searchBox;
        status |= QTest::qExec(&searchBox, argc, argv);
    }
    {
        TestOpenSequence openSequence;
        status |= QTest::qExec(&openSequence, argc, argv);
    }
    {
        TestFullRegister fullRegister;
        status |= QTest::qExec(&fullRegister, argc, argv);
    }
    return status;
}

#include "test_search_box.moc"
