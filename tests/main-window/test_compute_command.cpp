// The compute command's checks and result, and the date field's colour.

#include "CalcoloCodFis.h"
#include "Form1.h"
#include "Look.h"
#include "RecordingServices.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

class TestComputeCommand : public QObject {
    Q_OBJECT

    testing::RecordingServices fake;

    void fill(Form1& form, const QString& surname, const QString& name, const QString& date, const QString& place,
              const QString& code = QString())
    {
        form.txtCognome->setText(surname);
        form.txtNome->setText(name);
        form.txtDataNascita->setText(date);
        form.Text1->setText(place);
        form.Text3->setText(code);
    }

private slots:
    void init() { fake.log.clear(); }

    void checksInOrder_data()
    {
        QTest::addColumn<QString>("surname");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("place");
        QTest::addColumn<QString>("message");
        QTest::newRow("all empty") << ""
                                   << ""
                                   << ""
                                   << ""
                                   << "Cognome non valido.";
        QTest::newRow("no name") << "Rossi"
                                 << ""
                                 << "abc"
                                 << ""
                                 << "Nome non valido.";
        QTest::newRow("bad date before empty place") << "Rossi"
                                                     << "Mario"
                                                     << "abc"
                                                     << ""
                                                     << "Data di nascita non valida.";
        QTest::newRow("impossible date") << "Rossi"
                                         << "Mario"
                                         << "31/04/1990"
                                         << "ROMA"
                                         << "Data di nascita non valida.";
        QTest::newRow("no place") << "Rossi"
                                  << "Mario"
                                  << "1/1/1980"
                                  << ""
                                  << "Immettere il luogo di nascita.";
    }
    void checksInOrder()
    {
        QFETCH(QString, surname);
        QFETCH(QString, name);
        QFETCH(QString, date);
        QFETCH(QString, place);
        QFETCH(QString, message);
        Form1 form(fake.services());
        fill(form, surname, name, date, place, QStringLiteral("H501"));
        form.txtCodiceFiscale->setText(QStringLiteral("PREVIOUS"));
        form.cmdElabora->click();
        // One beep, then one box, and nothing else changed.
        QCOMPARE(fake.log, QStringList({QStringLiteral("beep"), QStringLiteral("box: ") + message}));
        QCOMPARE(form.txtCodiceFiscale->text(), QStringLiteral("PREVIOUS"));
        QCOMPARE(form.txtCognome->text(), surname);
        QCOMPARE(form.txtNome->text(), name);
        QCOMPARE(form.txtDataNascita->text(), date);
    }

    void computesAndUpperCasesInPlace()
    {
        Form1 form(fake.services());
        fill(form, QStringLiteral("rossetti"), QStringLiteral("marta d'arco"), QStringLiteral("7/5/1983"),
             QStringLiteral("qualunque"), QStringLiteral("  H123 "));
        form.cboSesso->setCurrentIndex(1);
        form.cmdElabora->click();
        QVERIFY(fake.log.isEmpty());
        QCOMPARE(form.txtCognome->text(), QStringLiteral("ROSSETTI"));
        // Only the case changes: blanks and apostrophes stay.
        QCOMPARE(form.txtNome->text(), QStringLiteral("MARTA D'ARCO"));
        // Blanks around the code do not reach the engine.
        QCOMPARE(form.txtCodiceFiscale->text(),
                 CalcoloCodFis("ROSSETTI", "MARTA D'ARCO", QDate(1983, 5, 7), "F", "H123"));
    }

    void blanksPassTheChecks()
    {
        Form1 form(fake.services());
        fill(form, QStringLiteral("   "), QStringLiteral("Marta"), QStringLiteral("07/05/1983"), QStringLiteral(" "));
        form.cmdElabora->click();
        QVERIFY(fake.log.isEmpty());
        // No place code yet: twelve characters, three X for the surname.
        QCOMPARE(form.txtCodiceFiscale->text(),
                 QStringLiteral("XXXMRT83E07") + CalcoloCodFis("   ", "Marta", QDate(1983, 5, 7), "M", "").right(1));
        QCOMPARE(form.txtCodiceFiscale->text().size(), 12);
    }

    void placeCodeCaseKeptAndMissKept()
    {
        Form1 form(fake.services());
        fill(form, QStringLiteral("Rossetti"), QStringLiteral("Marta"), QStringLiteral("7 maggio 1983"),
             QStringLiteral("XYZ"), QStringLiteral("?"));
        form.cboSesso->setCurrentIndex(1);
        form.cmdElabora->click();
        QCOMPARE(form.txtCodiceFiscale->text(), QStringLiteral("RSSMRT83E47?C"));
        form.Text3->setText(QStringLiteral("h123"));
        form.cmdElabora->click();
        QCOMPARE(form.txtCodiceFiscale->text(), QStringLiteral("RSSMRT83E47h123L"));
    }

    void megabyteSurnameAndName()
    {
        Form1 form(fake.services());
        const QString filler(1 << 20, u'a');
        fill(form, filler + QStringLiteral("rst"), QStringLiteral("bcdf") + filler, QStringLiteral("7/5/1983"),
             QStringLiteral("x"), QStringLiteral("H123"));
        form.cmdElabora->click();
        QVERIFY(fake.log.isEmpty());
        // Nothing was cut: the fields hold every character, upper-cased.
        QCOMPARE(form.txtCognome->text().size(), (1 << 20) + 3);
        QVERIFY(form.txtCognome->text().endsWith(QStringLiteral("AAARST")));
        QCOMPARE(form.txtCodiceFiscale->text(), CalcoloCodFis("RST", "BDF", QDate(1983, 5, 7), "M", "H123"));
    }

    void accessKeyComputes()
    {
        Form1 form(fake.services());
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        fill(form, QStringLiteral("Fo"), QStringLiteral("Al"), QStringLiteral("2-1-2001"), QStringLiteral("x"),
             QStringLiteral("A001"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_E, Qt::AltModifier);
        QTRY_COMPARE(form.txtCodiceFiscale->text(), QStringLiteral("FOXLAX01A02A001S"));
    }

    void dateFieldColourOnLeaving()
    {
        Form1 form(fake.services());
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.txtDataNascita->setFocus();
        QTest::keyClicks(form.txtDataNascita, QStringLiteral("abc"));
        QTest::keyClick(form.txtDataNascita, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), form.cboSesso);
        QCOMPARE(look::textColour(form.txtDataNascita), QColor(128, 0, 0));
        QCOMPARE(form.txtDataNascita->text(), QStringLiteral("abc"));

        form.txtDataNascita->setFocus();
        form.txtDataNascita->setText(QStringLiteral("7/5/1983"));
        form.Text1->setFocus(); // leaving by another route than Tab
        QCOMPARE(look::textColour(form.txtDataNascita), QColor(0, 0, 0));

        form.txtDataNascita->setFocus();
        form.txtDataNascita->clear();
        form.txtNome->setFocus();
        QCOMPARE(look::textColour(form.txtDataNascita), QColor(128, 0, 0));
        QVERIFY(fake.log.isEmpty()); // no beep, no box
    }
};

QTEST_MAIN(TestComputeCommand)
#include "test_compute_command.moc"
