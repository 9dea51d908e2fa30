// The print command on the card, with a recording printer: the window as it
// is printed and as it comes back, one card at a time, the focus and
// selections left as they were, how failures are reported.

#include "PrintedCard.h"
#include "RecordingServices.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

using testing::plain;
using testing::stateOf;

// Each line edit's selected text, by name.
QMap<QString, QString> selections(const QWidget& form)
{
    QMap<QString, QString> selected;
    for (const QLineEdit* edit : form.findChildren<QLineEdit*>())
        selected[edit->objectName()] = edit->selectedText();
    return selected;
}

} // namespace

class TestPrinting : public QObject {
    Q_OBJECT

    testing::RecordingServices fake;

private slots:
    void init()
    {
        fake.log.clear();
        fake.printed.clear();
        fake.printerFails = false;
        fake.jobFailure.reset();
        fake.holdJobs = false;
        fake.onPrint = nullptr;
        fake.onBox = nullptr;
    }

    void printsTheCardAloneThenRestoresTheWindow_data()
    {
        QTest::addColumn<bool>("fails");
        QTest::addColumn<bool>("jobFails");
        QTest::newRow("printed") << false << false;
        QTest::newRow("printer fails") << true << false;
        QTest::newRow("job stopped") << false << true;
    }
    void printsTheCardAloneThenRestoresTheWindow()
    {
        QFETCH(bool, fails);
        QFETCH(bool, jobFails);
        Form1 form(fake.services());
        testing::Form1Controls ui(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const testing::CardState before = stateOf(form);
        QCOMPARE(before.border, 1);
        testing::CardState atPrint{}, atBox{};
        fake.onPrint = [&] { atPrint = stateOf(form); };
        fake.onBox = [&](const QString&) { atBox = stateOf(form); };
        fake.printerFails = fails;
        if (jobFails)
            fake.jobFailure = QStringLiteral("Lavoro fermato da PDF: Filter failed");

        // Before any computation: nothing else to complain about.
        ui.cmdStampa->click();

        QStringList expected(QStringLiteral("print"));
        if (fails || jobFails)
            expected << QStringLiteral("beep")
                     << (fails ? QStringLiteral("box: Impossibile stampare.\nno printer")
                               : QStringLiteral("box: Impossibile stampare.\nLavoro fermato da PDF: Filter failed"));
        QCOMPARE(fake.log, expected);
        QCOMPARE(atPrint.controls, 0);
        QCOMPARE(atPrint.border, 0);
        QVERIFY(atPrint.flags.testFlag(Qt::FramelessWindowHint));
        QVERIFY(atPrint.shown);
        // Taking the page fails at once, before the window is restored; the
        // printing system answers on the restored window.
        if (fails || jobFails)
            QCOMPARE(atBox.controls, fails ? 0 : 1);

        const testing::CardState after = stateOf(form);
        QCOMPARE(after.controls, 1);
        QVERIFY(after.shown);
        QCOMPARE(after.border, 1);
        QCOMPARE(after.flags, before.flags);
        QCOMPARE(after.pos, before.pos);
        QCOMPARE(form.minimumSize(), QSize(496, 315));
        QCOMPARE(form.maximumSize(), QSize(496, 315));
    }

    // While the printing system has the card, the window is whole and a
    // second press (a double-click) prints nothing; its answer frees Stampa.
    void oneCardAtATime()
    {
        Form1 form(fake.services());
        testing::Form1Controls ui(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        fake.holdJobs = true;
        QTest::mouseClick(ui.cmdStampa, Qt::LeftButton);
        QTest::mouseDClick(ui.cmdStampa, Qt::LeftButton);
        QTest::keyClick(ui.cmdStampa, Qt::Key_S, Qt::AltModifier);
        QCOMPARE(fake.printed.size(), 1);
        QCOMPARE(stateOf(form).controls, 1);
        QCOMPARE(form.borderStyle(), 1);
        fake.answerJobs();
        ui.cmdStampa->click();
        QCOMPARE(fake.printed.size(), 2);
        fake.answerJobs();
        QCOMPARE(fake.log, QStringList({QStringLiteral("print"), QStringLiteral("print")}));
    }

    void printedImageHasNoButtonsAndNoNote()
    {
        Form1 form(fake.services());
        testing::Form1Controls ui(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        ui.cmdStampa->click();
        ui.cmdStampa->click(); // and again, the same
        QCOMPARE(fake.printed.size(), 2);
        QCOMPARE(fake.printed[1].window, &form);
        const QImage printed = fake.printed[1].image;
        QCOMPARE(printed.size() / printed.devicePixelRatio(), QSize(496, 315));

        const QImage shown = form.grab().toImage();
        for (const QRect& area : testing::controlAreas(form)) {
            QVERIFY2(!plain(shown, area), "the check must see a control where there is one");
            QVERIFY(plain(printed, area));
        }
        // The band is printed as shown (lower down a text cursor may blink).
        const QRect band(0, 0, 496, ui.txtCodiceFiscale->y() - 2);
        QCOMPARE(printed.copy(band), shown.copy(band));
    }

    void printingKeepsTheProgramRunning()
    {
        // New flags briefly hide the only window: that is no reason to quit.
        Form1 form(fake.services());
        testing::Form1Controls ui(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTimer::singleShot(0, ui.cmdStampa, &QPushButton::click);
        QTimer::singleShot(300, [] { QCoreApplication::exit(42); });
        QCOMPARE(QApplication::exec(), 42);
        QCOMPARE(fake.printed.size(), 1);
    }

    // A focused button that is hidden for the print hands the focus on; a line
    // edit reached that way would select its text and print it highlighted.
    void printKeepsFocusAndSelections_data()
    {
        QTest::addColumn<QString>("route");
        QTest::newRow("Elabora clicked, then Alt+S") << QStringLiteral("elabora");
        QTest::newRow("Stampa clicked") << QStringLiteral("stampa");
        QTest::newRow("Alt+S with the name selected") << QStringLiteral("name");
    }
    void printKeepsFocusAndSelections()
    {
        QFETCH(QString, route);
        Form1 form(fake.services());
        testing::Form1Controls ui(form);
        form.show();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QTest::keyClicks(ui.txtCognome, QStringLiteral("Rossi"));
        QTest::keyClick(ui.txtCognome, Qt::Key_Tab);
        QTest::keyClicks(ui.txtNome, QStringLiteral("Mario"));
        QTest::keyClick(ui.txtNome, Qt::Key_Tab);
        QTest::keyClicks(ui.txtDataNascita, QStringLiteral("7/5/1983"));
        ui.Text1->setFocus(Qt::TabFocusReason);
        QTest::keyClicks(ui.Text1, QStringLiteral("tor"));
        QVERIFY(!ui.Text2->text().isEmpty());
        QTest::mouseClick(ui.cmdElabora, Qt::LeftButton);
        QCOMPARE(ui.txtCodiceFiscale->text().size(), 16);
        QCOMPARE(QApplication::focusWidget(), ui.cmdElabora);
        if (route == QStringLiteral("name")) {
            ui.txtNome->setFocus(Qt::MouseFocusReason);
            QTest::keyClick(ui.txtNome, Qt::Key_End);
            QTest::keyClick(ui.txtNome, Qt::Key_Home, Qt::ShiftModifier);
            QCOMPARE(ui.txtNome->selectedText(), QStringLiteral("MARIO"));
        }

        QWidget* const focused = QApplication::focusWidget();
        QVERIFY(focused != ui.cmdStampa);
        const QMap<QString, QString> before = selections(form);
        QMap<QString, QString> atPrint;
        fake.onPrint = [&] { atPrint = selections(form); };
        if (route == QStringLiteral("stampa"))
            QTest::mouseClick(ui.cmdStampa, Qt::LeftButton);
        else
            QTest::keyClick(focused, Qt::Key_S, Qt::AltModifier);
        QTRY_COMPARE(fake.printed.size(), 1);

        // Alt+S moves the focus to Stampa first, as a click does, and a line
        // edit drops its selection when it loses the focus: nothing shows
        // selected, on the screen or on the page.
        QMap<QString, QString> unselected = before;
        for (QString& text : unselected)
            text.clear();
        QCOMPARE(atPrint, unselected);
        // The window comes back active, the focus on the button pressed.
        QTRY_COMPARE(QApplication::focusWidget(), ui.cmdStampa);
        QCOMPARE(selections(form), unselected);
        QVERIFY(fake.log == QStringList(QStringLiteral("print")));
    }
};

QTEST_MAIN(TestPrinting)
#include "test_printing.moc"
