#include "frmVerifica.h"

#include "Accessibility.h"
#include "CodiceFiscale.h"
#include "DateParser.h"
#include "Look.h"
#include "PlaceChoice.h"
#include "PlaceOfCode.h"

#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

using look::place;
using look::twips;

namespace {

const QColor kGrey{224, 224, 224};

using platform::italianDate;

// What the window found: black text straight on the card, selectable so it
// can be copied; long texts wrap inside their fixed height.
QLabel* value(QWidget* parent, const char* name, const QRect& rect, bool bold)
{
    auto* label = place(new QLabel(parent), name, rect);
    label->setFont(look::sansSerif(8.25, bold));
    look::setTextColour(label, look::black);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

void setText(QLabel* label, const QString& text, const QColor& colour = look::black)
{
    label->setText(text);
    look::setTextColour(label, colour);
}

QString counted(qsizetype n, const char* one, const char* many)
{
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

// "ROMA (RM) H501", or "BOLZANO (BZ) A952, anche BOZEN" when the code had
// other names on that day (the tooltip lists them all).
QString placeNames(const std::vector<registro::Record>& records)
{
    const registro::Record& first = records.front();
    QString text = QStringLiteral("%1 (%2) %3").arg(first.name, first.province, first.code);
    if (records.size() > 1)
        text += QStringLiteral(", anche ") + records[1].name;
    if (records.size() > 2)
        text += QStringLiteral(" e altri %1").arg(records.size() - 2);
    return text;
}

} // namespace

frmVerifica::frmVerifica(platform::Services& services, ReadCard readCard)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                           | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      services_(services), readCard_(std::move(readCard))
{
    accessibility::presentWindow(staticMetaObject);
    setObjectName(QStringLiteral("frmVerifica"));
    setWindowTitle(QStringLiteral(" Verifica codice fiscale"));
    setWindowIcon(QIcon(QStringLiteral(":/icona.png")));
    setFont(look::sansSerif(8.25));
    setFixedSize(look::px(8160), look::px(5850));
    QPalette p = palette();
    p.setColor(QPalette::Window, kGrey);
    setPalette(p);
    setAutoFillBackground(true);
    card_ = twips(120, 120, 7920, 5130);

    buildControls();
    apriComuni();
    // The card's code to start with, selected: typing or pasting replaces it.
    txtCodice->setText(readCard_ ? readCard_().code : QString());
    txtCodice_Change();
    txtCodice->selectAll();
    txtCodice->setFocus(Qt::OtherFocusReason);

    // Centred on the screen unless placed beside the card.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void frmVerifica::placeBeside(const QWidget& card)
{
    const QScreen* screen = card.screen();
    if (!screen)
        return;
    const QRect free = screen->availableGeometry();
    const QRect beside = card.frameGeometry();
    const int gap = 8;
    const QSize outer = frameGeometry().size();
    // Right of the card, else left of it, else below it, else above it: the
    // card stays in sight. When none fits, it stays centred.
    const QPoint tries[] = {
        {beside.right() + 1 + gap, beside.top()},
        {beside.left() - gap - outer.width(), beside.top()},
        {beside.left(), beside.bottom() + 1 + gap},
        {beside.left(), beside.top() - gap - outer.height()},
    };
    for (const QPoint& corner : tries) {
        if (free.contains(QRect(corner, outer))) {
            move(corner);
            return;
        }
    }
}

frmVerifica::~frmVerifica() = default;

void frmVerifica::buildControls()
{
    // Caption column up to 2040 twips; values from 2100 to the card's edge.
    // Captions as on the card, two blanks at the end.
    const auto caption = [this](const char* name, int top, const char* text) {
        return look::caption(this, name, twips(240, top, 1800, 255), QString::fromUtf8(text) + QStringLiteral("  "));
    };
    Label1 = caption("Label1", 360, "Codice Fiscale");
    txtCodice = place(new QLineEdit(this), "txtCodice", twips(2040, 300, 3600, 350));
    accessibility::labelField(Label1, txtCodice);
    txtCodice->setFont(look::sansSerif(9.75, true));
    look::setBackground(txtCodice, look::lightGreen);
    look::setTextColour(txtCodice, look::navy);
    txtCodice->setToolTip(QStringLiteral("Digita o incolla un codice fiscale"));

    // Rows top to bottom; a line of text takes 210 twips (14 pixels), and
    // each field has room for the longest text it can be given.
    struct Row {
        QLabel** label;
        const char* labelName;
        QLabel** field;
        const char* fieldName;
        int lines;
        bool bold;
        const char* text;
    };
    const Row rows[] = {
        {&Label2, "Label2", &lblEsito, "lblEsito", 4, false, "Esito"},
        {&Label3, "Label3", &lblSesso, "lblSesso", 1, true, "Sesso"},
        {&Label4, "Label4", &lblDataNascita, "lblDataNascita", 1, true, "Data di nascita"},
        {&Label5, "Label5", &lblLuogo, "lblLuogo", 3, true, "Luogo di nascita"},
        {&Label6, "Label6", &lblOmocodia, "lblOmocodia", 1, false, "Omocodia"},
        {&Label7, "Label7", &lblCodiceBase, "lblCodiceBase", 1, true, "Codice base"},
        {&Label8, "Label8", &lblScheda, "lblScheda", 7, false, "Scheda"},
    };
    int top = 810;
    for (const Row& row : rows) {
        *row.label = caption(row.labelName, top, row.text);
        *row.field = value(this, row.fieldName, twips(2100, top, 5700, 210 * row.lines), row.bold);
        // Labelled by its caption; its name stays what it says.
        (*row.label)->setBuddy(*row.field);
        top += 210 * row.lines + (row.lines > 1 ? 120 : 60);
    }
    lblCodiceBase->setToolTip(
        QStringLiteral("Il codice con le cifre al posto delle lettere di omocodia e il suo carattere di controllo"));

    cmdChiudi = place(new QPushButton(QStringLiteral("&Chiudi"), this), "cmdChiudi", twips(6945, 5415, 1095, 315));
    cmdChiudi->setAutoDefault(false);
    cmdChiudi->setDefault(false);

    connect(txtCodice, &QLineEdit::textChanged, this, &frmVerifica::txtCodice_Change);
    connect(cmdChiudi, &QPushButton::clicked, this, &frmVerifica::cmdChiudi_Click);
}

void frmVerifica::apriComuni()
{
    // The card has already said at start when the register is missing: here
    // places are then shown by their code, without a message.
    try {
        dbComuni = registro::Database::openBeside(services_.app.executableDir);
    } catch (const platform::Error&) {
        dbComuni.reset();
    }
}

const std::vector<registro::Record>& frmVerifica::recordsWithCode(const QString& code)
{
    auto found = byCode_.find(code);
    if (found == byCode_.end())
        found = byCode_.insert(code, dbComuni->recordsWithCode(code));
    return *found;
}

void frmVerifica::txtCodice_Change()
{
    const QString text = txtCodice->text();
    const codfis::Decoded d = codfis::decode(text, services_.clock.today());
    const bool empty = text.trimmed().isEmpty();
    const bool readable = d.verdict != codfis::Verdict::Malformed;
    look::setTextColour(txtCodice, empty || d.verdict == codfis::Verdict::Valid ? look::navy : look::darkRed);

    if (empty) {
        setText(lblEsito, QStringLiteral("Digitare o incollare un codice fiscale."));
    } else {
        QStringList said{d.reason};
        said << d.notes;
        setText(lblEsito, said.join(u' '), d.verdict == codfis::Verdict::Valid ? look::black : look::darkRed);
    }
    for (QLabel* field : {lblSesso, lblDataNascita, lblLuogo, lblOmocodia, lblCodiceBase})
        setText(field, QString());
    lblLuogo->setToolTip(QString());
    showCard(text, readable && !empty);
    if (!readable)
        return;

    setText(lblSesso, d.sex == u'F' ? QStringLiteral("F (femmina)") : QStringLiteral("M (maschio)"));
    QDate earlier;
    if (d.birthDate.isValid()) {
        QString born = italianDate(d.birthDate);
        if (d.alsoEarlierCentury) {
            earlier = d.birthDate.addYears(-100);
            born += QStringLiteral(" oppure ") + italianDate(earlier);
        }
        setText(lblDataNascita, born);
    } else {
        setText(lblDataNascita, QStringLiteral("nessuna data possibile"), look::darkRed);
    }
    showPlace(d.placeCode, d.birthDate, earlier);

    if (const int count = d.homonymCount()) {
        QStringList positions;
        for (const int position : d.homonymPositions())
            positions << QString::number(position);
        setText(lblOmocodia,
                QStringLiteral("%1 da lettere (%2 %3)")
                    .arg(counted(count, "cifra sostituita", "cifre sostituite"),
                         QLatin1String(count == 1 ? "posizione" : "posizioni"), positions.join(QStringLiteral(", "))));
    } else {
        setText(lblOmocodia, QStringLiteral("nessuna"));
    }
    setText(lblCodiceBase, d.plainCode);
}

void frmVerifica::showPlace(const QString& code, const QDate& born, const QDate& earlier)
{
    if (!dbComuni) {
        setText(lblLuogo, code + QStringLiteral(" (registro dei comuni non disponibile)"));
        return;
    }
    registro::PlaceOfCode found;
    try {
        found = registro::placeOfCode(recordsWithCode(code), born, earlier);
    } catch (const platform::Error& error) {
        setText(lblLuogo, code + QStringLiteral(" (") + platform::errorText(error) + u')', look::darkRed);
        return;
    }
    if (found.validity == registro::PlaceOfCode::Unknown) {
        setText(lblLuogo, code + QStringLiteral(": codice non presente nel registro"), look::darkRed);
        return;
    }
    QString text = placeNames(found.records);
    QColor colour = look::black;
    if (found.validity == registro::PlaceOfCode::InForceEarlier) {
        text += QStringLiteral(", in vigore il ") + italianDate(earlier);
    } else if (found.validity == registro::PlaceOfCode::NotInForce && born.isValid()) {
        text += QStringLiteral(", non in vigore il ") + italianDate(born);
        colour = look::darkRed;
    }
    setText(lblLuogo, text, colour);
    QStringList described;
    for (const registro::Record& r : found.records)
        described << registro::describePlace(r);
    lblLuogo->setToolTip(described.join(u'\n'));
}

void frmVerifica::showCard(const QString& code, bool readable)
{
    if (!readable || !readCard_) {
        setText(lblScheda, QString());
        return;
    }
    const CardPerson person = readCard_();
    QStringList missing;
    if (person.surname.trimmed().isEmpty())
        missing << QStringLiteral("cognome");
    if (person.name.trimmed().isEmpty())
        missing << QStringLiteral("nome");
    if (!person.birthDate.isValid())
        missing << QStringLiteral("data di nascita valida");
    if (person.sex.isEmpty())
        missing << QStringLiteral("sesso");
    if (person.placeCode.isEmpty())
        missing << (person.placeText.trimmed().isEmpty() ? QStringLiteral("luogo di nascita")
                                                         : QStringLiteral("luogo di nascita del registro"));
    if (!missing.isEmpty()) {
        setText(lblScheda,
                QStringLiteral("Per il confronto con la scheda %1: %2.")
                    .arg(QLatin1String(missing.size() == 1 ? "manca" : "mancano"), missing.join(QStringLiteral(", "))));
        return;
    }
    const codfis::Fit fit =
        codfis::fitsPerson(code, person.surname, person.name, person.birthDate, person.sex, person.placeCode);
    setText(lblScheda, fit.reason, fit.fits ? look::black : look::darkRed);
}

void frmVerifica::cmdChiudi_Click() { close(); }

void frmVerifica::changeEvent(QEvent* event)
{
    // Back from the card: it may hold another person now.
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        txtCodice_Change();
    QWidget::changeEvent(event);
}

void frmVerifica::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Cancel)) {
        cmdChiudi->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void frmVerifica::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    // Rounded as the main window's card.
    const qreal radius = look::px(4095) / 8.0;
    painter.drawRoundedRect(QRectF(card_), radius, radius);
}
