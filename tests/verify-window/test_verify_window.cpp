// The window that checks a fiscal code, through real events: opened from the
// card's result field (its context menu, F2), a code pasted with Ctrl+V and
// read back, compared with the person on the card, closed with Esc, one per
// card; and its texts fit their places.

#include "Controls.h"
#include "Form1.h"
#include "Look.h"
#include "RecordingServices.h"
#include "RegisterFile.h"
#include "frmVerifica.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kMarta = QStringLiteral("RSSMRT83E47H501T"); // Rossetti Marta, F, 7/5/1983, Roma

QList<frmVerifica*> openVerifyWindows()
{
    QList<frmVerifica*> found;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<frmVerifica*>(w); window && window->isVisible())
            found << window;
    return found;
}

QColor colourOf(const QWidget* w) { return w->palette().color(QPalette::WindowText); }

} // namespace

class TestVerifyWindow : public QObject {
    Q_OBJECT

    testing::RecordingServices fake;
    std::unique_ptr<Form1> form;
    std::unique_ptr<testing::Form1Controls> ui;

    void openCard()
    {
        form = std::make_unique<Form1>(fake.services());
        ui = std::make_unique<testing::Form1Controls>(*form);
        form->show();
        if (!QTest::qWaitForWindowActive(form.get()))
            qFatal("the card did not open");
    }
    // Typed in as a person does, then Elabora.
    void fillCard(const QString& surname, const QString& name, const QString& date, const QString& sex,
                  const QString& place)
    {
        ui->txtCognome->setText(surname);
        ui->txtNome->setText(name);
        ui->txtDataNascita->setText(date);
        ui->cboSesso->setCurrentText(sex);
        ui->Text1->clear();
        ui->Text1->setFocus();
        QTest::keyClicks(ui->Text1, place);
        ui->cmdElabora->click();
    }
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(QApplication::focusWindow(), key, modifiers);
    }
    // The window opened by F2, active, its code field focused.
    frmVerifica* openByKey()
    {
        press(Qt::Key_F2);
        const auto windows = openVerifyWindows();
        if (windows.size() != 1 || !QTest::qWaitForWindowActive(windows[0]))
            return nullptr;
        return windows[0];
    }
    void paste(const QString& code)
    {
        QApplication::clipboard()->setText(code);
        press(Qt::Key_V, Qt::ControlModifier);
    }

private slots:
    void init()
    {
        fake.log.clear();
        openCard();
    }
    void cleanup()
    {
        ui.reset();
        form.reset();
        QVERIFY(openVerifyWindows().isEmpty()); // gone with the card
    }

    void openedFromTheResultFieldsMenu()
    {
        fillCard("Rossetti", "Marta", "7/5/1983", "F", "Roma");
        QCOMPARE(ui->txtCodiceFiscale->text(), kMarta);
        QTest::mousePress(form->windowHandle(), Qt::RightButton, {}, ui->txtCodiceFiscale->geometry().center());
        QPointer<QMenu> menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu);
        // The field's own entries are all there, the check after them.
        const QList<QAction*> actions = menu->actions();
        QStringList keys; // the field's entries show their keys after a tab
        for (QAction* action : actions)
            keys << action->text().section(u'\t', 1);
        for (const auto key : {QKeySequence::Copy, QKeySequence::SelectAll})
            QVERIFY2(keys.contains(QKeySequence(key).toString(QKeySequence::NativeText)), qPrintable(keys.join(u',')));
        QAction* verifica = actions.last();
        QCOMPARE(verifica->text(), QStringLiteral("&Verifica codice fiscale..."));
        QCOMPARE(verifica->shortcut(), QKeySequence(Qt::Key_F2));
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(verifica).center());
        QTRY_VERIFY(!menu);
        QCOMPARE(openVerifyWindows().size(), 1);
        const testing::VerificaControls v(*openVerifyWindows()[0]);
        QCOMPARE(v.txtCodice->text(), kMarta);
        QCOMPARE(v.lblEsito->text(), QStringLiteral("Codice valido."));
        QVERIFY(!openVerifyWindows()[0]->isModal());
        QVERIFY(fake.log.isEmpty());
    }

    void openedByF2WhereverTheFocusIs_data()
    {
        QTest::addColumn<QString>("focus");
        for (const char* name :
             {"txtCognome", "txtNome", "txtDataNascita", "cboSesso", "Text1", "cmdElabora", "txtCodiceFiscale"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void openedByF2WhereverTheFocusIs()
    {
        QFETCH(QString, focus);
        ui->txtCognome->setText(QStringLiteral("Rossi"));
        ui->Text1->setText(QStringLiteral("ROMA"));
        auto* field = form->findChild<QWidget*>(focus);
        field->setFocus();
        QCOMPARE(QApplication::focusWidget(), field);
        frmVerifica* window = openByKey();
        QVERIFY(window);
        // No control of the card took the key.
        QCOMPARE(ui->txtCognome->text(), QStringLiteral("Rossi"));
        QCOMPARE(ui->Text1->text(), QStringLiteral("ROMA"));
        QCOMPARE(ui->cboSesso->currentText(), QStringLiteral("M"));
        QVERIFY(fake.log.isEmpty());
        // An empty card gives an empty field, ready for a code.
        const testing::VerificaControls v(*window);
        QVERIFY(v.txtCodice->text().isEmpty());
        QCOMPARE(QApplication::focusWidget(), v.txtCodice);
        QCOMPARE(v.lblEsito->text(), QStringLiteral("Digitare o incollare un codice fiscale."));
    }

    void pastedCodeIsRead_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("esito");
        QTest::addColumn<QString>("sesso");
        QTest::addColumn<QString>("data");
        QTest::addColumn<QString>("luogo");
        QTest::addColumn<QString>("omocodia");
        QTest::addColumn<QString>("base");
        QTest::addColumn<bool>("wrong");
        const QString romaMarta = QStringLiteral("07/05/1983 oppure 07/05/1883");
        QTest::newRow("valid") << kMarta << "Codice valido."
                               << "F (femmina)" << romaMarta << "ROMA (RM) H501"
                               << "nessuna" << kMarta << false;
        QTest::newRow("homonym form") << "RSSMRT83E47H50ML"
                                      << "Codice valido."
                                      << "F (femmina)" << romaMarta << "ROMA (RM) H501"
                                      << "1 cifra sostituita da lettere (posizione 15)" << kMarta << false;
        QTest::newRow("wrong check letter: the right one named") << "RSSMRT83E47H501X"
                                                                 << "Carattere di controllo errato: dovrebbe essere T."
                                                                 << "F (femmina)" << romaMarta << "ROMA (RM) H501"
                                                                 << "nessuna" << kMarta << true;
        QTest::newRow("small letters, blanks")
            << "  rssmrt83e47h501t "
            << "Codice valido. Scritto in minuscolo: letto come se fosse in maiuscolo."
            << "F (femmina)" << romaMarta << "ROMA (RM) H501"
            << "nessuna" << kMarta << false;
        QTest::newRow("too short: nothing else said") << "RSSMRT83E47H50"
                                                      << "Lunghezza errata: 14 caratteri invece di 16."
                                                      << ""
                                                      << ""
                                                      << ""
                                                      << ""
                                                      << "" << true;
        QTest::newRow("code not in the register")
            << "RSSMRT83E47Z999X"
            << "Codice valido."
            << "F (femmina)" << romaMarta << "Z999: codice non presente nel registro"
            << "nessuna"
            << "RSSMRT83E47Z999X" << false;
        QTest::newRow("two names that day") << "RSSMRT90A01A952A"
                                            << "Codice valido."
                                            << "M (maschio)"
                                            << "01/01/1990 oppure 01/01/1890"
                                            << "BOLZANO (BZ) A952, anche BOZEN"
                                            << "nessuna"
                                            << "RSSMRT90A01A952A" << false;
        // The official name of the day first, and the province of that day.
        QTest::newRow("official name first") << "RSSMRA20A01F132Z"
                                             << "Codice valido."
                                             << "M (maschio)"
                                             << "01/01/2020 oppure 01/01/1920"
                                             << "MERANO (BZ) F132, anche MERAN"
                                             << "nessuna"
                                             << "RSSMRA20A01F132Z" << false;
        QTest::newRow("province of the day") << "RSSMRA80A01I421T"
                                             << "Codice valido."
                                             << "M (maschio)"
                                             << "01/01/1980 oppure 01/01/1880"
                                             << "SAPPADA (BL) I421"
                                             << "nessuna"
                                             << "RSSMRA80A01I421T" << false;
        QTest::newRow("place of the century before: merged away in 2014")
            << "RSSMRT20H41A744D"
            << "Codice valido."
            << "F (femmina)"
            << "01/06/2020 oppure 01/06/1920"
            << "BELLAGIO (CO) A744, in vigore il 01/06/1920"
            << "nessuna"
            << "RSSMRT20H41A744D" << false;
        QTest::newRow("place in force on neither date: suppressed 1928-1946")
            << "RSSMRT30A01C200P"
            << "Codice valido."
            << "M (maschio)"
            << "01/01/1930 oppure 01/01/1830"
            << "CASTEL VERRINO (CB) C200, anche CASTELVERRINO, non in vigore il 01/01/1930"
            << "nessuna"
            << "RSSMRT30A01C200P" << false;
    }
    void pastedCodeIsRead()
    {
        QFETCH(QString, code);
        QFETCH(QString, esito);
        QFETCH(QString, sesso);
        QFETCH(QString, data);
        QFETCH(QString, luogo);
        QFETCH(QString, omocodia);
        QFETCH(QString, base);
        QFETCH(bool, wrong);
        frmVerifica* window = openByKey();
        QVERIFY(window);
        const testing::VerificaControls v(*window);
        paste(code);
        QCOMPARE(v.txtCodice->text(), code);
        QCOMPARE(v.lblEsito->text(), esito);
        QCOMPARE(v.lblSesso->text(), sesso);
        QCOMPARE(v.lblDataNascita->text(), data);
        QCOMPARE(v.lblLuogo->text(), luogo);
        QCOMPARE(v.lblOmocodia->text(), omocodia);
        QCOMPARE(v.lblCodiceBase->text(), base);
        // A wrong code: the code and the verdict in dark red.
        QCOMPARE(colourOf(v.txtCodice), wrong ? look::darkRed : look::navy);
        QCOMPARE(colourOf(v.lblEsito), wrong ? look::darkRed : look::black);
        QCOMPARE(v.txtCodice->palette().color(QPalette::Base), QColor(192, 255, 192));
        // The place's tooltip names the records it comes from.
        if (luogo.contains(u'('))
            QVERIFY2(v.lblLuogo->toolTip().contains(QStringLiteral(", in vigore ")), qPrintable(v.lblLuogo->toolTip()));
    }

    void fitsThePersonOnTheCard_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("scheda");
        QTest::addColumn<bool>("fits");
        QTest::newRow("the card's own code") << kMarta << "Il codice corrisponde alla persona." << true;
        QTest::newRow("a homonym form of it")
            << "RSSMRT83E47H50ML"
            << "Il codice corrisponde alla persona. È una forma di omocodia (1 cifra sostituita da lettere)." << true;
        QTest::newRow("another name") << "RSSMRA83E47H501A"
                                      << "Il codice non corrisponde: lettere del nome (nel codice MRA, per la persona "
                                         "MRT)."
                                      << false;
        QTest::newRow("a man") << "RSSMRT83E07H501P"
                               << "Il codice non corrisponde: sesso (nel codice M, per la persona F)." << false;
        QTest::newRow("another place, wrong check letter")
            << "RSSMRT83E47H5M1A"
            << "Il codice non corrisponde: luogo di nascita (nel codice H511, per la persona H501); carattere di "
               "controllo (nel codice A, per la persona F)."
            << false;
        QTest::newRow("unreadable: no comparison") << "RSSMRT"
                                                   << "" << false;
    }
    void fitsThePersonOnTheCard()
    {
        QFETCH(QString, code);
        QFETCH(QString, scheda);
        QFETCH(bool, fits);
        fillCard("Rossetti", "Marta", "7/5/1983", "F", "Roma");
        frmVerifica* window = openByKey();
        QVERIFY(window);
        const testing::VerificaControls v(*window);
        QCOMPARE(v.txtCodice->selectedText(), kMarta); // typing or pasting replaces it
        paste(code);
        QCOMPARE(v.lblScheda->text(), scheda);
        if (!scheda.isEmpty())
            QCOMPARE(colourOf(v.lblScheda), fits ? look::black : look::darkRed);
    }

    // What the card lacks is named; back from the card, the window reads it again.
    void incompleteCardThenFilled()
    {
        ui->txtCognome->setText(QStringLiteral("Rossetti"));
        ui->txtDataNascita->setText(QStringLiteral("31/02/1983"));
        ui->Text1->setText(QStringLiteral("Nessun posto"));
        frmVerifica* window = openByKey();
        QVERIFY(window);
        const testing::VerificaControls v(*window);
        paste(kMarta);
        QCOMPARE(v.lblScheda->text(), QStringLiteral("Per il confronto con la scheda mancano: nome, data di nascita "
                                                     "valida, luogo di nascita del registro."));
        QCOMPARE(colourOf(v.lblScheda), look::black);

        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        fillCard("Rossetti", "Maria", "7/5/1983", "F", "Roma");
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QCOMPARE(v.lblScheda->text(), QStringLiteral("Il codice non corrisponde: lettere del nome (nel codice MRT, per "
                                                     "la persona MRA)."));
        QCOMPARE(v.txtCodice->text(), kMarta); // what was typed stays
    }

    void escOrChiudiCloseAndTheNextOpensAfresh_data()
    {
        QTest::addColumn<bool>("byEsc");
        QTest::newRow("Esc") << true;
        QTest::newRow("Chiudi") << false;
    }
    void escOrChiudiCloseAndTheNextOpensAfresh()
    {
        QFETCH(bool, byEsc);
        fillCard("Rossetti", "Marta", "7/5/1983", "F", "Roma");
        QPointer<frmVerifica> window = openByKey();
        QVERIFY(window);
        paste(QStringLiteral("RSSMRA83E47H501A"));
        if (byEsc)
            press(Qt::Key_Escape);
        else
            QTest::mouseClick(testing::VerificaControls(*window).cmdChiudi, Qt::LeftButton);
        QVERIFY(openVerifyWindows().isEmpty());
        QVERIFY(fake.log.isEmpty()); // the card stays: Esc was the window's
        QVERIFY(form->isVisible());
        // Loaded afresh: the card's code again, not what was pasted.
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        frmVerifica* again = openByKey();
        QVERIFY(again && window.isNull());
        QCOMPARE(testing::VerificaControls(*again).txtCodice->text(), kMarta);
    }

    void oneInstancePerCardGoingWithIt()
    {
        QPointer<frmVerifica> window = openByKey();
        QVERIFY(window);
        QCOMPARE(window->parent(), nullptr);
        QTest::keyClicks(testing::VerificaControls(*window).txtCodice, QStringLiteral("RSS"));
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        press(Qt::Key_F2);
        QCOMPARE(openVerifyWindows(), QList<frmVerifica*>{window.data()});
        QVERIFY(QTest::qWaitForWindowActive(window));
        QCOMPARE(testing::VerificaControls(*window).txtCodice->text(), QStringLiteral("RSS"));
        // A second card has a window of its own.
        Form1 other(fake.services());
        other.show();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        press(Qt::Key_F2);
        QCOMPARE(openVerifyWindows().size(), 2);
        ui.reset();
        form.reset();
        QVERIFY(window.isNull());
        QCOMPARE(openVerifyWindows().size(), 1);
    }

    // A screen reader hears the field by its caption and each finding with its own.
    void namedForScreenReaders()
    {
        frmVerifica* window = openByKey();
        QVERIFY(window);
        const testing::VerificaControls v(*window);
        QCOMPARE(QAccessible::queryAccessibleInterface(window)->role(), QAccessible::Window);
        QCOMPARE(QAccessible::queryAccessibleInterface(v.txtCodice)->text(QAccessible::Name),
                 QStringLiteral("Codice Fiscale"));
        for (auto [value, caption] : {std::pair{v.lblEsito, "Esito"},
                                      {v.lblSesso, "Sesso"},
                                      {v.lblDataNascita, "Data di nascita"},
                                      {v.lblLuogo, "Luogo di nascita"},
                                      {v.lblOmocodia, "Omocodia"},
                                      {v.lblCodiceBase, "Codice base"},
                                      {v.lblScheda, "Scheda"}}) {
            const auto labels = QAccessible::queryAccessibleInterface(value)->relations(QAccessible::Label);
            QCOMPARE(labels.size(), 1);
            QCOMPARE(labels[0].first->text(QAccessible::Name), QString::fromLatin1(caption) + QStringLiteral("  "));
        }
    }

    // The longest texts each place can be given fit it, and nothing overlaps.
    void longestTextsFit()
    {
        // A register whose records of one code are the longest names there
        // are, none in force on the birth date.
        QTemporaryDir dir;
        const QDate from(2009, 1, 29), to(2009, 12, 31);
        registro::writeRegister(
            dir.filePath(QStringLiteral("Comuni.mdb")),
            {{QStringLiteral("COMUNE DI SAVOGNA D'ISONZO-OBCINA SOVODNJE OB SOČI"), "GO", "I479", from, to},
             {QStringLiteral("COMUNE DI SAN FLORIANO DEL COLLIO-OBCINA ŠTEVERJAN"), "GO", "I479", from, to},
             {QStringLiteral("SOVODNJE"), "GO", "I479", from, to},
             {QStringLiteral("MILANO"), "MI", "F205"}});
        const QString saved = fake.services().app.executableDir;
        fake.services().app.executableDir = dir.path();
        ui.reset();
        form.reset();
        openCard();
        // Every field of the card differs from the code, the check letter too.
        fillCard("Bianchi", "Luca", "8/6/1984", "M", "Milano");
        frmVerifica* window = openByKey();
        fake.services().app.executableDir = saved;
        QVERIFY(window);
        const testing::VerificaControls v(*window);
        paste(QStringLiteral("rssmrtu3e47i479a")); // small letters, homonym letter out of order
        QVERIFY(v.lblEsito->text().count(u'.') >= 3);
        QVERIFY(v.lblLuogo->text().contains(QStringLiteral("non in vigore")));
        QCOMPARE(v.lblScheda->text().count(QStringLiteral("nel codice")), 6);

        const QList<QWidget*> children = window->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
        for (QWidget* w : children) {
            QVERIFY2(window->rect().contains(w->geometry()), qPrintable(w->objectName()));
            for (QWidget* other : children)
                QVERIFY2(other == w || !other->geometry().intersects(w->geometry()),
                         qPrintable(w->objectName() + u' ' + other->objectName()));
            if (auto* label = qobject_cast<QLabel*>(w)) {
                const int needed =
                    label->wordWrap() ? label->heightForWidth(label->width()) : label->sizeHint().height();
                QVERIFY2(needed <= label->height(), qPrintable(label->objectName() + u' ' + label->text()));
                QVERIFY2(label->wordWrap() || label->sizeHint().width() <= label->width(),
                         qPrintable(label->objectName()));
            }
        }
        const QFontMetrics code(v.txtCodice->font());
        QVERIFY(code.horizontalAdvance(QStringLiteral("WWWWWWWWWWWWWWWW")) < v.txtCodice->width() - 8);
    }
};

QTEST_MAIN(TestVerifyWindow)
#include "test_verify_window.moc"
