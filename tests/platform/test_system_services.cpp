#include "PagePicture.h"
#include "PrinterReason.h"
#include "SystemServices.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

using Command = platform::PagePicture::Command;

// Translucent drawings over a blue ground.
class Canvas : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), QColor(0, 0, 255));
        p.fillRect(QRect(0, 0, 10, 10), QColor(255, 0, 0, 128));
        QImage picture(4, 4, QImage::Format_ARGB32);
        picture.fill(QColor(0, 255, 0, 64));
        p.drawImage(20, 0, picture);
        QLinearGradient gradient(30, 0, 40, 0);
        gradient.setColorAt(0, QColor(255, 0, 0, 128));
        gradient.setColorAt(1, QColor(255, 0, 0, 128));
        p.fillRect(QRect(30, 0, 10, 10), gradient);
        p.setPen(QColor(0, 0, 0, 128));
        p.drawText(QPointF(0, 40), QStringLiteral("Ab"));
    }
};

} // namespace

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

    // The page of a window needs no transparency: each translucent drawing
    // becomes the opaque colour it shows, worked out by hand as a share a of
    // its colour and 1 - a of the blue beneath.
    void pagePictureIsOpaque_data()
    {
        QTest::addColumn<QRect>("area");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QColor>("shown");
        QTest::newRow("fill, a = 128/255") << QRect(0, 0, 10, 10) << int(Command::Fill) << QColor(128, 0, 127);
        QTest::newRow("picture, a = 64/255") << QRect(20, 0, 4, 4) << int(Command::Picture) << QColor(0, 64, 191);
        QTest::newRow("gradient, a = 128/255") << QRect(30, 0, 10, 10) << int(Command::Picture) << QColor(128, 0, 127);
        QTest::newRow("text, a = 128/255") << QRect() << int(Command::Text) << QColor(0, 0, 127);
    }
    void pagePictureIsOpaque()
    {
        QFETCH(QRect, area);
        QFETCH(int, kind);
        QFETCH(QColor, shown);
        Canvas canvas;
        canvas.resize(50, 50);
        const platform::PagePicture page = platform::PagePicture::of(canvas);
        QCOMPARE(page.size(), QSize(50, 50));
        const Command* found = nullptr;
        for (const Command& command : page.commands()) {
            QCOMPARE(command.colour.alpha(), 255);
            QVERIFY(!command.image.hasAlphaChannel());
            const QRectF where = command.kind == Command::Fill ? command.outline.boundingRect()
                                                               : command.transform.mapRect(command.target);
            if (command.kind == kind && (kind == Command::Text ? command.text == QStringLiteral("Ab") : where == area))
                found = &command;
        }
        QVERIFY(found);
        const QColor colour =
            kind == Command::Picture ? found->image.pixelColor(found->image.rect().center()) : found->colour;
        QVERIFY2(qAbs(colour.red() - shown.red()) <= 1 && qAbs(colour.green() - shown.green()) <= 1
                     && qAbs(colour.blue() - shown.blue()) <= 1,
                 qPrintable(colour.name()));
    }

    void clockAndBeep()
    {
        QCOMPARE(platform::SystemClock().today(), QDate::currentDate());
        platform::SystemBeeper().beep(); // returns at once, whatever the desktop does with it
    }

    // What the print failure box says of the printer: the standard keywords
    // in Italian, severity aside, the printer's own text as it comes.
    void printerReason_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("keywords");
        QTest::addColumn<QString>("said");
        QTest::newRow("free text") << QStringLiteral("Carta inceppata") << QStringList{QStringLiteral("none")}
                                   << QStringLiteral("Carta inceppata");
        QTest::newRow("keyword") << QString() << QStringList{QStringLiteral("media-empty-error")}
                                 << QStringLiteral("carta esaurita");
        QTest::newRow("keywords, unknown and none left out")
            << QString()
            << QStringList{QStringLiteral("toner-low-report"), QStringLiteral("com.example-drum-error"),
                           QStringLiteral("door-open-warning"), QStringLiteral("none")}
            << QStringLiteral("toner in esaurimento, sportello aperto");
        QTest::newRow("free text, then keywords")
            << QStringLiteral("Tray 2 empty")
            << QStringList{QStringLiteral("media-empty-error"), QStringLiteral("paused")}
            << QStringLiteral("Tray 2 empty (carta esaurita, in pausa)");
        QTest::newRow("CUPS's own Paused")
            << QStringLiteral("Paused") << QStringList{QStringLiteral("paused")} << QStringLiteral("in pausa");
        QTest::newRow("keyword as text") << QStringLiteral("cover-open") << QStringList{QStringLiteral("offline")}
                                         << QStringLiteral("coperchio aperto, stampante non in linea");
        QTest::newRow("nothing") << QString() << QStringList{QStringLiteral("none")} << QString();
    }
    void printerReason()
    {
        QFETCH(QString, message);
        QFETCH(QStringList, keywords);
        QFETCH(QString, said);
        QCOMPARE(platform::printerReason(message, keywords), said);
    }
};

QTEST_MAIN(TestSystemServices)
#include "test_system_services.moc"
