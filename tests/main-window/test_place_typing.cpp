// The place box typed into key by key, as people type: each key completes to
// the first name that begins with the text, the part not yet typed selected,
// so the next key goes on with the name; no box while the text begins a name.
// Esc takes a completion away before it ends the program.

#include "Controls.h"
#include "Form1.h"
#include "RecordingServices.h"
#include "RegisterFile.h"

#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

namespace {

registro::Record place(const char* name, const char* code)
{
    return {QString::fromUtf8(name), QStringLiteral("XX"), QString::fromLatin1(code)};
}

std::vector<registro::Record> typingRegister()
{
    std::vector<registro::Record> records{
        place("CA' D'ANDREA", "B001"),
        place("CATANIA", "C351"),
        place("VO'", "M103"),
        place("VOGHERA", "M109"),
        place("PERU'", "Z611"),
        place("PERUGIA", "G478"),
        place("SAO TOME' E PRINCIPE", "Z341"),
        place("SAN DONÀ DI PIAVE", "H823"),
        place("FORLÌ", "D704"),
        place("FORLÌ DEL SANNIO", "D703"),
        place("VILLNÖß", "F856"),
        place("GUAM (ISOLA)", "Z509"),
        place("PÈRGINE", "G452"),
    };
    // Many names between PE and PÈRGINE, as the register has them.
    for (int i = 0; i < 40; ++i)
        records.push_back(place(qPrintable(QStringLiteral("PECORA %1").arg(i)), "P000"));
    return records;
}

} // namespace

class TestPlaceTyping : public QObject {
    Q_OBJECT

    testing::RecordingServices fake;
    QTemporaryDir dir;
    std::unique_ptr<Form1> form;
    std::unique_ptr<testing::Form1Controls> ui;

    // A key at a time; no box at any.
    void typeKeys(const QString& text)
    {
        for (const QChar c : text) {
            testing::typeKey(ui->Text1, c);
            QVERIFY2(fake.log.isEmpty(), qPrintable(ui->Text1->text() + u' ' + fake.log.join(u'|')));
        }
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        registro::writeRegister(dir.filePath(QStringLiteral("Comuni.mdb")), typingRegister());
        fake.services().app.executableDir = dir.path();
    }
    void init()
    {
        fake.log.clear();
        form = std::make_unique<Form1>(fake.services());
        ui = std::make_unique<testing::Form1Controls>(*form);
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        ui->Text1->setFocus();
    }
    void cleanup() { form.reset(); }

    void keyByKey_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("code");
        // The part typed is kept as the name spells it, the rest selected.
        QTest::newRow("ca") << "ca"
                            << "CA' D'ANDREA"
                            << "' D'ANDREA"
                            << "B001";
        QTest::newRow("cat") << "cat"
                             << "CATANIA"
                             << "ANIA"
                             << "C351";
        QTest::newRow("ca'") << "ca'"
                             << "CA' D'ANDREA"
                             << " D'ANDREA"
                             << "B001";
        QTest::newRow("ca' d") << "ca' d"
                               << "CA' D'ANDREA"
                               << "'ANDREA"
                               << "B001";
        QTest::newRow("ca d a") << "ca d a"
                                << "CA' D'ANDREA"
                                << "NDREA"
                                << "B001";
        QTest::newRow("vo") << "vo"
                            << "VO'"
                            << "'"
                            << "M103";
        QTest::newRow("vog") << "vog"
                             << "VOGHERA"
                             << "HERA"
                             << "M109";
        QTest::newRow("perug") << "perug"
                               << "PERUGIA"
                               << "IA"
                               << "G478";
        // The name has an apostrophe the text lacks: a blank typed after it
        // does not complete once more over the letter typed.
        QTest::newRow("sao tome e p") << "sao tome e p"
                                      << "SAO TOME' E PRINCIPE"
                                      << "RINCIPE"
                                      << "Z341";
        // The text has an apostrophe, or a blank, more than the name.
        QTest::newRow("san dona' di") << "san dona' di"
                                      << "SAN DONÀ DI PIAVE"
                                      << " PIAVE"
                                      << "H823";
        QTest::newRow("san  d") << "san  d"
                                << "SAN DONÀ DI PIAVE"
                                << "ONÀ DI PIAVE"
                                << "H823";
        QTest::newRow("forli'") << "forli'"
                                << "FORLÌ"
                                << ""
                                << "D704";
        QTest::newRow("forli' d") << "forli' d"
                                  << "FORLÌ DEL SANNIO"
                                  << "EL SANNIO"
                                  << "D703";
        // SS typed for ß: the S between keeps the text typed.
        QTest::newRow("villnos") << "villnos"
                                 << "VILLNÖs"
                                 << ""
                                 << "F856";
        QTest::newRow("villnoss") << "villnoss"
                                  << "VILLNÖß"
                                  << ""
                                  << "F856";
        // An accent typed finds the name spelled so however far it lies.
        QTest::newRow("pè") << "pè"
                            << "PÈRGINE"
                            << "RGINE"
                            << "G452";
        // ( & ! " are Down, Up, Page Up and Page Down by their classic key
        // codes: typed, they step nowhere.
        QTest::newRow("guam (") << "guam ("
                                << "GUAM (ISOLA)"
                                << "ISOLA)"
                                << "Z509";
    }
    void keyByKey()
    {
        QFETCH(QString, keys);
        QFETCH(QString, text);
        QFETCH(QString, selected);
        QFETCH(QString, code);
        typeKeys(keys);
        QCOMPARE(ui->Text1->text(), text);
        QCOMPARE(ui->Text1->selectedText(), selected);
        QCOMPARE(ui->Text3->text(), code);
    }

    void escTakesTheCompletionAway()
    {
        typeKeys(QStringLiteral("ca"));
        QTest::keyClick(ui->Text1, Qt::Key_Escape);
        QCOMPARE(ui->Text1->text(), QStringLiteral("CA"));
        QVERIFY(fake.log.isEmpty()); // the program goes on
        typeKeys(QStringLiteral("t")); // and so does typing
        QCOMPARE(ui->Text1->text(), QStringLiteral("CATANIA"));
        QTest::keyClick(ui->Text1, Qt::Key_End); // nothing selected now
        QTest::keyClick(ui->Text1, Qt::Key_Escape);
        QCOMPARE(fake.log.value(0), QStringLiteral("end")); // the real program ends there
    }
};

QTEST_MAIN(TestPlaceTyping)
#include "test_place_typing.moc"
