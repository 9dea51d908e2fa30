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
