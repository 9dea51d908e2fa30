// The card window under the keyboard and the mouse wheel: Esc, access keys,
// Enter on buttons, the wheel over the sex list, and the fields' context
// menu in Italian. Keys go through the window, as the desktop sends them.

#include "Controls.h"
#include "Form1.h"
#include "Look.h"
#include "RecordingServices.h"
#include "Translation.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QMenu>
#include <QPointer>
#include <QWheelEvent>
#include <QtTest/qtestspontaneevent.h>

class TestKeysAndWheel : public QObject {
    Q_OBJECT

    testing::RecordingServices fake;

    // A key as the desktop sends it: to the window, or to the open list or
    // menu, which holds the keyboard while it is open.
    static void press(Form1& form, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget* popup = QApplication::activePopupWidget();
        QTest::keyClick(popup ? popup->windowHandle() : form.windowHandle(), key, modifiers);
    }

    // Opens the field's context menu, reads its entries, and closes it with Esc.
    static QStringList contextMenuOf(Form1& form, QLineEdit* field)
    {
        QContextMenuEvent event(QContextMenuEvent::Keyboard, field->rect().center(),
                                field->mapToGlobal(field->rect().center()));
        QApplication::sendEvent(field, &event);
        QPointer<QMenu> menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return {QStringLiteral("(no menu)")};
        QStringList entries;
        for (QAction* action : menu->actions())
            if (!action->isSeparator())
                entries << action->text().section(u'\t', 0, 0).remove(u'&');
        press(form, Qt::Key_Escape);
        if (menu && menu->isVisible()) {
            menu->close();
            entries << QStringLiteral("(Esc left the menu open)");
        }
        return entries;
    }

    static void wheel(Form1& form, QWidget* over, int steps)
    {
        const QPointF local = over->mapTo(&form, over->rect().center());
        QWheelEvent event(local, form.mapToGlobal(local), QPoint(), QPoint(0, -120 * steps), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        // As the desktop delivers it: to the window, spontaneous.
        QSpontaneKeyEvent::setSpontaneous(&event);
        QApplication::instance()->notify(form.windowHandle(), &event);
    }

private slots:
    void init() { fake.log.clear(); }

    void escapeWithTheSexListOpenKeepsTheProgram_data()
    {
        QTest::addColumn<bool>("toTheList");
        // Desktops differ: the open list holds the keyboard, or the window
        // still gets the keys and hands them on.
        QTest::newRow("key to the list") << true;
        QTest::newRow("key to the window") << false;
    }
    void escapeWithTheSexListOpenKeepsTheProgram()
    {
        QFETCH(bool, toTheList);
        Form1 form(fake.services());
        testing::Form1Controls ui(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QTest::keyClicks(ui.txtCognome, QStringLiteral("Rossi"));
        ui.cboSesso->setFocus();
        press(form, Qt::Key_F4);
        QTRY_VERIFY(QApplication::activePopupWidget());
        if (toTheList)
            press(form, Qt::Key_Escape);
        else
            QTest::keyClick(form.windowHandle(), Qt::Key_Escape);
        QTRY_VERIFY(!QApplication::activePopupWidget());
        QTest::qWait(50);
        QVERIFY(!fake.log.contains(QStringLiteral("end")));
        QCOMPARE(ui.txtCognome->text(), QStringLiteral("Rossi"));
        QCOMPARE(ui.cboSesso->currentText(), QStringLiteral("M"));
        QCOMPARE(QApplication::focusWidget(), ui.cboSesso);
    }

    void escapeClosesTheContextMenuOnly()
    {
        Form1 form(fake.services());
        testing::Form1Controls ui(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QTest::keyClicks(ui.txtCognome, QStringLiteral("Rossi"));
        const QStringList entries = contextMenuOf(form, ui.txtCognome);
        QVERIFY2(!entries.contains(QStringLiteral("(no menu)")), "no context menu opened");
        QVERIFY2(!entries.contains(QStringLiteral("(Esc left the menu open)")), qPrintable(entries.join(u',')));
        QTest::qWait(50);
        QVERIFY(!fake.log.contains(QStringLiteral("end")));
        QCOMPARE(ui.txtCognome->text(), QStringLiteral("Rossi"));
    }

    void escapeNobodyUsedEndsTheProgram_data()
    {
        QTest::addColumn<QString>("focus");
        for (const char* name : {"txtCognome", "txtDataNascita", "cboSesso", "Text1", "cmdElabora", "cmdEsci"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void escapeNobodyUsedEndsTheProgram()
    {
        QFETCH(QString, focus);
        Form1 form(fake.services());
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.findChild<QWidget*>(focus)->setFocus();
        press(form, Qt::Key_Escape);
        QTRY_COMPARE(fake.count(QStringLiteral("end")), 1);
    }

    // Alt+E, Alt+S and Alt+C take the focus to their button first, as a
    // click would: the date field is coloured before the button acts.
    void accessKeyLeavesTheDateFieldFirst_data()
    {
        QTest::addColumn<Qt::Key>("key");
        QTest::addColumn<QString>("button");
        QTest::newRow("Alt+E") << Qt::Key_E << "cmdElabora";
        QTest::newRow("Alt+S") << Qt::Key_S << "cmdStampa";
        QTest::newRow("Alt+C") << Qt::Key_C << "cmdEsci";
    }
    void accessKeyLeavesTheDateFieldFirst()
    {
        QFETCH(Qt::Key, key);
        QFETCH(QString, button);
        Form1 form(fake.services());
        testing::Form1Controls ui(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        auto* pressed = form.findChild<QPushButton*>(button);
        QColor colourWhenPressed;
        QWidget* focusWhenPressed = nullptr;
        connect(pressed, &QPushButton::pressed, this, [&] {
            colourWhenPressed = look::textColour(ui.txtDataNascita);
            focusWhenPressed = QApplication::focusWidget();
        });
        ui.txtDataNascita->setFocus();
        QTest::keyClicks(ui.txtDataNascita, QStringLiteral("abc"));
        press(form, key, Qt::AltModifier);
        QTRY_VERIFY(focusWhenPressed);
        QCOMPARE(focusWhenPressed, pressed);
        QCOMPARE(colourWhenPressed, QColor(128, 0, 0));
    }

    void altEOnAWrongDateColoursItBeforeTheBox_data()
    {
        QTest::addColumn<QString>("date");
        QTest::newRow("not a date") << "abc";
        QTest::newRow("after today") << "31/12/2099";
        QTest::newRow("before 1800") << "07/05/0083";
    }
    void altEOnAWrongDateColoursItBeforeTheBox()
    {
        QFETCH(QString, date);
        Form1 form(fake.services());
        testing::Form1Controls ui(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        ui.txtCognome->setText(QStringLiteral("Rossi"));
        ui.txtNome->setText(QStringLiteral("Mario"));
        ui.Text1->setText(QStringLiteral("ROMA"));
        QColor colourAtBox;
        fake.onBox = [&](const QString&) { colourAtBox = look::textColour(ui.txtDataNascita); };
        ui.txtDataNascita->setFocus();
        QTest::keyClicks(ui.txtDataNascita, date);
        press(form, Qt::Key_E, Qt::AltModifier);
        QTRY_COMPARE(fake.boxes(), QStringList{QStringLiteral("Data di nascita non valida.")});
        fake.onBox = nullptr;
        QCOMPARE(colourAtBox, QColor(128, 0, 0));
        // Back in the field, the date selected: typing replaces it.
        QCOMPARE(QApplication::focusWidget(), ui.txtDataNascita);
        QCOMPARE(ui.txtDataNascita->selectedText(), date);
        QTest::keyClicks(ui.txtDataNascita, QStringLiteral("7/5/1983"));
        QCOMPARE(ui.txtDataNascita->text(), QStringLiteral("7/5/1983"));
    }

    void enterPressesTheFocusedButton_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<Qt::Key>("key");
        for (const char* name : {"cmdElabora", "cmdStampa", "cmdEsci"}) {
            QTest::addRow("%s, Return", name) << QString::fromLatin1(name) << Qt::Key_Return;
            QTest::addRow("%s, keypad Enter", name) << QString::fromLatin1(name) << Qt::Key_Enter;
        }
    }
    void enterPressesTheFocusedButton()
    {
        QFETCH(QString, button);
        QFETCH(Qt::Key, key);
        Form1 form(fake.services());
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QMap<QString, int> clicks;
        for (auto* each : form.findChildren<QPushButton*>())
            connect(each, &QPushButton::clicked, this, [&clicks, each] { ++clicks[each->objectName()]; });
        form.findChild<QPushButton*>(button)->setFocus();
        press(form, key, key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
        QCOMPARE(clicks, (QMap<QString, int>{{button, 1}}));
    }

    void enterInAFieldPressesNothing()
    {
        Form1 form(fake.services());
        testing::Form1Controls ui(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        int clicks = 0;
        for (auto* each : form.findChildren<QPushButton*>())
            connect(each, &QPushButton::clicked, this, [&clicks] { ++clicks; });
        for (QWidget* field : {static_cast<QWidget*>(ui.txtCognome), static_cast<QWidget*>(ui.txtDataNascita),
                               static_cast<QWidget*>(ui.Text1)}) {
            field->setFocus();
            press(form, Qt::Key_Return);
            press(form, Qt::Key_Enter, Qt::KeypadModifier);
        }
        QCOMPARE(clicks, 0);
        QVERIFY(fake.log.isEmpty());
    }

    void wheelChangesTheSexOnlyWhenTheListHasTheFocus()
    {
        Form1 form(fake.services());
        testing::Form1Controls ui(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QCOMPARE(QApplication::focusWidget(), ui.txtCognome);
        wheel(form, ui.cboSesso, 1);
        QCOMPARE(ui.cboSesso->currentText(), QStringLiteral("M"));
        QCOMPARE(QApplication::focusWidget(), ui.txtCognome);

        // Once the user is in the list, the wheel picks.
        ui.cboSesso->setFocus();
        wheel(form, ui.cboSesso, 1);
        QCOMPARE(ui.cboSesso->currentText(), QStringLiteral("F"));
    }

    void contextMenuInItalian()
    {
        const QString file = QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_it.qm");
        if (!QFile::exists(file))
            QSKIP(qPrintable(file + QStringLiteral(" is missing (Debian qt6-translations-l10n): menus stay English")));
        QVERIFY(platform::installItalianQtTexts(*QApplication::instance()));
        Form1 form(fake.services());
        testing::Form1Controls ui(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        ui.txtCognome->setText(QStringLiteral("Rossi"));
        const QStringList entries = contextMenuOf(form, ui.txtCognome);
        for (const char* italian : {"Annulla", "Taglia", "Copia", "Incolla", "Seleziona tutto"})
            QVERIFY2(entries.contains(QString::fromLatin1(italian)), qPrintable(entries.join(u',')));
    }
};

QTEST_MAIN(TestKeysAndWheel)
#include "test_keys_and_wheel.moc"
