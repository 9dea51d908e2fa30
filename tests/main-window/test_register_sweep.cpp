// Every name the register knows, typed key by key into the real place box of
// the real window as people type it (lower case without accents, with its
// accents, with a final apostrophe for a final accented vowel, with blanks
// for hyphens and apostrophes, a saint's name written short): no message
// box at any key, the text at the end reads as the name, and Elabora on a day
// the name was borne gives the code the published sources give that name on
// that day. The same texts through `tarvolin calcola --csv` give the same
// codes.

#include "Controls.h"
#include "Form1.h"
#include "RecordingServices.h"
#include "SourceNames.h"

#include <QApplication>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <sqlite3.h>

namespace {

using testing::plainName;

// One text typed, the day it is computed for and the codes the sources give.
struct Typing {
    QString name; // as the register has it
    QString text; // as typed
    QDate born;
    QSet<QString> codes;
    QString windowCode; // the place part of the code Elabora gave
    bool abbreviated = false; // a saint's name written short
    bool several = false; // and stands for several names or places in force
};

// A saint's name as people write it short, in lower case without accents:
// SAN GIOVANNI ROTONDO as s. giovanni rotondo, SANTI COSMA E DAMIANO as ss.
// cosma e damiano, ST. LORENZEN as sankt lorenzen, SANT'ANTIOCO as
// santantioco; the first such word only. With each, the full forms the short
// one may stand for. None when the name has no such word.
struct Short {
    QString text;
    QStringList readings;
};
std::vector<Short> shortForms(const QString& plain)
{
    static const QRegularExpression saint(
        QStringLiteral("(^| )(san |santo |santa |sant'|santi |santissimo |santissima |st\\. )"));
    const QRegularExpressionMatch m = saint.match(plain);
    if (!m.hasMatch())
        return {};
    const QString word = m.captured(2), before = plain.left(m.capturedStart(2)), after = plain.mid(m.capturedEnd(2));
    const auto forms = [&](const QString& shortWord, const QStringList& full) {
        Short form{before + shortWord + after, {}};
        for (const QString& f : full)
            form.readings << before + f + after;
        return form;
    };
    if (word == u"st. ")
        return {forms(QStringLiteral("sankt "), {QStringLiteral("st. ")})};
    if (word.startsWith(u"santi") && word != u"santo ")
        return {forms(QStringLiteral("ss. "),
                      {QStringLiteral("santi "), QStringLiteral("santissimo "), QStringLiteral("santissima ")})};
    std::vector<Short> all{forms(QStringLiteral("s. "), {QStringLiteral("san "), QStringLiteral("santo "),
                                                         QStringLiteral("santa "), QStringLiteral("sant'")})};
    if (word == u"sant'" && !after.isEmpty() && QStringView(u"aeiou").contains(after[0]))
        all.push_back(forms(QStringLiteral("sant"), {QStringLiteral("sant'")}));
    return all;
}

QStringList registerNames(const QString& path)
{
    QStringList names;
    sqlite3* db = nullptr;
    sqlite3_stmt* query = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK
        && sqlite3_prepare_v2(db, "SELECT DISTINCT COMU_DESCR FROM Comuni", -1, &query, nullptr) == SQLITE_OK)
        while (sqlite3_step(query) == SQLITE_ROW)
            names << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(query, 0)));
    sqlite3_finalize(query);
    sqlite3_close(db);
    return names;
}

// The ways people type a name: lower case without its accents; with them;
// with an apostrophe for the accent of its last letter; with a blank for a
// hyphen or apostrophe between letters (sant antioco).
QStringList typedForms(const QString& name)
{
    QString plain;
    for (const QChar c : name.normalized(QString::NormalizationForm_D))
        if (c.category() != QChar::Mark_NonSpacing)
            plain += c;
    QStringList forms{plain.toLower()};
    if (name.toLower() != forms[0])
        forms << name.toLower();
    const QString last = name.right(1).normalized(QString::NormalizationForm_D);
    if (last.size() > 1 && QStringView(u"AEIOU").contains(last[0]))
        forms << forms[0] + u'\'';
    static const QRegularExpression between(QStringLiteral("(?<=\\w)['-](?=\\w)"));
    if (const QString blanks = QString(forms[0]).replace(between, QStringLiteral(" ")); blanks != forms[0])
        forms << blanks;
    return forms;
}

// A day the name was borne: the middle of the latest span it names.
QDate dayOf(const std::vector<const testing::NamedSpan*>& spans, const QDate& today)
{
    const testing::NamedSpan* latest = spans.front();
    for (const auto* span : spans)
        if (!span->first.isNull() && (latest->first.isNull() || latest->first < span->first))
            latest = span;
    const QDate first = latest->first.isNull() ? QDate(1900, 1, 1) : latest->first;
    const QDate last = latest->last.isNull() || latest->last > today ? today : latest->last;
    return first.addDays(first.daysTo(last) / 2);
}

} // namespace

class TestRegisterSweep : public QObject {
    Q_OBJECT

    testing::RecordingServices fake;
    std::vector<testing::NamedSpan> sources;
    QHash<QString, std::vector<const testing::NamedSpan*>> byPlainName;
    QList<Typing> typings;
    QSet<QString> registerPlainNames;

    // The codes the sources give the text on the day: of the names that read
    // as it, those spelled with the accents typed if any is.
    QSet<QString> codesOf(const QString& text, const QDate& day) const
    {
        std::vector<const testing::NamedSpan*> pool = byPlainName.value(plainName(text));
        const QString spelling = plainName(text, true);
        if (spelling.contains(u'*')) {
            std::vector<const testing::NamedSpan*> spelled;
            for (const auto* span : pool)
                if (plainName(span->name, true) == spelling)
                    spelled.push_back(span);
            if (!spelled.empty())
                pool = spelled;
        }
        QSet<QString> codes;
        for (const auto* span : pool)
            if (span->inForceOn(day))
                codes << span->code;
        return codes;
    }

    // Types the text a key at a time; the first box shown, or a key after
    // which the box keeps other than what was typed before its selection,
    // stops it.
    static QString typeKeys(QLineEdit* box, const QString& text, const testing::RecordingServices& fake)
    {
        for (qsizetype i = 0; i < text.size(); ++i) {
            testing::typeKey(box, text[i]);
            if (!fake.log.isEmpty())
                return QStringLiteral("at \"%1\": %2").arg(box->text(), fake.log.join(u'|'));
            const QString kept = box->hasSelectedText() ? box->text().left(box->selectionStart()) : box->text();
            // Past the 40 characters one may type, the whole name shows.
            if (plainName(kept) != plainName(text.left(i + 1)) && i < 40)
                return QStringLiteral("keeps \"%1\" of \"%2\"").arg(kept, box->text());
        }
        return {};
    }

    // The code of the one place the sources give; of several, one of them,
    // or the question; for a short form of several names, those named.
    static bool rightInTheWindow(const Typing& t, const QStringList& log)
    {
        // A short form shows no place in the box: of several, none is taken.
        if (t.several)
            return log.size() == 2 && log[1].startsWith(QStringLiteral("box: Più luoghi possibili per "));
        if (t.codes.size() == 1)
            return t.windowCode == *t.codes.begin() && log.isEmpty();
        return (t.codes.contains(t.windowCode) && log.isEmpty())
               || (!log.isEmpty() && log.front().startsWith(QStringLiteral("ask: ")));
    }

private slots:
    void initTestCase()
    {
        sources = testing::sourceNames(QStringLiteral(TARVOLIN_DATA_DIR));
        for (const auto& span : sources)
            byPlainName[plainName(span.name)].push_back(&span);
        QStringList names = registerNames(QCoreApplication::applicationDirPath() + QStringLiteral("/Comuni.mdb"));
        QVERIFY(names.size() > 11000);
        for (const QString& name : names)
            registerPlainNames << plainName(name);
        for (const auto& span : sources)
            if (span.whole && !names.contains(span.name))
                names << span.name; // typed all the same: the box must know it
        QStringList unknown;
        for (const QString& name : names) {
            // The day comes from a span of the name as published, whole if
            // one is: a part of a merged name (AMBLAR of AMBLAR-DON) is no
            // name of its own.
            std::vector<const testing::NamedSpan*> spans, parts;
            for (const auto* span : byPlainName.value(plainName(name)))
                if (span->name == name)
                    (span->whole ? spans : parts).push_back(span);
            if (spans.empty())
                spans = parts.empty() ? byPlainName.value(plainName(name)) : parts;
            if (spans.empty()) {
                unknown << name;
                continue;
            }
            const QDate born = dayOf(spans, fake.today);
            const QStringList forms = typedForms(name);
            for (const QString& text : forms)
                typings.push_back({name, text, born, codesOf(text, born), {}});
            for (const Short& form : shortForms(forms[0])) {
                if (form.text.size() > 40)
                    continue; // more than the place box takes, with nothing to complete it
                // The names of the register the short form may stand for.
                QStringList named;
                for (const QString& reading : form.readings)
                    if (registerPlainNames.contains(plainName(reading)))
                        named << reading;
                const QSet<QString> codes = codesOf(named.value(0), born);
                typings.push_back({name, form.text, born, codes, {}, true, named.size() > 1 || codes.size() > 1});
            }
        }
        qInfo("%lld texts of %lld names", qlonglong(typings.size()), qlonglong(names.size()));
        QVERIFY2(unknown.isEmpty(), qPrintable(QStringLiteral("names the sources do not give: ") + unknown.join(u',')));
    }

    void everyNameTypedKeyByKey()
    {
        Form1 form(fake.services());
        const testing::Form1Controls ui(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        ui.txtCognome->setText(QStringLiteral("ROSSI"));
        ui.txtNome->setText(QStringLiteral("MARIO"));
        QStringList faults;
        for (Typing& t : typings) {
            fake.log.clear();
            ui.Text1->clear();
            ui.Text1->setFocus();
            QTest::keyClick(ui.Text1, Qt::Key_Backspace); // an empty box: nothing remembered
            if (const QString fault = typeKeys(ui.Text1, t.text, fake); !fault.isEmpty()) {
                faults << t.text + QStringLiteral(": ") + fault;
                continue;
            }
            if (!t.abbreviated && plainName(ui.Text1->text()) != plainName(t.name))
                faults << t.text + QStringLiteral(": ends as ") + ui.Text1->text();
            ui.txtDataNascita->setText(t.born.toString(QStringLiteral("dd/MM/yyyy")));
            ui.txtCodiceFiscale->clear();
            ui.cmdElabora->click();
            t.windowCode = ui.txtCodiceFiscale->text().mid(11, 4);
            // A short form that begins a name of its own (santarcangelo) is
            // completed to that name, which Elabora then takes.
            Typing shown = t;
            if (t.abbreviated && plainName(ui.Text1->text()) != plainName(t.text))
                shown = {t.name, ui.Text1->text(), t.born, codesOf(ui.Text1->text(), t.born), t.windowCode};
            if (!rightInTheWindow(shown, fake.log))
                faults << QStringLiteral("%1 born %2: %3 %4, not %5")
                              .arg(t.text, t.born.toString(Qt::ISODate), t.windowCode, fake.log.join(u'|'),
                                   QStringList(t.codes.begin(), t.codes.end()).join(u'/'));
        }
        QVERIFY2(faults.isEmpty(), qPrintable(QString::number(faults.size()) + QStringLiteral(" faults of ")
                                              + QString::number(typings.size()) + QStringLiteral(":\n")
                                              + faults.mid(0, 400).join(u'\n')));
    }

    void theCommandLineGivesTheSameCodes()
    {
        QTemporaryDir dir;
        QFile input(dir.filePath(QStringLiteral("persone.csv")));
        QVERIFY(input.open(QIODevice::WriteOnly));
        input.write("cognome,nome,data,sesso,luogo\n");
        for (const Typing& t : typings)
            input.write(QStringLiteral("ROSSI,MARIO,%1,M,\"%2\"\n")
                            .arg(t.born.toString(Qt::ISODate), QString(t.text).replace(u'"', QStringLiteral("\"\"")))
                            .toUtf8());
        input.close();
        QProcess program;
        program.setStandardOutputFile(dir.filePath(QStringLiteral("codici.csv")));
        program.start(QStringLiteral(TARVOLIN_EXE),
                      {QStringLiteral("calcola"), QStringLiteral("--csv"), input.fileName()});
        QVERIFY(program.waitForFinished(300000));
        const std::vector<testing::CsvRow> rows = testing::readCsvRows(dir.filePath(QStringLiteral("codici.csv")));
        QCOMPARE(qsizetype(rows.size()), typings.size());
        QStringList faults;
        for (qsizetype i = 0; i < typings.size(); ++i) {
            const Typing& t = typings[i];
            const QString code = rows[i]["codice"].mid(11, 4);
            const bool right =
                t.several ? rows[i]["motivo"].startsWith(QStringLiteral("Più luoghi possibili per "))
                : t.codes.size() == 1
                    ? code == *t.codes.begin()
                    : t.codes.contains(code) || rows[i]["motivo"].startsWith(QStringLiteral("Più luoghi"));
            if (!right)
                faults << QStringLiteral("%1 born %2: %3 %4")
                              .arg(t.text, t.born.toString(Qt::ISODate), code, rows[i]["motivo"]);
        }
        QVERIFY2(faults.isEmpty(), qPrintable(QString::number(faults.size()) + QStringLiteral(" faults:\n")
                                              + faults.mid(0, 400).join(u'\n')));
    }
};

QTEST_MAIN(TestRegisterSweep)
#include "test_register_sweep.moc"
