// The card window under the keyboard and the wheel, events sent as the
// desktop sends them: Esc, access keys, Enter, the wheel over Sesso, and the
// fields' context menu in Italian.

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
    std::unique_ptr<Form1> form;

    // A shown window with Rossi, Mario, ROMA typed in and `date` in the focused date field.
    testing::Form1Controls open(const QString& date = QString())
    {
        fake.log.clear();
        form = std::make_unique<Form1>(fake.services());
        testing::Form1Controls ui(*form);
        form->show();
        if (!QTest::qWaitForWindowActive(form.get()))
            qFatal("the window did not open");
        ui.txtCognome->setText(QStringLiteral("Rossi"));
        ui.txtNome->setText(QStringLiteral("Mario"));
        ui.Text1->setText(QStringLiteral("ROMA"));
        ui.txtDataNascita->setFocus();
        QTest::keyClicks(ui.txtDataNascita, date);
        return ui;
    }
    // To the window, or to the open list or menu, which holds the keyboard.
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget* popup = QApplication::activePopupWidget();
        QTest::keyClick(popup ? popup->windowHandle() : form->windowHandle(), key, modifiers);
    }

private slots:
    void escapeInAnOpenListKeepsTheProgram_data()
    {
        QTest::addColumn<bool>("toTheList");
        QTest::newRow("key to the list") << true;
        QTest::newRow("key to the window") << false; // desktops that leave the keys to the window
    }
    void escapeInAnOpenListKeepsTheProgram()
    {
        QFETCH(bool, toTheList);
        const auto ui = open();
        ui.cboSesso->setFocus();
        press(Qt::Key_F4);
        QTRY_VERIFY(QApplication::activePopupWidget());
        toTheList ? press(Qt::Key_Escape) : QTest::keyClick(form->windowHandle(), Qt::Key_Escape);
        QTRY_VERIFY(!QApplication::activePopupWidget());
        QTest::qWait(50);
        QVERIFY(fake.log.isEmpty());
        QCOMPARE(ui.txtCognome->text(), QStringLiteral("Rossi"));
        QCOMPARE(ui.cboSesso->currentText(), QStringLiteral("M"));
    }

    void escapeNobodyUsedEndsTheProgram_data()
    {
        QTest::addColumn<QString>("focus");
        for (const char* name : {"txtCognome", "cboSesso", "Text1", "cmdElabora"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void escapeNobodyUsedEndsTheProgram()
    {
        QFETCH(QString, focus);
        open();
        form->findChild<QWidget*>(focus)->setFocus();
        press(Qt::Key_Escape);
        QTRY_COMPARE(fake.count(QStringLiteral("end")), 1);
    }

    // The access key takes the focus to its button before it acts, as a
    // click does: a wrong date is dark red before anything else happens.
    void accessKeyLeavesTheDateFieldFirst_data()
    {
        QTest::addColumn<Qt::Key>("key");
        QTest::addColumn<QString>("date");
        QTest::newRow("Alt+E, not a date") << Qt::Key_E << "abc";
        QTest::newRow("Alt+E, after today") << Qt::Key_E << "31/12/2099";
        QTest::newRow("Alt+E, before 1800") << Qt::Key_E << "07/05/0083";
        QTest::newRow("Alt+S") << Qt::Key_S << "abc";
        QTest::newRow("Alt+C") << Qt::Key_C << "abc";
    }
    void accessKeyLeavesTheDateFieldFirst()
    {
        QFETCH(Qt::Key, key);
        QFETCH(QString, date);
        const auto ui = open(date);
        QPushButton* button = key == Qt::Key_E ? ui.cmdElabora : key == Qt::Key_S ? ui.cmdStampa : ui.cmdEsci;
        QColor colour;
        connect(button, &QPushButton::pressed, this, [&] {
            QCOMPARE(QApplication::focusWidget(), button);
            colour = look::textColour(ui.txtDataNascita);
        });
        press(key, Qt::AltModifier);
        QTRY_VERIFY(colour.isValid());
        QCOMPARE(colour, QColor(128, 0, 0));
        if (key == Qt::Key_E) {
            QTRY_COMPARE(fake.boxes(), QStringList{QStringLiteral("Data di nascita non valida.")});
            // Back in the date, selected: typing replaces it.
            QCOMPARE(QApplication::focusWidget(), ui.txtDataNascita);
            QCOMPARE(ui.txtDataNascita->selectedText(), date);
        }
    }

    void enterPressesOnlyTheFocusedButton_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<Qt::Key>("key");
        for (const char* name : {"cmdElabora", "cmdStampa", "cmdEsci", "txtCognome", "txtDataNascita", "Text1"}) {
            QTest::addRow("%s, Return", name) << QString::fromLatin1(name) << Qt::Key_Return;
            QTest::addRow("%s, keypad Enter", name) << QString::fromLatin1(name) << Qt::Key_Enter;
        }
    }
    void enterPressesOnlyTheFocusedButton()
    {
        QFETCH(QString, focus);
        QFETCH(Qt::Key, key);
        open(QStringLiteral("7/5/1983"));
        QStringList pressed;
        for (auto* each : form->findChildren<QPushButton*>())
            connect(each, &QPushButton::clicked, this, [&pressed, each] { pressed << each->objectName(); });
        form->findChild<QWidget*>(focus)->setFocus();
        press(key, key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
        QCOMPARE(pressed, focus.startsWith(QStringLiteral("cmd")) ? QStringList{focus} : QStringList());
    }

    void wheelChangesSessoOnlyWhenItHasTheFocus()
    {
        const auto ui = open();
        ui.txtCognome->setFocus();
        const auto wheel = [&] {
            const QPointF at = ui.cboSesso->mapTo(form.get(), ui.cboSesso->rect().center());
            QWheelEvent event(at, form->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                              Qt::NoScrollPhase, false);
            QSpontaneKeyEvent::setSpontaneous(&event); // as from the desktop
            QApplication::instance()->notify(form->windowHandle(), &event);
        };
        wheel();
        QCOMPARE(ui.cboSesso->currentText(), QStringLiteral("M"));
        QCOMPARE(QApplication::focusWidget(), ui.txtCognome);
        ui.cboSesso->setFocus();
        wheel();
        QCOMPARE(ui.cboSesso->currentText(), QStringLiteral("F"));
    }

    void contextMenuClosesWithEscAndSpeaksItalian()
    {
        const bool italian = platform::installItalianQtTexts(*QApplication::instance());
        const auto ui = open();
        QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(5, 5), ui.txtCognome->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(ui.txtCognome, &event);
        QPointer<QMenu> menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QStringList entries;
        for (QAction* action : menu->actions())
            entries << action->text().section(u'\t', 0, 0).remove(u'&');
        press(Qt::Key_Escape);
        QTRY_VERIFY(!menu || !menu->isVisible());
        QTest::qWait(50);
        QVERIFY(fake.log.isEmpty()); // the menu took the Esc
        if (!italian)
            QSKIP(qPrintable(QLibraryInfo::path(QLibraryInfo::TranslationsPath)
                             + QStringLiteral("/qtbase_it.qm is missing (Debian qt6-translations-l10n)")));
        for (const char* text : {"Annulla", "Taglia", "Copia", "Incolla", "Seleziona tutto"})
            QVERIFY2(entries.contains(QString::fromLatin1(text)), qPrintable(entries.join(u',')));
    }
};

QTEST_MAIN(TestKeysAndWheel)
#include "test_keys_and_wheel.moc"
