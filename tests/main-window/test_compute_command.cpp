// The compute command's checks and result, and the date field's colour.

#include "CalcoloCodFis.h"
#include "Controls.h"
#include "Form1.h"
#include "Look.h"
#include "RecordingServices.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

class TestComputeCommand : public QObject {
    Q_OBJECT

    testing::RecordingServices fake;

    void fill(const Form1& form, const QString& surname, const QString& name, const QString& date, const QString& place,
              const QString& code = QString())
    {
        const testing::Form1Controls ui(form);
        ui.txtCognome->setText(surname);
        ui.txtNome->setText(name);
        ui.txtDataNascita->setText(date);
        ui.Text1->setText(place);
        ui.Text3->setText(code);
    }

private slots:
    void init()
    {
        fake.log.clear();
        fake.answerYes = false;
    }

    void checksInOrder_data()
    {
        QTest::addColumn<QString>("surname");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("place");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("field"); // where the focus goes, its text selected
        // clang-format off
        QTest::newRow("all empty") << "" << "" << "" << "" << "Cognome non valido." << "txtCognome";
        QTest::newRow("no name") << "Rossi" << "" << "abc" << "" << "Nome non valido." << "txtNome";
        // A name needs a letter: these would all give XXX.
        QTest::newRow("blank surname") << "   " << "Mario" << "1/1/1980" << "Roma" << "Cognome non valido." << "txtCognome";
        QTest::newRow("tab surname") << "\t" << "Mario" << "1/1/1980" << "Roma" << "Cognome non valido." << "txtCognome";
        QTest::newRow("digit surname") << "123" << "Mario" << "1/1/1980" << "Roma" << "Cognome non valido." << "txtCognome";
        QTest::newRow("blank name") << "Rossi" << " " << "1/1/1980" << "Roma" << "Nome non valido." << "txtNome";
        QTest::newRow("punctuation and a modifier letter") << "Rossi" << QString::fromUtf8("'-.ʼ") << "1/1/1980" << "Roma" << "Nome non valido." << "txtNome";
        QTest::newRow("bad date before empty place") << "Rossi" << "Mario" << "abc" << "" << "Data di nascita non valida." << "txtDataNascita";
        QTest::newRow("impossible date") << "Rossi" << "Mario" << "31/04/1990" << "ROMA" << "Data di nascita non valida." << "txtDataNascita";
        QTest::newRow("after today") << "Rossi" << "Mario" << "31/12/2099" << "ROMA" << "Data di nascita non valida." << "txtDataNascita";
        QTest::newRow("before 1800") << "Rossi" << "Mario" << "07/05/0083" << "ROMA" << "Data di nascita non valida." << "txtDataNascita";
        QTest::newRow("no place") << "Rossi" << "Mario" << "1/1/1980" << "" << "Immettere il luogo di nascita." << "Text1";
        QTest::newRow("blank place") << "Rossi" << "Mario" << "1/1/1980" << "  " << "Immettere il luogo di nascita." << "Text1";
        // Letters without a Latin spelling would give XXX and a code that
        // looks right: the documents' Latin spelling is wanted.
        QTest::newRow("Cyrillic surname") << QString::fromUtf8("Шевченко") << "Taras" << "1/1/1980" << "Roma" << "Cognome non valido." << "txtCognome";
        QTest::newRow("Greek name") << "Rossi" << QString::fromUtf8("Ωμέγα") << "1/1/1980" << "Roma" << "Nome non valido." << "txtNome";
        QTest::newRow("Chinese name") << "Rossi" << QString::fromUtf8("王") << "1/1/1980" << "Roma" << "Nome non valido." << "txtNome";
        // clang-format on
    }
    void checksInOrder()
    {
        QFETCH(QString, surname);
        QFETCH(QString, name);
        QFETCH(QString, date);
        QFETCH(QString, place);
        QFETCH(QString, message);
        QFETCH(QString, field);
        Form1 form(fake.services());
        testing::Form1Controls ui(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        fill(form, surname, name, date, place, QStringLiteral("H501"));
        ui.txtCodiceFiscale->setText(QStringLiteral("PREVIOUS"));
        ui.cmdElabora->setFocus();
        QTest::keyClick(ui.cmdElabora, Qt::Key_Space);
        // One beep, then one box, and nothing else changed.
        QCOMPARE(fake.log, QStringList({QStringLiteral("beep"), QStringLiteral("box: ") + message}));
        QCOMPARE(ui.txtCodiceFiscale->text(), QStringLiteral("PREVIOUS"));
        QCOMPARE(ui.txtCognome->text(), surname);
        QCOMPARE(ui.txtNome->text(), name);
        QCOMPARE(ui.txtDataNascita->text(), date);
        // The field the message is about is ready to be corrected.
        const auto* focused = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        QVERIFY(focused);
        QCOMPARE(focused->objectName(), field);
        QCOMPARE(focused->selectedText(), focused->text());
    }

    void computesAndUpperCasesInPlace()
    {
        Form1 form(fake.services());
        testing::Form1Controls ui(form);
        fill(form, QStringLiteral("rossetti"), QStringLiteral("marta d'arco"), QStringLiteral("7/5/1983"),
             QStringLiteral(" roma  "), QStringLiteral("  H501 "));
        ui.cboSesso->setCurrentIndex(1);
        ui.cmdElabora->click();
        QVERIFY(fake.log.isEmpty());
        QCOMPARE(ui.txtCognome->text(), QStringLiteral("ROSSETTI"));
        // Only the case changes: blanks and apostrophes stay.
        QCOMPARE(ui.txtNome->text(), QStringLiteral("MARTA D'ARCO"));
        QCOMPARE(ui.txtCodiceFiscale->text(),
                 CalcoloCodFis("ROSSETTI", "MARTA D'ARCO", QDate(1983, 5, 7), "F", "H501"));
        // The boxes show the record used.
        QCOMPARE(ui.Text1->text() + ui.Text2->text() + ui.Text3->text(), QStringLiteral("ROMARMH501"));
    }

    // A Latin letter makes a name, however it was typed.
    void fullWidthAndMixedScripts()
    {
        Form1 form(fake.services());
        testing::Form1Controls ui(form);
        fill(form, QString::fromUtf8("ＲＯＳＳＩ"), QString::fromUtf8("Marta Ωμέγα"), QStringLiteral("07/05/1983"),
             QStringLiteral("Roma"));
        ui.cmdElabora->click();
        QVERIFY(fake.log.isEmpty());
        QCOMPARE(ui.txtCodiceFiscale->text(), QStringLiteral("RSSMRT83E07H501P"));
    }

    // Never a "?" or a code the box no longer stands for: the name shown must
    // be a record's, and that record's code is used.
    void placeNotInTheRegisterIsRefused()
    {
        Form1 form(fake.services());
        testing::Form1Controls ui(form);
        fill(form, QStringLiteral("Rossetti"), QStringLiteral("Marta"), QStringLiteral("7 maggio 1983"),
             QStringLiteral("XYZ"), QStringLiteral("?"));
        ui.txtCodiceFiscale->setText(QStringLiteral("PREVIOUS"));
        ui.cboSesso->setCurrentIndex(1);
        ui.cmdElabora->click();
        QCOMPARE(fake.log, (QStringList{QStringLiteral("beep"), QStringLiteral("box: Comune non in elenco")}));
        QCOMPARE(ui.txtCodiceFiscale->text(), QStringLiteral("PREVIOUS"));
        QCOMPARE(ui.txtCognome->text(), QStringLiteral("Rossetti")); // nothing changed
        // A real name beside a stale code: the name's record.
        fake.log.clear();
        ui.Text1->setText(QStringLiteral("milano"));
        ui.Text3->setText(QStringLiteral("h123"));
        ui.cmdElabora->click();
        QVERIFY(fake.log.isEmpty());
        QCOMPARE(ui.txtCodiceFiscale->text(), CalcoloCodFis("ROSSETTI", "MARTA", QDate(1983, 5, 7), "F", "F205"));
        QCOMPARE(ui.Text3->text(), QStringLiteral("F205"));
    }

    // Today's day and month with two year digits is today, not a century back:
    // ALTO RENO TERME, in force since 2016, is then in force.
    void twoDigitYearOfToday()
    {
        QCOMPARE(fake.today, QDate(2026, 12, 7));
        Form1 form(fake.services());
        testing::Form1Controls ui(form);
        fill(form, QStringLiteral("Rossi"), QStringLiteral("Mario"), QStringLiteral("7/12/26"),
             QStringLiteral("Alto Reno Terme"));
        ui.cmdElabora->click();
        QVERIFY(fake.log.isEmpty());
        QCOMPARE(ui.txtCodiceFiscale->text(), QStringLiteral("RSSMRA26T07M369Q"));
    }

    void megabytePastedIntoTheNames()
    {
        Form1 form(fake.services());
        testing::Form1Controls ui(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        fill(form, QString(), QString(), QStringLiteral("7/5/1983"), QStringLiteral("roma"), QStringLiteral("H501"));
        const QString filler(1 << 20, u'a');
        const QString surname = QStringLiteral("rst") + filler;
        const QString name = QStringLiteral("bcdf") + filler;
        for (auto [field, text] : {std::pair{ui.txtCognome, surname}, std::pair{ui.txtNome, name}}) {
            QGuiApplication::clipboard()->setText(text);
            field->setFocus();
            QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
            // The first thousand characters: more than any name, few enough
            // that every later key stays quick.
            QCOMPARE(field->text(), text.left(1000));
        }
        ui.cmdElabora->click();
        QVERIFY(fake.log.isEmpty());
        QCOMPARE(ui.txtCognome->text(), surname.left(1000).toUpper());
        QCOMPARE(ui.txtCodiceFiscale->text(), CalcoloCodFis("RST", "BDF", QDate(1983, 5, 7), "M", "H501"));
    }

    // A change of any input leaves the code in its field, grey, and Stampa
    // asks before it puts that code beside other data; going back to the
    // inputs the code was computed from (not to the keystrokes) mends it.
    void codeThatNoLongerMatchesTheCard_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed"); // replaces the field's text, typed as a user would; or a step Down
        QTest::addColumn<bool>("yes"); // the answer to the question
        QTest::addColumn<bool>("matches");
        // clang-format off
        QTest::newRow("nothing changed") << "" << "" << false << true;
        QTest::newRow("place retyped, No") << "Text1" << "Mil" << false << false;
        QTest::newRow("place retyped, Sì") << "Text1" << "Mil" << true << false;
        QTest::newRow("same place, small letters") << "Text1" << "castro" << false << true;
        // From CASTRO (LE) to CASTRO (BG): the name stays, the code changes.
        QTest::newRow("another place of the name") << "Text1" << "Down" << false << false;
        QTest::newRow("surname") << "txtCognome" << "Rossini" << false << false;
        QTest::newRow("same surname, small letters") << "txtCognome" << "rossetti" << false << true;
        QTest::newRow("name") << "txtNome" << "Marco" << false << false;
        QTest::newRow("other date") << "txtDataNascita" << "8/5/1983" << false << false;
        QTest::newRow("same day, other form") << "txtDataNascita" << "07-05-83" << false << true;
        QTest::newRow("sex") << "cboSesso" << "M" << false << false;
        // clang-format on
    }
    void codeThatNoLongerMatchesTheCard()
    {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(bool, yes);
        QFETCH(bool, matches);
        fake.printed.clear();
        fake.answerYes = yes;
        Form1 form(fake.services());
        testing::Form1Controls ui(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QTest::keyClicks(ui.txtCognome, QStringLiteral("Rossetti"));
        QTest::keyClicks(ui.txtNome, QStringLiteral("Marta"));
        QTest::keyClicks(ui.txtDataNascita, QStringLiteral("7/5/1983"));
        ui.cboSesso->setCurrentIndex(1);
        QTest::keyClicks(ui.Text1, QStringLiteral("Castro")); // the box shows the one of Lecce first
        ui.cmdElabora->click();
        QCOMPARE(ui.txtCodiceFiscale->text(), QStringLiteral("RSSMRT83E47M261W"));
        QCOMPARE(look::textColour(ui.txtCodiceFiscale), QColor(0, 0, 128));

        if (field == QStringLiteral("cboSesso")) {
            ui.cboSesso->setFocus();
            QTest::keyClick(ui.cboSesso, Qt::Key_Up);
        } else if (typed == QStringLiteral("Down")) {
            ui.Text1->setFocus();
            QTest::keyClick(ui.Text1, Qt::Key_Down);
            QCOMPARE(ui.Text1->text() + u' ' + ui.Text2->text(), QStringLiteral("CASTRO BG"));
        } else if (!field.isEmpty()) {
            auto* edit = form.findChild<QLineEdit*>(field);
            edit->setFocus();
            edit->selectAll();
            QTest::keyClick(edit, Qt::Key_Delete);
            QTest::keyClicks(edit, typed);
        }
        QCOMPARE(ui.txtCodiceFiscale->text(), QStringLiteral("RSSMRT83E47M261W"));
        QCOMPARE(look::textColour(ui.txtCodiceFiscale), matches ? QColor(0, 0, 128) : QColor(128, 128, 128));
        // A screen reader hears it too; else the field's tooltip, as ever.
        const QString tip = ui.txtCodiceFiscale->toolTip();
        const auto heard = [&] {
            return QAccessible::queryAccessibleInterface(ui.txtCodiceFiscale)->text(QAccessible::Description);
        };
        QCOMPARE(heard(), matches ? tip : QStringLiteral("Il codice fiscale non corrisponde ai dati della scheda."));

        fake.log.clear();
        ui.cmdStampa->click();
        const QString question =
            QStringLiteral("ask: Il codice fiscale non corrisponde ai dati della scheda. Stampare comunque?");
        QStringList expected;
        if (!matches)
            expected << question;
        if (matches || yes)
            expected << QStringLiteral("print");
        QCOMPARE(fake.log, expected);
        QCOMPARE(fake.printed.size(), int(matches || yes));

        // Elabora computes afresh, and the colour comes back with the code.
        ui.cmdElabora->click();
        QCOMPARE(look::textColour(ui.txtCodiceFiscale), QColor(0, 0, 128));
        QCOMPARE(heard(), tip);
    }

    void accessKeyComputes()
    {
        Form1 form(fake.services());
        testing::Form1Controls ui(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        fill(form, QStringLiteral("Fo"), QStringLiteral("Al"), QStringLiteral("2-1-2001"),
             QStringLiteral("abano terme"), QStringLiteral("A001"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_E, Qt::AltModifier);
        QTRY_COMPARE(ui.txtCodiceFiscale->text(), QStringLiteral("FOXLAX01A02A001S"));
    }

    void dateFieldColourOnLeaving()
    {
        Form1 form(fake.services());
        testing::Form1Controls ui(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        ui.txtDataNascita->setFocus();
        QTest::keyClicks(ui.txtDataNascita, QStringLiteral("abc"));
        QTest::keyClick(ui.txtDataNascita, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), ui.cboSesso);
        QCOMPARE(look::textColour(ui.txtDataNascita), QColor(128, 0, 0));
        QCOMPARE(ui.txtDataNascita->text(), QStringLiteral("abc"));

        ui.txtDataNascita->setFocus();
        ui.txtDataNascita->setText(QStringLiteral("7/5/1983"));
        ui.Text1->setFocus(); // leaving by another route than Tab
        QCOMPARE(look::textColour(ui.txtDataNascita), QColor(0, 0, 0));

        // A date that is no birth date is coloured as the compute command refuses it.
        ui.txtDataNascita->setFocus();
        ui.txtDataNascita->setText(QStringLiteral("31/12/2099"));
        ui.Text1->setFocus();
        QCOMPARE(look::textColour(ui.txtDataNascita), QColor(128, 0, 0));
        ui.txtDataNascita->setFocus();
        ui.txtDataNascita->setText(QStringLiteral("07051983"));
        ui.Text1->setFocus();
        QCOMPARE(look::textColour(ui.txtDataNascita), QColor(0, 0, 0));

        ui.txtDataNascita->setFocus();
        ui.txtDataNascita->clear();
        ui.txtNome->setFocus();
        QCOMPARE(look::textColour(ui.txtDataNascita), QColor(128, 0, 0));

        QVERIFY(fake.log.isEmpty()); // no beep, no box
    }
};

QTEST_MAIN(TestComputeCommand)
#include "test_compute_command.moc"
