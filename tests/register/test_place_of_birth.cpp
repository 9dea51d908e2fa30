// The place of birth the fiscal code is computed with: chosen by name and
// birth date through the real window over a small register with validity,
// and by the same rules with no window; the keys that used to take the wrong
// name; and the places that went wrong, over the built register.

#include "Abbreviations.h"
#include "CalcoloCodFis.h"
#include "Controls.h"
#include "Form1.h"
#include "PlaceChoice.h"
#include "RecordingServices.h"
#include "Records.h"
#include "RegisterFile.h"
#include "SystemServices.h"

#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

using testing::periods;
using testing::rec;

std::vector<registro::Record> smallRegister()
{
    return {
        rec("BELLAGIO", "CO", "A744", QDate(1861, 3, 17), QDate(2014, 2, 3)),
        rec("BELLAGIO", "CO", "M335", QDate(2014, 2, 4)),
        // Places that bore the name at another time than the birth date.
        rec("BORGO NUOVO", "AA", "B001", QDate(2000, 1, 1)),
        rec("BORGO NUOVO", "BB", "B002", QDate(2000, 1, 1)),
        rec("BORGO", "AA", "B001", QDate(1900, 1, 1), QDate(1999, 12, 31)),
        rec("BORGO VECCHIO", "BB", "B002", QDate(1900, 1, 1), QDate(1999, 12, 31)),
        rec("CASTRO", "BG", "C337"),
        rec("CASTRO", "LE", "M261"),
        // One place under two spellings of one name.
        rec("CITTA' DEL VATICANO", "EE", "Z106"),
        rec("CITTÀ DEL VATICANO", "EE", "Z106"),
        rec("FORLÌ", "FC", "D704", QDate(1861, 3, 17)),
        rec("FORLIMPOPOLI", "FC", "D705", QDate(1861, 3, 17)),
        periods("LA SPEZIA", "E463", "1930-11-18//SP/U"),
        periods("LENNO", "E525", "1861-03-17/1929-02-07/CO/U;1947-10-03/2014-02-03/CO/U"),
        rec("GUASTO", "XX", "?12"), // a code no fiscal code can hold
        rec("LONGA", "AA", "L001", {}, QDate(1950, 12, 31)),
        rec("LONGA", "BB", "L002", QDate(1951, 1, 1)),
        rec("LONGA", "CC", "L003", QDate(1951, 1, 1)),
        rec("MILANO", "MI", "F205"),
        rec("PATERNO", "PZ", "M269", QDate(1973, 6, 25)),
        rec("PATERNOPOLI", "AV", "G370"),
        rec("PATERNÒ", "CT", "G371", QDate(1861, 3, 17)),
        rec("RABBI", "TN", "H146"),
        rec("ROMA", "RM", "H501", QDate(1884, 9, 11)),
        // Several of one name in force in 1990, two of them in AA; the first
        // two shown begin in 2000.
        rec("SANTA LUCIA", "AA", "S001", QDate(1900, 1, 1)),
        rec("SANTA LUCIA", "AA", "S002", QDate(1900, 1, 1)),
        rec("SANTA LUCIA", "BB", "S003", QDate(1900, 1, 1)),
        rec("SANTA LUCIA", "AA", "S004", QDate(2000, 1, 1)),
        rec("SANTA LUCIA", "BB", "S005", QDate(2000, 1, 1)),
        periods("SAPPADA", "I421", "1866-11-19/2017-12-31/BL/U;2018-01-01//UD/U"),
        periods("SPEZIA", "E463", "1861-03-17/1923-12-21/GE/U;1923-12-22/1930-11-17/SP/U"),
        rec("ZANZIBAR", "EE", "Z356", {}, QDate(1964, 4, 25)),
    };
}

QString expectedCode(const QDate& born, const QString& place)
{
    return CalcoloCodFis(QStringLiteral("ROSSI"), QStringLiteral("MARIO"), born, QStringLiteral("M"), place);
}

// Capitals typed as people type them: the letter down, Shift let go before
// the letter. Down held for `downs` presses, with one release at the end.
void typeLikeAPerson(QWidget* box, const QString& text, int downs = 0)
{
    for (const QChar c : text)
        testing::typeKey(box, c);
    for (int i = 0; i < downs; ++i) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier, QString(), i > 0);
        QApplication::sendEvent(box, &press);
    }
    if (downs > 0)
        QTest::keyRelease(box, Qt::Key_Down);
}

} // namespace

// The compute command over a small register with validity, through the window.
class TestPlaceCompute : public QObject {
    Q_OBJECT

    testing::RecordingServices fake;
    QTemporaryDir dir;
    std::unique_ptr<Form1> form;
    std::unique_ptr<testing::Form1Controls> ui;

    void fillPerson(const QDate& born)
    {
        ui->txtCognome->setText(QStringLiteral("Rossi"));
        ui->txtNome->setText(QStringLiteral("Mario"));
        ui->txtDataNascita->setText(born.toString(QStringLiteral("dd/MM/yyyy")));
        ui->txtCodiceFiscale->setText(QStringLiteral("PREVIOUS"));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        registro::writeRegister(dir.filePath(QStringLiteral("Comuni.mdb")), smallRegister(), QDate(2024, 1, 22));
        fake.services().app.executableDir = dir.path();
    }
    void init()
    {
        fake.log.clear();
        fake.answerYes = false;
        form = std::make_unique<Form1>(fake.services());
        ui = std::make_unique<testing::Form1Controls>(*form);
        QVERIFY(fake.log.isEmpty());
    }
    void cleanup()
    {
        ui.reset();
        form.reset();
    }

    void chooses_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("downs"); // Down presses after typing, the key held
        QTest::addColumn<QDate>("born");
        QTest::addColumn<bool>("answerYes");
        QTest::addColumn<QString>("code"); // empty: nothing computed
        QTest::addColumn<QStringList>("said"); // what the compute command asked or showed
        QTest::addColumn<QString>("shown"); // name, province, code in the boxes afterwards

        const QDate y2020(2020, 6, 15), y1990(1990, 1, 1), y1960(1960, 1, 1), y1980(1980, 1, 1);
        const QStringList none;
        const QStringList refused = {QStringLiteral("beep"), QStringLiteral("box: Comune non in elenco")};
        const QString zanzibar1970 =
            QStringLiteral("ask: ZANZIBAR (EE) non risulta in vigore il 01/01/1970. Calcolare comunque?");
        const QString longa1960 =
            QStringLiteral("ask: LONGA (AA) non risulta in vigore il 01/01/1960. Calcolare comunque?");
        const QString santaLucia1990 =
            QStringLiteral("ask: SANTA LUCIA (AA) non risulta in vigore il 01/01/1990. Calcolare comunque?");
        const QString zanzibar2024 = QStringLiteral("ask: ZANZIBAR (EE) non risulta in vigore il 01/06/2024 (elenco "
                                                    "dei comuni aggiornato al 22/01/2024). Calcolare comunque?");
        const QStringList refused2024 = {QStringLiteral("beep"), QStringLiteral("box: Comune non in elenco (elenco dei "
                                                                                "comuni aggiornato al 22/01/2024)")};
        const QString borgoNuovo1950 = QStringLiteral(
            "ask: BORGO NUOVO (AA) non risulta in vigore il 01/01/1950. Il nome è stato di più luoghi: BORGO NUOVO "
            "(AA) B001, in vigore dal 01/01/2000; BORGO NUOVO (BB) B002, in vigore dal 01/01/2000. Calcolare "
            "comunque?");
        const QStringList santaLuciaSeveral = {
            QStringLiteral("beep"),
            QStringLiteral("box: Più luoghi possibili per S. LUCIA il 01/01/1990: SANTA LUCIA (AA) S001, in vigore dal "
                           "01/01/1900; SANTA LUCIA (AA) S002, in vigore dal 01/01/1900; SANTA LUCIA (BB) S003, in "
                           "vigore dal 01/01/1900. Scegliere il luogo nell'elenco.")};
        const QString lenno1935 =
            QStringLiteral("ask: LENNO (CO) non risulta in vigore il 01/01/1935. Calcolare comunque?");
        // clang-format off
        QTest::newRow("one name, two codes: today's") << "bellagio" << 0 << y2020 << false << "M335" << none << "BELLAGIO CO M335";
        QTest::newRow("one name, two codes: the one of 1990") << "bellagio" << 0 << y1990 << false << "A744" << none << "BELLAGIO CO A744";
        QTest::newRow("the old one shown, born after it ended") << "bellagio" << 1 << y2020 << false << "M335" << none << "BELLAGIO CO M335";
        QTest::newRow("two in force: the one shown") << "castro" << 1 << y1990 << false << "M261" << none << "CASTRO LE M261";
        QTest::newRow("typed without the accent") << "forli" << 0 << y1990 << false << "D704" << none << "FORLÌ FC D704";
        QTest::newRow("plain spelling shown, not yet in force") << "paterno" << 0 << y1960 << false << "G371" << none << "PATERNÒ CT G371";
        QTest::newRow("accented spelling a step away") << "paterno" << 1 << y1980 << false << "G371" << none << "PATERNÒ CT G371";
        QTest::newRow("typed with the accent: completed so") << QString::fromUtf8("paternò") << 0 << y1990 << false << "G371" << none << "PATERNÒ CT G371";
        QTest::newRow("a final apostrophe for the accent") << "paterno'" << 0 << y1990 << false << "G371" << none << "PATERNÒ CT G371";
        QTest::newRow("forli'") << "forli'" << 0 << y1990 << false << "D704" << none << "FORLÌ FC D704";
        QTest::newRow("ceased: asked, No") << "zanzibar" << 0 << QDate(1970, 1, 1) << false << "" << QStringList{zanzibar1970} << "ZANZIBAR EE Z356";
        QTest::newRow("ceased: asked, Sì") << "zanzibar" << 0 << QDate(1970, 1, 1) << true << "Z356" << QStringList{zanzibar1970} << "ZANZIBAR EE Z356";
        QTest::newRow("several in force, none of the shown province: asked")
            << "longa" << 2 << y1960 << false << "" << QStringList{longa1960} << "LONGA AA L001";
        QTest::newRow("only the old one in force") << "longa" << 0 << QDate(1940, 1, 1) << false << "L001" << none << "LONGA AA L001";
        QTest::newRow("a miss") << "rq" << 0 << y1990 << false << "" << refused << "Rq ? ?";
        QTest::newRow("several in force, one of the shown province") << "santa lucia" << 1 << y1990 << false << "S003" << none << "SANTA LUCIA BB S003";
        QTest::newRow("several in force, two of the shown province: asked")
            << "santa lucia" << 0 << y1990 << false << "" << QStringList{santaLucia1990} << "SANTA LUCIA AA S004";
        QTest::newRow("born in a gap: asked")
            << "lenno" << 0 << QDate(1935, 1, 1) << false << "" << QStringList{lenno1935} << "LENNO CO E525";
        QTest::newRow("named otherwise that day: the name and province of that day")
            << "la spezia" << 0 << QDate(1920, 1, 1) << false << "E463" << none << "SPEZIA GE E463";
        QTest::newRow("the province of the day") << "sappada" << 0 << y1980 << false << "I421" << none << "SAPPADA BL I421";
        // Two codes bore the name, neither in force that day: asked, naming them.
        QTest::newRow("two places named otherwise that day: asked")
            << "borgo nuovo" << 0 << QDate(1950, 1, 1) << true << "B001" << QStringList{borgoNuovo1950} << "BORGO NUOVO AA B001";
        // An abbreviation for a name that several places in force bear.
        QTest::newRow("an abbreviation, several places") << "s. lucia" << 0 << y1990 << false << "" << santaLuciaSeveral << "S. lucia AA S004";
        // Born after the newest day of the register's data: said so.
        QTest::newRow("after the data, ceased: asked")
            << "zanzibar" << 0 << QDate(2024, 6, 1) << false << "" << QStringList{zanzibar2024} << "ZANZIBAR EE Z356";
        QTest::newRow("after the data, a miss")
            << "rq" << 0 << QDate(2024, 6, 1) << false << "" << refused2024 << "Rq ? ?";
        // clang-format on
    }

    void chooses()
    {
        QFETCH(QString, typed);
        QFETCH(int, downs);
        QFETCH(QDate, born);
        QFETCH(bool, answerYes);
        QFETCH(QString, code);
        QFETCH(QStringList, said);
        QFETCH(QString, shown);
        fillPerson(born);
        fake.answerYes = answerYes;
        typeLikeAPerson(ui->Text1, typed, downs);
        fake.log.clear();
        ui->cmdElabora->click();
        QCOMPARE(fake.log, said);
        QCOMPARE(ui->txtCodiceFiscale->text(), code.isEmpty() ? QStringLiteral("PREVIOUS") : expectedCode(born, code));
        QCOMPARE(ui->Text1->text() + u' ' + ui->Text2->text() + u' ' + ui->Text3->text(), shown);
        // Nothing changes on a refusal or a No; the names are upper-cased on a code.
        QCOMPARE(ui->txtCognome->text(), code.isEmpty() ? QStringLiteral("Rossi") : QStringLiteral("ROSSI"));
    }

    // Shift let go before the capital it typed: the completion is not taken;
    // no other modifier released alone takes it either.
    void modifierReleasedAlone()
    {
        typeLikeAPerson(ui->Text1, QStringLiteral("R"));
        QCOMPARE(ui->Text1->selectedText(), QStringLiteral("ABBI")); // RABBI
        typeLikeAPerson(ui->Text1, QStringLiteral("oma"));
        QCOMPARE(ui->Text1->text(), QStringLiteral("ROMA"));
        ui->Text1->setSelection(2, 2);
        for (Qt::Key modifier : {Qt::Key_Shift, Qt::Key_Control, Qt::Key_Alt, Qt::Key_AltGr, Qt::Key_Meta,
                                 Qt::Key_CapsLock, Qt::Key_Super_L}) {
            QKeyEvent press(QEvent::KeyPress, modifier, Qt::NoModifier),
                release(QEvent::KeyRelease, modifier, Qt::NoModifier);
            QApplication::sendEvent(ui->Text1, &press);
            QApplication::sendEvent(ui->Text1, &release);
            QCOMPARE(ui->Text1->selectedText(), QStringLiteral("MA"));
        }
        QVERIFY(fake.log.isEmpty());
    }

    // With the register missing, the key that closes the "DulMsg" box lets
    // go in the search box: that release is not looked up again.
    void keyThatClosedAMessageBox_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("Return") << int(Qt::Key_Return);
        QTest::newRow("Esc") << int(Qt::Key_Escape);
    }

    void keyThatClosedAMessageBox()
    {
        QFETCH(int, key);
        QTemporaryDir empty;
        platform::SystemMessageBox realBox;
        platform::Services& recorded = fake.services();
        platform::Services services{realBox,        recorded.beeper,  recorded.clock, recorded.printer,
                                    recorded.shell, recorded.program, recorded.app,   recorded.locale};
        services.app.executableDir = empty.path();
        // Every box that opens is closed by a press of the key, as a user would.
        QStringList shown;
        QTimer closer;
        connect(&closer, &QTimer::timeout, this, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                shown << box->text();
                QTest::keyPress(box, Qt::Key(key));
            }
        });
        closer.start(20);
        Form1 window(services);
        const testing::Form1Controls boxes(window);
        QCOMPARE(shown.size(), 1); // "Errore n° 14 ..."
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        boxes.Text1->setFocus();
        QTest::keyClick(boxes.Text1, Qt::Key_R);
        QCOMPARE(shown.size(), 2);
        QVERIFY2(shown[1].startsWith(QStringLiteral("DulMsg: ")), qPrintable(shown[1]));
        QTRY_VERIFY(QApplication::activeModalWidget() == nullptr);
        // The window is active again, the focus back in the box.
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTRY_VERIFY(boxes.Text1->hasFocus());
        // The key's release arrives in the box it left the message for.
        QTest::keyRelease(boxes.Text1, Qt::Key(key));
        QTest::qWait(100);
        QCOMPARE(shown.size(), 2);
        // The next key typed there is looked up (and reported) as before.
        QTest::keyClick(boxes.Text1, Qt::Key_O);
        QCOMPARE(shown.size(), 3);
    }

    // Pasted over a completed name, with no completion after it.
    void pastedName()
    {
        fillPerson(QDate(1990, 1, 1));
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        ui->Text1->setFocus();
        QTest::keyClicks(ui->Text1, QStringLiteral("milano"));
        QCOMPARE(ui->Text3->text(), QStringLiteral("F205"));
        QGuiApplication::clipboard()->setText(QStringLiteral("roma"));
        QTest::keyClick(ui->Text1, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(ui->Text1, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(ui->Text1->text(), QStringLiteral("roma"));
        QCOMPARE(ui->Text3->text(), QStringLiteral("F205")); // the box still stands for MILANO
        fake.log.clear();
        ui->cmdElabora->click();
        QVERIFY(fake.log.isEmpty());
        QCOMPARE(ui->txtCodiceFiscale->text(), expectedCode(QDate(1990, 1, 1), QStringLiteral("H501")));
        QCOMPARE(ui->Text1->text() + ui->Text2->text() + ui->Text3->text(), QStringLiteral("ROMARMH501"));
        // The province box's tooltip names the record used.
        QCOMPARE(ui->Text2->toolTip(), QStringLiteral("ROMA (RM) H501, in vigore dal 11/09/1884"));
    }

    // The same rules for a caller with no search box: a name and a date only.
    void byNameAndDate_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QDate>("born");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("code"); // of the place reported
        QTest::addColumn<int>("records");
        QTest::addColumn<QString>("place"); // name and province reported, when they are not the name's
        QTest::addColumn<QString>("province"); // given, as a file's column gives it

        using C = registro::PlaceChoice;
        // clang-format off
        QTest::newRow("one record") << "roma" << QDate(1980, 1, 1) << int(C::Chosen) << "H501" << 1 << "" << "";
        QTest::newRow("the one in force, 1990") << "Bellagio" << QDate(1990, 1, 1) << int(C::Chosen) << "A744" << 2 << "" << "";
        QTest::newRow("the day it ended") << "bellagio" << QDate(2014, 2, 3) << int(C::Chosen) << "A744" << 2 << "" << "";
        QTest::newRow("blanks and no accent") << "  forli " << QDate(1990, 1, 1) << int(C::Chosen) << "D704" << 1 << "" << "";
        QTest::newRow("two in force") << "castro" << QDate(1990, 1, 1) << int(C::Ambiguous) << "" << 2 << "" << "";
        QTest::newRow("folded spellings, both in force") << "PATERNO" << QDate(1990, 1, 1) << int(C::Ambiguous) << "" << 2 << "" << "";
        QTest::newRow("none in force: the only one") << "zanzibar" << QDate(1970, 1, 1) << int(C::NotInForce) << "Z356" << 1 << "" << "";
        QTest::newRow("none in force: the first") << "bellagio" << QDate(1850, 1, 1) << int(C::NotInForce) << "M335" << 2 << "" << "";
        QTest::newRow("a name only begun") << "rom" << QDate(1980, 1, 1) << int(C::NotInRegister) << "" << 0 << "" << "";
        QTest::newRow("a malformed code") << "guasto" << QDate(1980, 1, 1) << int(C::NotInRegister) << "" << 0 << "" << "";
        QTest::newRow("typed with the accent: the one spelled so") << QString::fromUtf8("paternò") << QDate(1990, 1, 1) << int(C::Chosen) << "G371" << 2 << "" << "";
        QTest::newRow("a final apostrophe for the accent") << "PATERNO'" << QDate(1990, 1, 1) << int(C::Chosen) << "G371" << 2 << "" << "";
        QTest::newRow("one place under two spellings") << "citta del vaticano" << QDate(1990, 1, 1) << int(C::Chosen) << "Z106" << 2 << "" << "";
        QTest::newRow("born in a gap") << "lenno" << QDate(1935, 1, 1) << int(C::NotInForce) << "E525" << 1 << "" << "";
        QTest::newRow("named otherwise that day") << "la spezia" << QDate(1920, 1, 1) << int(C::Chosen) << "E463" << 1 << "SPEZIA GE" << "";
        QTest::newRow("named otherwise, later") << "spezia" << QDate(1950, 1, 1) << int(C::Chosen) << "E463" << 1 << "LA SPEZIA SP" << "";
        // Two codes bore the name, neither in force: not guessed between.
        QTest::newRow("two places named otherwise that day") << "borgo nuovo" << QDate(1950, 1, 1) << int(C::NotInForce) << "B001" << 2 << "" << "";
        QTest::newRow("the province of the day") << "sappada" << QDate(1980, 1, 1) << int(C::Chosen) << "I421" << 1 << "SAPPADA BL" << "";
        QTest::newRow("two in force, one in the province given") << "castro" << QDate(1990, 1, 1) << int(C::Chosen) << "C337" << 2 << "" << "BG";
        QTest::newRow("the other, given in small letters") << "castro" << QDate(1990, 1, 1) << int(C::Chosen) << "M261" << 2 << "" << " le ";
        QTest::newRow("a province of neither") << "castro" << QDate(1990, 1, 1) << int(C::NotInProvince) << "" << 2 << "" << "MI";
        QTest::newRow("the one of three in force in its province") << "santa lucia" << QDate(1990, 1, 1) << int(C::Chosen) << "S003" << 5 << "" << "BB";
        QTest::newRow("two of three in force in the province given") << "santa lucia" << QDate(1990, 1, 1) << int(C::Ambiguous) << "" << 5 << "" << "AA";
        QTest::newRow("named otherwise that day, in the province given") << "borgo nuovo" << QDate(1950, 1, 1) << int(C::Chosen) << "B002" << 2 << "BORGO VECCHIO BB" << "BB";
        QTest::newRow("one in force, in the province given") << "roma" << QDate(1980, 1, 1) << int(C::Chosen) << "H501" << 1 << "" << "RM";
        QTest::newRow("one in force, another province given") << "roma" << QDate(1980, 1, 1) << int(C::NotInProvince) << "" << 1 << "" << "MI";
        QTest::newRow("the latest province given") << "sappada" << QDate(1980, 1, 1) << int(C::Chosen) << "I421" << 1 << "SAPPADA BL" << "UD";
        QTest::newRow("named otherwise that day, in its province") << "borgo nuovo" << QDate(1950, 1, 1) << int(C::Chosen) << "B001" << 2 << "BORGO AA" << "AA";
        // Abbreviations: the one name they stand for, as with nothing shown.
        QTest::newRow("S. for SANTA") << "s. lucia" << QDate(1990, 1, 1) << int(C::Ambiguous) << "" << 5 << "" << "";
        QTest::newRow("S. for SANTA, a province given") << "S.LUCIA" << QDate(1990, 1, 1) << int(C::Chosen) << "S003" << 5 << "" << "BB";
        // clang-format on
    }

    void byNameAndDate()
    {
        QFETCH(QString, name);
        QFETCH(QDate, born);
        QFETCH(int, outcome);
        QFETCH(QString, code);
        QFETCH(int, records);
        QFETCH(QString, place);
        QFETCH(QString, province);
        auto db = registro::Database::open(dir.filePath(QStringLiteral("Comuni.mdb")));
        const registro::PlaceChoice choice = province.isEmpty()
                                                 ? registro::choosePlace(*db, name, born)
                                                 : registro::choosePlaceInProvince(*db, name, born, province);
        QCOMPARE(int(choice.outcome), outcome);
        QCOMPARE(choice.place.code, code);
        QCOMPARE(int(choice.records.size()), records);
        if (!place.isEmpty())
            QCOMPARE(choice.place.name + u' ' + choice.place.province, place);
    }
};

// The names an abbreviated text may stand for, where the sweep over the
// register does not reach: a lone S, an S that is no abbreviation, texts no
// name is made of.
class TestAbbreviations : public QObject {
    Q_OBJECT

private slots:
    void readings()
    {
        QVERIFY(registro::abbreviationReadings(QStringLiteral("s maria")).contains(QStringLiteral("SANTA MARIA")));
        for (const char* none : {"ROMA", "VILLA S", "ASS. X"})
            QCOMPARE(registro::abbreviationReadings(QLatin1String(none)), QStringList());
        // Bounded, never multiplied out: a long text has none, many
        // abbreviations in a short one stop at 256 readings.
        QCOMPARE(registro::abbreviationReadings(QStringLiteral(" S.").repeated(1000)), QStringList());
        QCOMPARE(registro::abbreviationReadings(QStringLiteral("S.").repeated(40)).size(), 256);
    }
};

// The places that went wrong, typed into the real window over the built
// register, each with the code it must give.
class TestFullRegisterPlaces : public QObject {
    Q_OBJECT

    testing::RecordingServices fake; // its executable directory holds the built register

private slots:
    void rightCode_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("downs");
        QTest::addColumn<QDate>("born");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("shown"); // name and province afterwards, if the day's name is another
        // clang-format off
        QTest::newRow("bellagio") << "bellagio" << 0 << QDate(2020, 6, 15) << "M335" << "";
        QTest::newRow("bellagio before its merger") << "bellagio" << 0 << QDate(1990, 1, 1) << "A744" << "";
        QTest::newRow("forli") << "forli" << 0 << QDate(1990, 1, 1) << "D704" << "";
        QTest::newRow("paterno, then Down") << "paterno" << 1 << QDate(1960, 1, 1) << "G371" << "";
        QTest::newRow("cina") << "cina" << 0 << QDate(1990, 1, 1) << "Z210" << "";
        QTest::newRow("serbia") << "serbia" << 0 << QDate(2012, 1, 1) << "Z158" << "";
        QTest::newRow("gran bretagna") << "gran bretagna" << 0 << QDate(1990, 1, 1) << "Z114" << "";
        QTest::newRow("olanda") << "olanda" << 0 << QDate(1990, 1, 1) << "Z126" << "";
        QTest::newRow("bozen") << "bozen" << 0 << QDate(1990, 1, 1) << "A952" << "";
        QTest::newRow("hong kong") << "hong kong" << 0 << QDate(1990, 1, 1) << "Z221" << "";
        QTest::newRow("Roma, capital typed with Shift") << "Roma" << 0 << QDate(1980, 1, 1) << "H501" << "";
        QTest::newRow("47 characters") << "challant saint anselme et" << 0 << QDate(1946, 5, 1) << "C592" << "";
        QTest::newRow("livo of Trento, 1935") << "livo" << 0 << QDate(1935, 1, 1) << "E624" << "";
        QTest::newRow("la spezia, 1920") << "la spezia" << 0 << QDate(1920, 1, 1) << "E463" << "SPEZIA GE";
        QTest::newRow("rovigno, 1935") << "rovigno" << 0 << QDate(1935, 1, 1) << "H619" << "ROVIGNO D'ISTRIA PL";
        QTest::newRow("sovizzo, 2024") << "sovizzo" << 0 << QDate(2024, 6, 1) << "M436" << "";
        QTest::newRow("duino-aurisina") << "duino-aurisina" << 0 << QDate(2020, 1, 1) << "D383" << "";
        QTest::newRow("devin nabrezina") << "devin nabrezina" << 0 << QDate(2020, 1, 1) << "D383" << "";
        // Born before the name: the official name of the day, not its short half SÈN JAN.
        QTest::newRow("san giovanni di fassa, 2018") << "san giovanni di fassa" << 0 << QDate(2018, 6, 1) << "M390" << QString::fromUtf8("SÈN JAN DI FASSA TN");
        // Abbreviations, typed without a box at any key.
        QTest::newRow("s. giovanni rotondo") << "s. giovanni rotondo" << 0 << QDate(1990, 1, 1) << "H926" << "";
        QTest::newRow("ss. cosma e damiano") << "ss. cosma e damiano" << 0 << QDate(1990, 1, 1) << "I339" << "";
        QTest::newRow("santantioco") << "santantioco" << 0 << QDate(1990, 1, 1) << "I294" << "";
        QTest::newRow("sankt lorenzen") << "sankt lorenzen" << 0 << QDate(1990, 1, 1) << "H956" << "";
        // clang-format on
    }

    void rightCode()
    {
        QFETCH(QString, typed);
        QFETCH(int, downs);
        QFETCH(QDate, born);
        QFETCH(QString, code);
        QFETCH(QString, shown);
        fake.log.clear();
        Form1 form(fake.services());
        testing::Form1Controls ui(form);
        ui.txtCognome->setText(QStringLiteral("Rossi"));
        ui.txtNome->setText(QStringLiteral("Mario"));
        ui.txtDataNascita->setText(born.toString(QStringLiteral("dd/MM/yyyy")));
        typeLikeAPerson(ui.Text1, typed, downs);
        ui.cmdElabora->click();
        QVERIFY2(fake.log.isEmpty(), qPrintable(fake.log.join(u'|')));
        QCOMPARE(ui.txtCodiceFiscale->text(), expectedCode(born, code));
        QCOMPARE(ui.Text3->text(), code);
        if (!shown.isEmpty())
            QCOMPARE(ui.Text1->text() + u' ' + ui.Text2->text(), shown);
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    int status = 0;
    {
        TestPlaceCompute compute;
        status |= QTest::qExec(&compute, argc, argv);
    }
    {
        TestAbbreviations abbreviations;
        status |= QTest::qExec(&abbreviations, argc, argv);
    }
    {
        TestFullRegisterPlaces full;
        status |= QTest::qExec(&full, argc, argv);
    }
    return status;
}

#include "test_place_of_birth.moc"
