// The About window: its design, the texts it computes when it loads, what
// closes it, its links, and how the main window's title picture opens it.

#include "AboutWindow.h"
#include "ClickLabel.h"
#include "Controls.h"
#include "Form1.h"
#include "RecordingServices.h"
#include "frmInformazioniSu.h"

#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>

namespace {

QRect tw(int l, int t, int w, int h)
{
    return QRect(qRound(l / 15.0), qRound(t / 15.0), qRound(w / 15.0), qRound(h / 15.0));
}

const QColor kLightGreen(192, 255, 192);

struct Expect {
    const char* name;
    const char* kind;
    QRect rect; // designed; a label that fits its text keeps only the corner
    bool fitsText;
    double points; // 0: not checked
    int style; // 1 bold, 2 italic
    QColor colour, background;
};

QList<frmInformazioniSu*> openAboutWindows()
{
    QList<frmInformazioniSu*> found;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* about = qobject_cast<frmInformazioniSu*>(w); about && about->isVisible())
            found << about;
    return found;
}

} // namespace

class TestAboutWindow : public QObject {
    Q_OBJECT

    testing::RecordingServices fake;

    void setVersion(const QString& title, int major, int minor, int revision)
    {
        platform::AppInfo& app = fake.services().app;
        app.title = title;
        app.major = major;
        app.minor = minor;
        app.revision = revision;
    }

private slots:
    void init()
    {
        fake.log.clear();
        fake.shellOwners.clear();
        fake.today = QDate(2026, 12, 7);
        setVersion(QStringLiteral("Tarvolin"), 1, 2, 0);
    }

    void controls_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<bool>("fitsText");
        QTest::addColumn<double>("points");
        QTest::addColumn<int>("style");
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<QColor>("background");
        const QColor navy(0, 0, 128), blue(0, 0, 255);
        const Expect rows[] = {
            {"Image1", "QLabel", tw(240, 120, 765, 825), false, 0, 0, {}, {}},
            {"lblTitle", "QLabel", tw(1320, 120, 2025, 240), true, 9.75, 1, QColor(255, 0, 0), kLightGreen},
            {"lblVersion", "QLabel", tw(1320, 435, 645, 195), true, 8.25, 1, QColor(255, 128, 128), kLightGreen},
            {"Label1", "QLabel", tw(3000, 360, 1605, 300), true, 12, 3, QColor(255, 0, 255), Qt::white},
            {"lblCopyRightBy", "QLabel", tw(1080, 764, 1545, 195), true, 8.25, 0, navy, kLightGreen},
            {"Label2", "QLabel", tw(180, 1145, 1155, 195), true, 8.25, 0, navy, kLightGreen},
            {"lblIndirizzo", "ClickLabel", tw(1440, 1145, 2145, 195), true, 8.25, 0, blue, kLightGreen},
            {"Label4", "QLabel", tw(180, 1440, 1320, 195), true, 8.25, 0, navy, kLightGreen},
            {"Label5", "ClickLabel", tw(1680, 1440, 1815, 195), true, 8.25, 0, blue, kLightGreen},
            {"lblDisclaimer", "QLabel", tw(120, 1845, 3495, 585), false, 8.25, 0, navy, kLightGreen},
            {"cmdOK", "QPushButton", tw(3720, 1970, 1020, 345), false, 8.25, 1, {}, QColor(255, 255, 0)},
        };
        for (const Expect& r : rows)
            QTest::newRow(r.name) << QString::fromLatin1(r.name) << QString::fromLatin1(r.kind) << r.rect << r.fitsText
                                  << r.points << r.style << r.colour << r.background;
    }
    void controls()
    {
        QFETCH(QString, name);
        QFETCH(QString, kind);
        QFETCH(QRect, rect);
        QFETCH(bool, fitsText);
        QFETCH(double, points);
        QFETCH(int, style);
        QFETCH(QColor, colour);
        QFETCH(QColor, background);

        frmInformazioniSu about(fake.services());
        const testing::AboutControls aboutUi(about);
        auto* w = about.findChild<QWidget*>(name);
        QVERIFY(w);
        QCOMPARE(QString::fromLatin1(w->metaObject()->className()), kind);
        QCOMPARE(w->geometry(), fitsText ? QRect(rect.topLeft(), w->sizeHint()) : rect);
        if (points > 0) {
            QCOMPARE(w->font().pixelSize(), qRound(points * 96 / 72));
            QCOMPARE(w->font().bold(), bool(style & 1));
            QCOMPARE(w->font().italic(), bool(style & 2));
        }
        if (colour.isValid())
            QCOMPARE(w->palette().color(QPalette::WindowText), colour);
        if (background.isValid())
            QCOMPARE(w->autoFillBackground() ? w->palette().color(w->backgroundRole()) : QColor(), background);
        // Inside the window, overlapping no other control.
        QVERIFY(about.rect().contains(w->geometry()));
        for (QWidget* other : about.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            QVERIFY2(other == w || !other->geometry().intersects(w->geometry()), qPrintable(other->objectName()));
    }

    void theWindowItself()
    {
        frmInformazioniSu about(fake.services());
        const testing::AboutControls aboutUi(about);
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QCOMPARE(about.parent(), nullptr);
        QCOMPARE(about.windowType(), Qt::Dialog);
        // Placed by its frame's corner, as designed: not centred.
        QCOMPARE(about.pos(), QGuiApplication::primaryScreen()->geometry().topLeft() + QPoint(106, 94));
        QCOMPARE(about.size(), QSize(326, 164));
        QCOMPARE(about.minimumSize(), about.maximumSize());
        const Qt::WindowFlags flags = about.windowFlags();
        QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint) && !flags.testFlag(Qt::WindowMaximizeButtonHint));
        QCOMPARE(about.palette().color(QPalette::Window), kLightGreen);
        QCOMPARE(aboutUi.Image1->pixmap().deviceIndependentSize(), QSizeF(61, 63));
        QCOMPARE(aboutUi.Image1->pixmap().size(), QSize(61, 63) * about.devicePixelRatio());
        QVERIFY(aboutUi.Image1->hasScaledContents());
        QVERIFY(aboutUi.cmdOK->isDefault());
        for (QWidget* w : about.findChildren<QWidget*>())
            QCOMPARE(w->focusPolicy() != Qt::NoFocus, w == aboutUi.cmdOK);
        QCOMPARE(about.focusWidget(), aboutUi.cmdOK);
        // The links carry the main window's captions.
        Form1 form(fake.services());
        testing::Form1Controls ui(form);
        QCOMPARE(aboutUi.lblIndirizzo->text(), ui.lblIndirizzo->text());
        QCOMPARE(aboutUi.Label5->text(), ui.lblSito->text());
        // The etched separator: grey over white.
        const QImage shot = about.grab().toImage();
        const auto at = [&](int x, int y) { return QColor(shot.pixel(QPoint(x, y) * shot.devicePixelRatio())); };
        QCOMPARE(at(8, 120), QColor(128, 128, 128));
        QCOMPARE(at(318, 121), QColor(Qt::white));
        QCOMPARE(at(200, 122), kLightGreen);
        QCOMPARE(at(319, 120), kLightGreen);
    }

    void textsAtLoad_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("major");
        QTest::addColumn<int>("minor");
        QTest::addColumn<int>("revision");
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("copyright");
        QTest::newRow("this build") << "Tarvolin" << 1 << 2 << 0 << QDate(2026, 12, 7) << "Vers. 1.2.0"
                                    << "Copyright © 2001-2026 by Brenvald";
        QTest::newRow("two-digit revision") << "Tarvolin" << 2 << 1 << 12 << QDate(2030, 1, 1) << "Vers. 2.1.12"
                                            << "Copyright © 2001-2030 by Brenvald";
        QTest::newRow("clock before 2001") << "Prova" << 1 << 2 << 0 << QDate(1999, 5, 1) << "Vers. 1.2.0"
                                           << "Copyright © 2001-2001 by Brenvald";
    }
    void textsAtLoad()
    {
        QFETCH(QString, title);
        QFETCH(int, major);
        QFETCH(int, minor);
        QFETCH(int, revision);
        QFETCH(QDate, today);
        QFETCH(QString, version);
        QFETCH(QString, copyright);
        setVersion(title, major, minor, revision);
        fake.today = today;

        frmInformazioniSu about(fake.services());
        const testing::AboutControls aboutUi(about);
        QCOMPARE(about.windowTitle(), QStringLiteral(" Informazioni su ") + title);
        QCOMPARE(aboutUi.lblTitle->text(), title);
        QCOMPARE(aboutUi.lblVersion->text(), version);
        QCOMPARE(aboutUi.lblCopyRightBy->text(), copyright);
        for (QLabel* label : {aboutUi.lblTitle, aboutUi.lblVersion, aboutUi.lblCopyRightBy})
            QCOMPARE(label->size(), label->sizeHint());

        const QStringList credits = frmInformazioniSu::creditLines();
        QCOMPARE(credits.size(), 2);
        QVERIFY(credits[0].startsWith(QStringLiteral("    Thanks to  ")) && credits[0].at(15) != u' ');
        QVERIFY(credits[0].endsWith(u',') && credits[1].endsWith(u'.'));
        QCOMPARE(aboutUi.lblDisclaimer->text(), credits[0] + QStringLiteral("\r\n") + credits[1]);
        // Shown as two lines, both inside the fixed label.
        const QFontMetrics metrics(aboutUi.lblDisclaimer->font());
        QVERIFY(aboutUi.lblDisclaimer->sizeHint().height() >= 2 * metrics.height());
        QVERIFY(aboutUi.lblDisclaimer->sizeHint().height() <= aboutUi.lblDisclaimer->height());
        for (const QString& line : credits)
            QVERIFY(metrics.horizontalAdvance(line) <= aboutUi.lblDisclaimer->width());
    }

    void closedByEnterEscOkOrCloseBox_data()
    {
        QTest::addColumn<int>("key"); // 0: the OK button clicked, -1: the close box
        QTest::newRow("Enter") << int(Qt::Key_Enter);
        QTest::newRow("Return") << int(Qt::Key_Return);
        QTest::newRow("Esc") << int(Qt::Key_Escape);
        QTest::newRow("OK") << 0;
        QTest::newRow("close box") << -1;
    }
    void closedByEnterEscOkOrCloseBox()
    {
        QFETCH(int, key);
        QWidget parent;
        showAboutWindow(parent, fake.services());
        QPointer<frmInformazioniSu> about = openAboutWindows().value(0);
        QVERIFY(about);
        QVERIFY(QTest::qWaitForWindowExposed(about));
        int presses = 0;
        connect(testing::AboutControls(*about).cmdOK, &QPushButton::clicked, this, [&] { ++presses; });
        if (key > 0)
            QTest::keyClick(about, Qt::Key(key));
        else if (key == 0)
            QTest::mouseClick(testing::AboutControls(*about).cmdOK, Qt::LeftButton);
        else
            about->close();
        QCOMPARE(presses, key < 0 ? 0 : 1); // the keys press the button
        QVERIFY(openAboutWindows().isEmpty());
        // Unloaded: the next request loads a fresh window in its place.
        showAboutWindow(parent, fake.services());
        QVERIFY(about.isNull());
        QCOMPARE(openAboutWindows().size(), 1);
    }

    void linksOpenForTheAboutWindow_data()
    {
        QTest::addColumn<bool>("screenReader"); // pressed through accessibility, not clicked
        QTest::newRow("mouse") << false;
        QTest::newRow("screen reader") << true;
    }
    void linksOpenForTheAboutWindow()
    {
        QFETCH(bool, screenReader);
        setVersion(QStringLiteral("Tarvolin"), 1, 2, 12);
        frmInformazioniSu about(fake.services());
        const testing::AboutControls aboutUi(about);
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QCOMPARE(QAccessible::queryAccessibleInterface(&about)->role(), QAccessible::Dialog);
        for (auto [link, caption] : {std::pair{aboutUi.Label5, "Label4"}, {aboutUi.lblIndirizzo, "Label2"}}) {
            QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(link);
            QCOMPARE(spoken->role(), QAccessible::Link);
            QCOMPARE(spoken->text(QAccessible::Name), link->toolTip());
            QCOMPARE(spoken->text(QAccessible::Description), link->text());
            QCOMPARE(spoken->relations(QAccessible::Label).value(0).first->object()->objectName(), caption);
            if (screenReader)
                spoken->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
            else
                QTest::mouseClick(link, Qt::LeftButton);
        }
        QCOMPARE(
            fake.log,
            QStringList({QStringLiteral("open: http://cf.tarvolin.example"),
                         QStringLiteral("open: mailto:brenvald@cf.tarvolin.example?SUBJECT=Tarvolin - vers.1.2.12")}));
        QCOMPARE(fake.shellOwners, QList<QWidget*>({&about, &about}));
    }

    void titlePictureOpensOneWindowAndReloadsAfterClose()
    {
        Form1 form(fake.services());
        testing::Form1Controls ui(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        fake.today = QDate(2030, 1, 1);
        for (int i = 0; i < 3; ++i)
            QTest::mouseClick(ui.Image1, Qt::LeftButton);
        // A screen reader presses the picture, a link named by its tooltip.
        QCOMPARE(QAccessible::queryAccessibleInterface(ui.Image1)->text(QAccessible::Name), ui.Image1->toolTip());
        QAccessible::queryAccessibleInterface(ui.Image1)->actionInterface()->doAction(
            QAccessibleActionInterface::pressAction());
        QCOMPARE(openAboutWindows().size(), 1);
        QPointer<frmInformazioniSu> first = openAboutWindows()[0];
        QCOMPARE(testing::AboutControls(*first).lblCopyRightBy->text(),
                 QStringLiteral("Copyright © 2001-2030 by Brenvald"));
        QVERIFY(!first->isModal());
        QCOMPARE(first->windowHandle()->transientParent(), nullptr);
        // Both windows stay usable.
        ui.txtCognome->setText(QStringLiteral("x"));
        ui.cmdElabora->click();
        QCOMPARE(fake.boxes(), QStringList(QStringLiteral("Nome non valido.")));

        // Each click after a close loads a fresh window.
        for (const int year : {2031, 2032}) {
            testing::AboutControls(*openAboutWindows()[0]).cmdOK->click();
            QVERIFY(openAboutWindows().isEmpty());
            fake.today = QDate(year, 1, 1);
            QTest::mouseClick(ui.Image1, Qt::LeftButton);
            QCOMPARE(openAboutWindows().size(), 1);
            QCOMPARE(testing::AboutControls(*openAboutWindows()[0]).lblCopyRightBy->text(),
                     QStringLiteral("Copyright © 2001-%1 by Brenvald").arg(year));
            QVERIFY(first.isNull());
        }
    }

    void goesWithTheMainWindow()
    {
        QPointer<frmInformazioniSu> about;
        {
            Form1 form(fake.services());
            testing::Form1Controls ui(form);
            QTest::mouseClick(ui.Image1, Qt::LeftButton);
            about = openAboutWindows().value(0);
            QVERIFY(about && about->parent() == nullptr);
        }
        QVERIFY(about.isNull());
        {
            // Closed first: nothing is deleted twice.
            Form1 form(fake.services());
            testing::Form1Controls ui(form);
            QTest::mouseClick(ui.Image1, Qt::LeftButton);
            openAboutWindows().value(0)->close();
        }
        QVERIFY(openAboutWindows().isEmpty());
    }

    void programLivesWhileTheAboutWindowIsOpen()
    {
        Form1 form(fake.services());
        testing::Form1Controls ui(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTest::mouseClick(ui.Image1, Qt::LeftButton);
        QPointer<frmInformazioniSu> about = openAboutWindows().value(0);
        QVERIFY(about);
        bool runningAfterMainClosed = false;
        QTimer::singleShot(0, &form, &QWidget::close);
        QTimer::singleShot(200, [&] {
            runningAfterMainClosed = !form.isVisible() && about && about->isVisible();
            if (about)
                testing::AboutControls(*about).cmdOK->click();
        });
        QTimer::singleShot(5000, [] { QCoreApplication::exit(1); });
        // 0 once the last window has closed, 1 if the program never quits.
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(runningAfterMainClosed);
    }
};

QTEST_MAIN(TestAboutWindow)
#include "test_about_window.moc"
