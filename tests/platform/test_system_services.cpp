#include "SystemServices.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

class TestSystemServices : public QObject {
    Q_OBJECT
private slots:
    void messageBoxIsModalWithOneOkAndNoIcon()
    {
        QString caption, text;
        QList<QAbstractButton*> buttons;
        QMessageBox::Icon icon = QMessageBox::Warning;
        bool modal = false;
        bool closedByTimer = false;
        QTimer::singleShot(50, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            caption = box->windowTitle();
            text = box->text();
            buttons = box->buttons();
            icon = box->icon();
            modal = box->isModal();
            QVERIFY(box->button(QMessageBox::Ok));
            closedByTimer = true;
            box->button(QMessageBox::Ok)->click();
        });
        platform::SystemMessageBox().show(nullptr, QStringLiteral("Cognome non valido."));
        // show() returned only once the box had been closed.
        QVERIFY(closedByTimer);
        QCOMPARE(caption, QStringLiteral("Tarvolin"));
        QCOMPARE(text, QStringLiteral("Cognome non valido."));
        QCOMPARE(buttons.size(), 1);
        QCOMPARE(icon, QMessageBox::NoIcon);
        QVERIFY(modal);
    }

    void messageBoxShowsMarkupAsText()
    {
        QTimer::singleShot(50, [] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            QCOMPARE(box->textFormat(), Qt::PlainText);
            box->accept();
        });
        platform::SystemMessageBox().show(nullptr, QStringLiteral("<b>Errore n° 1</b>"));
    }

    // Sì and No, No the default, no icon, the title as caption; only Sì is yes.
    void question_data()
    {
        QTest::addColumn<int>("key"); // how the user closes the box
        QTest::addColumn<bool>("yes");
        QTest::newRow("S for Sì") << int(Qt::Key_S) << true;
        QTest::newRow("Return") << int(Qt::Key_Return) << false;
        QTest::newRow("Esc") << int(Qt::Key_Escape) << false;
    }

    void question()
    {
        QFETCH(int, key);
        QFETCH(bool, yes);
        QString seen;
        QTimer::singleShot(50, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box && box->isModal() && box->icon() == QMessageBox::NoIcon);
            QStringList buttons;
            for (QAbstractButton* b : box->buttons())
                buttons << b->text().remove(u'&');
            seen = box->windowTitle() + u'|' + box->text() + u'|' + buttons.join(u',') + u'|'
                   + box->defaultButton()->text().remove(u'&');
            QTest::keyClick(box, Qt::Key(key));
        });
        QCOMPARE(platform::SystemMessageBox().ask(nullptr, QStringLiteral("Calcolare comunque?")), yes);
        QCOMPARE(seen, QStringLiteral("Tarvolin|Calcolare comunque?|Sì,No|No"));
    }

    void appInfoComesFromTheBuild()
    {
        const platform::AppInfo info = platform::systemAppInfo();
        QCOMPARE(info.title, QStringLiteral("Tarvolin"));
        QCOMPARE(QStringLiteral("%1.%2.%3").arg(info.major).arg(info.minor).arg(info.revision),
                 QStringLiteral("1.2.0"));
    }

    void executableDirIgnoresWorkingDirectory()
    {
        const QString before = platform::systemAppInfo().executableDir;
        const QString cwd = QDir::currentPath();
        QDir::setCurrent(QDir::tempPath());
        const QString after = platform::systemAppInfo().executableDir;
        QDir::setCurrent(cwd);
        QCOMPARE(after, before);
        QVERIFY(!after.endsWith(u'/'));
        QCOMPARE(QFileInfo(QCoreApplication::applicationFilePath()).canonicalPath(), after);
    }

    void clockAndBeep()
    {
        QCOMPARE(platform::SystemClock().today(), QDate::currentDate());
        platform::SystemBeeper().beep(); // returns at once, whatever the desktop does with it
    }
};

QTEST_MAIN(TestSystemServices)
#include "test_system_services.moc"
