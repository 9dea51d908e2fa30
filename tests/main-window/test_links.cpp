// The main window's two links: what reaches the desktop and for which window,
// and the real shell's hand-over to the desktop's URL handlers.

#include "ClickLabel.h"
#include "Controls.h"
#include "Form1.h"
#include "Module1.h"
#include "RecordingServices.h"
#include "SystemServices.h"

#include <QDesktopServices>
#include <QTest>
#include <QUrl>

namespace {

// Stands in for the desktop's browser and mail program.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void handle(const QUrl& url) { urls << url; }
};

struct ThrowingShell : platform::Shell {
    int calls = 0;
    void open(QWidget*, const QString&) override
    {
        if (++calls == 1)
            throw platform::Error(-2147467259, QStringLiteral("no handler"));
        throw std::bad_alloc();
    }
};

} // namespace

class TestLinks : public QObject {
    Q_OBJECT

    testing::RecordingServices fake;

private slots:
    void clicksOpenTheTargetsForTheWindow_data()
    {
        QTest::addColumn<int>("major");
        QTest::addColumn<int>("minor");
        QTest::addColumn<int>("revision");
        QTest::newRow("1.2.0") << 1 << 2 << 0;
        QTest::newRow("2.1.7") << 2 << 1 << 7;
        QTest::newRow("1.0.12") << 1 << 0 << 12;
    }
    void clicksOpenTheTargetsForTheWindow()
    {
        QFETCH(int, major);
        QFETCH(int, minor);
        QFETCH(int, revision);
        fake.log.clear();
        fake.shellOwners.clear();
        fake.services().app.major = major;
        fake.services().app.minor = minor;
        fake.services().app.revision = revision;
        Form1 form(fake.services());
        testing::Form1Controls ui(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTest::mouseClick(ui.lblSito, Qt::LeftButton);
        QTest::mouseClick(ui.lblIndirizzo, Qt::LeftButton);
        QCOMPARE(
            fake.log,
            QStringList({QStringLiteral("open: http://cf.tarvolin.example"),
                         QStringLiteral("open: mailto:brenvald@cf.tarvolin.example?SUBJECT=Tarvolin - vers.%1.%2.%3")
                             .arg(major)
                             .arg(minor)
                             .arg(revision)}));
        QCOMPARE(fake.shellOwners, QList<QWidget*>({&form, &form}));
    }

    void failuresOfTheDesktopAreSwallowed()
    {
        QWidget window;
        ThrowingShell shell;
        Module1::ApriCollegamento(window, QStringLiteral("http://cf.tarvolin.example"), shell);
        Module1::ApriCollegamento(window, QString(), shell);
        QCOMPARE(shell.calls, 2);
    }

    void realShellHandsTheUrlsToTheDesktop()
    {
        UrlCatcher catcher;
        for (const char* scheme : {"http", "https", "mailto"})
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &catcher, "handle");
        platform::SystemShell shell;
        auto& s = fake.services();
        s.app.major = 1;
        s.app.minor = 2;
        s.app.revision = 0;
        platform::Services real{s.messageBox, s.beeper, s.clock, s.printer, shell, s.program, s.app, s.locale};
        {
            Form1 form(real);
            testing::Form1Controls ui(form);
            QTest::mouseClick(ui.lblSito, Qt::LeftButton);
            QTest::mouseClick(ui.lblIndirizzo, Qt::LeftButton);
        }
        shell.open(nullptr, QStringLiteral("https://cf.tarvolin.example/pagina?a=1 2"));
        shell.open(nullptr, QString()); // nothing to open: no handler called
        for (const char* scheme : {"http", "https", "mailto"})
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));

        QCOMPARE(catcher.urls.size(), 3);
        QCOMPARE(catcher.urls[0].toString(), QStringLiteral("http://cf.tarvolin.example"));
        QCOMPARE(catcher.urls[1].path(), QStringLiteral("brenvald@cf.tarvolin.example"));
        // Blanks reach the desktop encoded, the rest as written.
        QCOMPARE(catcher.urls[1].toEncoded(),
                 QByteArray("mailto:brenvald@cf.tarvolin.example?SUBJECT=Tarvolin%20-%20vers.1.2.0"));
        QCOMPARE(catcher.urls[2].toEncoded(), QByteArray("https://cf.tarvolin.example/pagina?a=1%202"));
    }
};

QTEST_MAIN(TestLinks)
#include "test_links.moc"
