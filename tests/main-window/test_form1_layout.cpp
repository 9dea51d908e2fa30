// The main window as designed: every control, its place, look and states,
// and the window as it opens.

#include "ClickLabel.h"
#include "Controls.h"
#include "Form1.h"
#include "Look.h"
#include "RecordingServices.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

QRect tw(int l, int t, int w, int h)
{
    return QRect(qRound(l / 15.0), qRound(t / 15.0), qRound(w / 15.0), qRound(h / 15.0));
}

struct Expect {
    const char* name;
    const char* kind;
    QRect rect;
    QString text;
    double points; // 0: not checked
    bool bold;
    const char* spoken; // its name for a screen reader; null: not announced
};

} // namespace

class TestForm1Layout : public QObject {
    Q_OBJECT

    testing::RecordingServices fake;

private slots:
    void controls_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("points");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<QString>("spoken");
        const Expect rows[] = {
            {"Image1", "ClickLabel", tw(4320, 360, 2355, 1020), "", 0, false, "Informazioni su..."},
            {"lblCopyRightBy", "QLabel", tw(480, 600, 3735, 375), "Copyright © 2001-2026 by Brenvald", 8.25, false,
             "Copyright © 2001-2026 by Brenvald"},
            {"lblRepubblica", "QLabel", tw(840, 480, 1335, 255), "REPUBBLICA", 9.75, false, nullptr},
            {"lblItaliana", "QLabel", tw(840, 720, 1335, 255), "ITALIANA", 9.75, false, nullptr},
            {"Label5", "QLabel", tw(440, 1800, 1335, 255), "Codice Fiscale  ", 8.25, true, "Codice Fiscale  "},
            {"txtCodiceFiscale", "QLineEdit", tw(1800, 1740, 4995, 350), "", 9.75, true, "Codice Fiscale"},
            {"lblTitolo", "QLabel", tw(720, 2340, 1095, 255), "Cognome  ", 8.25, true, "Cognome  "},
            {"txtCognome", "QLineEdit", tw(1800, 2280, 3615, 285), "", 8.25, true, "Cognome"},
            {"Label1", "QLabel", tw(720, 2640, 1095, 255), "Nome  ", 8.25, true, "Nome  "},
            {"txtNome", "QLineEdit", tw(1800, 2580, 3615, 285), "", 8.25, true, "Nome"},
            {"Label3", "QLabel", tw(5520, 2520, 855, 255), "Sesso  ", 8.25, true, "Sesso  "},
            {"cboSesso", "QComboBox", tw(6360, 2460, 675, 315), "M", 8.25, true, "Sesso"},
            {"Label2", "QLabel", tw(360, 2940, 1455, 255), "Data di nascita  ", 8.25, true, "Data di nascita  "},
            {"txtDataNascita", "QLineEdit", tw(1800, 2880, 1575, 285), "", 8.25, true, "Data di nascita"},
            {"Text3", "QLineEdit", tw(6120, 3120, 795, 285), "", 8.25, false, nullptr},
            {"Label4", "QLabel", tw(180, 3600, 1635, 255), "Luogo di nascita  ", 8.25, true, "Luogo di nascita  "},
            {"Text1", "QLineEdit", tw(1800, 3540, 4275, 285), "", 8.25, true, "Luogo di nascita"},
            {"Text2", "QLineEdit", tw(6240, 3540, 435, 285), "", 8.25, true, "Provincia"},
            {"cmdElabora", "QPushButton", tw(2685, 4320, 1410, 315), "&Elabora", 8.25, true, "Elabora"},
            {"cmdStampa", "QPushButton", tw(4200, 4320, 1410, 315), "&Stampa", 8.25, false, "Stampa"},
            {"cmdEsci", "QPushButton", tw(5880, 4320, 1095, 315), "&Chiudi", 8.25, false, "Chiudi"},
            {"Label6", "QLabel", tw(240, 4420, 2295, 255), "Aggiornato al 7 Ottobre 2011", 8.25, false,
             "Aggiornato al 7 Ottobre 2011"},
        };
        for (const Expect& row : rows)
            QTest::newRow(row.name) << QString::fromLatin1(row.name) << QString::fromLatin1(row.kind) << row.rect
                                    << row.text << row.points << row.bold
                                    << (row.spoken ? QString::fromUtf8(row.spoken) : QString());
    }
    void controls()
    {
        QFETCH(QString, name);
        QFETCH(QString, kind);
        QFETCH(QRect, rect);
        QFETCH(QString, text);
        QFETCH(double, points);
        QFETCH(bool, bold);
        QFETCH(QString, spoken);
        Form1 form(fake.services());
        testing::Form1Controls ui(form);
        auto* widget = form.findChild<QWidget*>(name);
        QVERIFY(widget);
        QCOMPARE(QString::fromLatin1(widget->metaObject()->className()), kind);
        QCOMPARE(widget->geometry(), rect);
        QString shown;
        if (auto* label = qobject_cast<QLabel*>(widget))
            shown = label->text();
        else if (auto* edit = qobject_cast<QLineEdit*>(widget))
            shown = edit->text();
        else if (auto* combo = qobject_cast<QComboBox*>(widget))
            shown = combo->currentText();
        else if (auto* button = qobject_cast<QPushButton*>(widget))
            shown = button->text();
        QCOMPARE(shown, text);
        if (points > 0) {
            QCOMPARE(widget->font().pixelSize(), qRound(points * 96 / 72));
            QCOMPARE(widget->font().bold(), bold);
        }
        QAccessibleInterface* control = QAccessible::queryAccessibleInterface(widget);
        QCOMPARE(QAccessible::queryAccessibleInterface(&form)->indexOfChild(control) >= 0, !spoken.isNull());
        if (!spoken.isNull())
            QCOMPARE(control->text(QAccessible::Name), spoken);
        // A list is heard by its name, then the item it shows.
        if (kind == u"QComboBox")
            QCOMPARE(control->text(QAccessible::Value), text);
    }

    void captionsAreNavyOnWhiteAndEndWhereTheirFieldBegins()
    {
        Form1 form(fake.services());
        testing::Form1Controls ui(form);
        const QList<std::pair<QLabel*, QWidget*>> pairs{{ui.Label5, ui.txtCodiceFiscale}, {ui.lblTitolo, ui.txtCognome},
                                                        {ui.Label1, ui.txtNome},          {ui.Label3, ui.cboSesso},
                                                        {ui.Label2, ui.txtDataNascita},   {ui.Label4, ui.Text1}};
        for (auto [label, field] : pairs) {
            QVERIFY(label->text().endsWith(QStringLiteral("  ")));
            QVERIFY(label->alignment() & Qt::AlignRight);
            QVERIFY(label->autoFillBackground());
            QCOMPARE(label->palette().color(QPalette::Window), QColor(Qt::white));
            QCOMPARE(label->palette().color(QPalette::WindowText), QColor(0, 0, 128));
            QVERIFY2(qAbs(label->geometry().right() + 1 - field->x()) <= 2, qPrintable(label->objectName()));
            // A screen reader hears the caption with its field.
            const auto labels = QAccessible::queryAccessibleInterface(field)->relations(QAccessible::Label);
            QCOMPARE(labels.size(), 1);
            QCOMPARE(labels[0].first->object(), label);
            // Every caption fits its label.
            QVERIFY(label->fontMetrics().horizontalAdvance(label->text()) <= label->width());
        }
    }

    void textsFitTheirControls()
    {
        Form1 form(fake.services());
        testing::Form1Controls ui(form);
        for (QLabel* label : form.findChildren<QLabel*>()) {
            if (label->text().isEmpty())
                continue;
            const QFontMetrics metrics(label->font());
            QVERIFY2(metrics.horizontalAdvance(label->text()) <= label->width(), qPrintable(label->objectName()));
            QVERIFY2(metrics.height() <= label->height() + 2, qPrintable(label->objectName()));
        }
        for (QPushButton* button : form.findChildren<QPushButton*>()) {
            QString plain = button->text();
            plain.remove(u'&');
            QVERIFY(QFontMetrics(button->font()).horizontalAdvance(plain) + 8 <= button->width());
        }
    }

    void linkLabels()
    {
        Form1 form(fake.services());
        testing::Form1Controls ui(form);
        for (auto [label, tip, designed] :
             {std::tuple{ui.lblIndirizzo, "Scrivi a Brenvald", tw(855, 915, 2145, 195)},
              std::tuple{ui.lblSito, "Fai clic per visitare il sito", tw(1005, 1200, 1815, 195)}}) {
            QCOMPARE(label->toolTip(), QString::fromLatin1(tip));
            QCOMPARE(label->cursor().shape(), Qt::PointingHandCursor);
            QCOMPARE(label->palette().color(QPalette::WindowText), QColor(0, 0, 255));
            QCOMPARE(label->pos(), designed.topLeft());
            QCOMPARE(label->height(), designed.height());
            // Exactly as wide as the text, which is about as wide as designed.
            QCOMPARE(label->width(), label->fontMetrics().horizontalAdvance(label->text()));
            QVERIFY2(qAbs(label->width() - designed.width()) <= 6, qPrintable(QString::number(label->width())));
        }
        QVERIFY(ui.lblIndirizzo->text().contains(u'@'));
        QVERIFY(ui.lblSito->text().startsWith(QStringLiteral("http://")));
        QVERIFY(ui.lblIndirizzo->alignment() & Qt::AlignHCenter);
    }

    void pictureAndColours()
    {
        Form1 form(fake.services());
        testing::Form1Controls ui(form);
        // As large as designed on any screen, with a pixel for each of the screen's.
        QCOMPARE(ui.Image1->pixmap().deviceIndependentSize(), QSizeF(157, 68));
        QCOMPARE(ui.Image1->pixmap().size(), QSize(157, 68) * form.devicePixelRatio());
        QVERIFY(ui.Image1->pixmap().hasAlphaChannel());
        QCOMPARE(ui.Image1->toolTip(), QStringLiteral("Informazioni su..."));
        QCOMPARE(ui.Image1->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(form.windowIcon().availableSizes().value(0), QSize(16, 16));
        QCOMPARE(form.palette().color(QPalette::Window), QColor(224, 224, 224));
        QCOMPARE(ui.txtCodiceFiscale->palette().color(QPalette::Base), QColor(192, 255, 192));
        QCOMPARE(ui.txtCodiceFiscale->palette().color(QPalette::Text), QColor(0, 0, 128));
        QCOMPARE(ui.Label6->palette().color(QPalette::WindowText), QColor(0, 64, 0));
        QCOMPARE(ui.Label6->palette().color(QPalette::Window), QColor(224, 224, 224));
        QVERIFY(ui.Label6->alignment() & Qt::AlignHCenter);
        QCOMPARE(ui.lblCopyRightBy->palette().color(QPalette::WindowText), QColor(Qt::white));
        QCOMPARE(ui.lblRepubblica->palette().color(QPalette::Window), QColor(0, 192, 0));
    }

    void shapesInDrawingOrder()
    {
        Form1 form(fake.services());
        testing::Form1Controls ui(form);
        const QList<std::tuple<QString, Form1::Shape::Form, QRect, QColor>> expected{
            {"Shape2", Form1::Shape::RoundedRectangle, tw(120, 120, 7215, 4095), Qt::white},
            {"Shape4", Form1::Shape::Circle, tw(120, 3465, 735, 735), Qt::white},
            {"Shape8", Form1::Shape::Rectangle, tw(6960, 1320, 255, 255), QColor(0, 192, 0)},
            {"Shape7", Form1::Shape::Rectangle, tw(240, 1320, 255, 255), QColor(0, 192, 0)},
            {"Shape3", Form1::Shape::Circle, tw(120, 120, 735, 735), Qt::white},
            {"Shape5", Form1::Shape::Circle, tw(6570, 120, 735, 735), Qt::white},
            {"Shape1", Form1::Shape::RoundedRectangle, tw(240, 240, 6975, 1335), QColor(0, 192, 0)},
            {"Shape6", Form1::Shape::Circle, tw(6570, 3465, 735, 735), Qt::white},
        };
        QCOMPARE(form.shapes().size(), expected.size());
        for (qsizetype i = 0; i < expected.size(); ++i) {
            const auto& [name, shapeForm, rect, fill] = expected[i];
            QCOMPARE(form.shapes()[i].name, name);
            QCOMPARE(form.shapes()[i].form, shapeForm);
            QCOMPARE(form.shapes()[i].rect, rect);
            QCOMPARE(form.shapes()[i].fill, fill);
        }
        // What is drawn: white card on grey, green band, grey outside the corners.
        const QImage image = form.grab().toImage();
        QCOMPARE(image.pixelColor(2, 2), QColor(224, 224, 224));
        QCOMPARE(image.pixelColor(9, 9), QColor(224, 224, 224)); // rounded corner of the card
        QCOMPARE(image.pixelColor(240, 140), QColor(Qt::white));
        QCOMPARE(image.pixelColor(20, 30), QColor(0, 192, 0));
        QCOMPARE(image.pixelColor(17, 104), QColor(0, 192, 0)); // square lower corner of the band
        QCOMPARE(image.pixelColor(490, 300), QColor(224, 224, 224));
    }

    void windowAndStates()
    {
        Form1 form(fake.services());
        testing::Form1Controls ui(form);
        QCOMPARE(form.windowTitle(), QStringLiteral(" Tarvolin"));
        QCOMPARE(QAccessible::queryAccessibleInterface(&form)->role(), QAccessible::Window);
        QCOMPARE(form.size(), QSize(496, 315));
        QCOMPARE(form.minimumSize(), form.maximumSize());
        QVERIFY(!(form.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(form.windowFlags() & Qt::WindowMinimizeButtonHint);
        QVERIFY(form.windowFlags() & Qt::WindowCloseButtonHint);

        QVERIFY(ui.txtCodiceFiscale->isReadOnly());
        QVERIFY(ui.Text2->isReadOnly());
        QVERIFY(!ui.txtCognome->isReadOnly());
        // Typing stops at 40 characters; the search box holds the limit, so
        // that a completion can still show a longer name whole.
        QTest::keyClicks(ui.Text1, QString(41, u'x'));
        QCOMPARE(ui.Text1->text(), QString(40, u'x'));
        QCOMPARE(ui.Text1->toolTip(), QStringLiteral("Usa i tasti Pagina o Frecce Su e Giù per scorrere"));
        QVERIFY(ui.Text3->isHidden());
        QVERIFY(!ui.Text3->isEnabled());
        QVERIFY(ui.lblRepubblica->isHidden());
        QVERIFY(ui.lblItaliana->isHidden());
        QVERIFY(!ui.cboSesso->isEditable());
        QCOMPARE(ui.cboSesso->count(), 2);
        QCOMPARE(ui.cboSesso->itemText(0), QStringLiteral("M"));
        QCOMPARE(ui.cboSesso->itemText(1), QStringLiteral("F"));
        for (QPushButton* button : form.findChildren<QPushButton*>())
            QVERIFY(!button->isDefault());
    }

    void opensWithFocusInSurnameAndEmptyFields()
    {
        Form1 form(fake.services());
        testing::Form1Controls ui(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QCOMPARE(QApplication::focusWidget(), ui.txtCognome);
        for (QLineEdit* edit : {ui.txtCodiceFiscale, ui.Text1, ui.Text2, ui.Text3, ui.txtCognome})
            QVERIFY(edit->text().isEmpty());
        QCOMPARE(ui.cboSesso->currentText(), QStringLiteral("M"));
        // "REPUBBLICA" and "ITALIANA" never show.
        for (QLabel* label : form.findChildren<QLabel*>())
            if (label->isVisible())
                QVERIFY(!label->text().contains(QStringLiteral("REPUBBLICA"))
                        && !label->text().contains(QStringLiteral("ITALIANA")));
    }

    void tabOrder()
    {
        Form1 form(fake.services());
        testing::Form1Controls ui(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        const QList<QWidget*> expected{ui.txtNome,   ui.txtDataNascita, ui.cboSesso, ui.Text1,     ui.cmdElabora,
                                       ui.cmdStampa, ui.cmdEsci,        ui.Text2,    ui.txtCognome};
        for (QWidget* next : expected) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
    }

    void readOnlyFieldsIgnoreTypingButCopy()
    {
        Form1 form(fake.services());
        testing::Form1Controls ui(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        ui.txtCodiceFiscale->setText(QStringLiteral("RSSMRA80A01H501U"));
        ui.txtCodiceFiscale->setFocus();
        QTest::keyClicks(ui.txtCodiceFiscale, QStringLiteral("abc"));
        QCOMPARE(ui.txtCodiceFiscale->text(), QStringLiteral("RSSMRA80A01H501U"));
        ui.txtCodiceFiscale->selectAll();
        QCOMPARE(ui.txtCodiceFiscale->selectedText(), QStringLiteral("RSSMRA80A01H501U"));
        ui.Text2->setFocus();
        QTest::keyClicks(ui.Text2, QStringLiteral("RM"));
        QVERIFY(ui.Text2->text().isEmpty());
    }

    void searchBoxRefusesAFortyFirstCharacter()
    {
        Form1 form(fake.services());
        testing::Form1Controls ui(form);
        form.show();
        ui.Text1->setFocus();
        ui.Text1->setText(QString(40, u'A'));
        ui.Text1->end(false);
        QTest::keyClick(ui.Text1, Qt::Key_B);
        QCOMPARE(ui.Text1->text(), QString(40, u'A'));
    }

    void copyrightYear_data()
    {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QString>("line");
        QTest::newRow("1999") << QDate(1999, 6, 1) << "Copyright © 2001-2001 by Brenvald";
        QTest::newRow("2001") << QDate(2001, 1, 1) << "Copyright © 2001-2001 by Brenvald";
        QTest::newRow("2030") << QDate(2030, 12, 31) << "Copyright © 2001-2030 by Brenvald";
    }
    void copyrightYear()
    {
        QFETCH(QDate, today);
        QFETCH(QString, line);
        fake.today = today;
        Form1 form(fake.services());
        testing::Form1Controls ui(form);
        QCOMPARE(ui.lblCopyRightBy->text(), line);
        fake.today = QDate(2026, 12, 7);
    }

    void accessKeysAndEscape()
    {
        Form1 form(fake.services());
        testing::Form1Controls ui(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        int elabora = 0, esci = 0;
        connect(ui.cmdElabora, &QPushButton::clicked, [&] { ++elabora; });
        connect(ui.cmdEsci, &QPushButton::clicked, [&] { ++esci; });
        // An access key presses its button as a click would (animated, so it takes a moment).
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_E, Qt::AltModifier);
        QTRY_COMPARE(elabora, 1);
        QTest::keyClick(ui.txtNome, Qt::Key_Escape);
        QTRY_COMPARE(esci, 1);
    }
};

QTEST_MAIN(TestForm1Layout)
#include "test_form1_layout.moc"
