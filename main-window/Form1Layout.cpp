// The card's design: the window, its shapes and controls band by band, the
// tab order, and how it is drawn and placed.

#include "Accessibility.h"
#include "ClickLabel.h"
#include "Form1.h"
#include "Look.h"
#include "SearchBox.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <limits>

using look::caption;
using look::place;
using look::twips;

namespace {

const QColor kGrey{224, 224, 224};
const QColor kGreen{0, 192, 0};
const QColor kDarkGreen{0, 64, 0};

// Longer than any real name or date, short enough that a huge paste cannot
// make every key cost seconds. The engine itself takes any length.
constexpr int kNameMaxLength = 1000;
constexpr int kDateMaxLength = 40;

QFont windowFont() { return look::sansSerif(8.25); }
QFont boldFont() { return look::sansSerif(8.25, true); }

QLineEdit* textBox(QWidget* parent, const char* name, const QRect& rect, const QFont& font)
{
    auto* box = place(new QLineEdit(parent), name, rect);
    box->setFont(font);
    // Black on white as printed, whatever the desktop's palette.
    look::setFieldColours(box, look::black, Qt::white);
    // No length limit unless the field sets one.
    box->setMaxLength(std::numeric_limits<int>::max());
    return box;
}

// A link label on the band: blue, hand pointer, exactly as wide as its text.
ClickLabel* link(QWidget* parent, const char* name, const QRect& rect, const QString& text, const QString& tip,
                 Qt::Alignment alignment)
{
    auto* label = place(new ClickLabel(text, parent), name, rect);
    label->setFont(windowFont());
    look::setTextColour(label, look::blue);
    label->setAlignment(alignment | Qt::AlignTop);
    label->setCursor(Qt::PointingHandCursor);
    label->setToolTip(tip);
    label->resize(label->fontMetrics().horizontalAdvance(text), rect.height());
    return label;
}

} // namespace

void Form1::buildWindow()
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral(" ") + services_.app.title);
    setWindowIcon(QIcon(QStringLiteral(":/icona.png")));
    setFont(windowFont());
    setFixedSize(look::px(7440), look::px(4725));
    QPalette p = palette();
    p.setColor(QPalette::Window, kGrey);
    setPalette(p);
    setAutoFillBackground(true);

    shapes_ = {
        {QStringLiteral("Shape2"), Shape::RoundedRectangle, twips(120, 120, 7215, 4095), Qt::white},
        {QStringLiteral("Shape4"), Shape::Circle, twips(120, 3465, 735, 735), Qt::white},
        {QStringLiteral("Shape8"), Shape::Rectangle, twips(6960, 1320, 255, 255), kGreen},
        {QStringLiteral("Shape7"), Shape::Rectangle, twips(240, 1320, 255, 255), kGreen},
        {QStringLiteral("Shape3"), Shape::Circle, twips(120, 120, 735, 735), Qt::white},
        {QStringLiteral("Shape5"), Shape::Circle, twips(6570, 120, 735, 735), Qt::white},
        {QStringLiteral("Shape1"), Shape::RoundedRectangle, twips(240, 240, 6975, 1335), kGreen},
        {QStringLiteral("Shape6"), Shape::Circle, twips(6570, 3465, 735, 735), Qt::white},
    };
}

void Form1::buildControls()
{
    // Drawn in the order built: labels and picture first, so the fields stack
    // above them.
    buildBand();
    buildCaptions();
    buildFields();
    buildButtons();
    searchBox_ = std::make_unique<SearchBox>(*Text1, *Text2, *Text3, services_);
    connectHandlers();
}

void Form1::buildBand()
{
    Image1 = place(new ClickLabel(this), "Image1", twips(4320, 360, 2355, 1020));
    Image1->setPixmap(
        look::picture(QStringLiteral(":/titolo.png"), QStringLiteral(":/titolo@2x.png"), devicePixelRatioF()));
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setCursor(Qt::PointingHandCursor);
    Image1->setToolTip(QStringLiteral("Informazioni su..."));

    lblCopyRightBy = place(new QLabel(this), "lblCopyRightBy", twips(480, 600, 3735, 375));
    lblCopyRightBy->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // White on the band as on the printed card, not the desktop's colour.
    look::setTextColour(lblCopyRightBy, Qt::white);

    lblIndirizzo =
        link(this, "lblIndirizzo", twips(855, 915, 2145, 195), QStringLiteral("brenvald@cf.tarvolin.example"),
             QStringLiteral("Scrivi a Brenvald"), Qt::AlignHCenter);
    lblSito = link(this, "lblSito", twips(1005, 1200, 1815, 195), QStringLiteral("http://cf.tarvolin.example"),
                   QStringLiteral("Fai clic per visitare il sito"), Qt::AlignLeft);

    // Designed on the card long ago and never shown.
    for (auto [label, name, text, top] : {std::tuple{&lblRepubblica, "lblRepubblica", "REPUBBLICA", 480},
                                          std::tuple{&lblItaliana, "lblItaliana", "ITALIANA", 720}}) {
        *label = place(new QLabel(QString::fromLatin1(text), this), name, twips(840, top, 1335, 255));
        (*label)->setFont(look::sansSerif(9.75));
        look::setBackground(*label, kGreen);
        look::setTextColour(*label, Qt::white);
        (*label)->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        (*label)->hide();
    }
}

void Form1::buildCaptions()
{
    Label5 = caption(this, "Label5", twips(440, 1800, 1335, 255), QStringLiteral("Codice Fiscale  "));
    lblTitolo = caption(this, "lblTitolo", twips(720, 2340, 1095, 255), QStringLiteral("Cognome  "));
    Label1 = caption(this, "Label1", twips(720, 2640, 1095, 255), QStringLiteral("Nome  "));
    Label3 = caption(this, "Label3", twips(5520, 2520, 855, 255), QStringLiteral("Sesso  "));
    Label2 = caption(this, "Label2", twips(360, 2940, 1455, 255), QStringLiteral("Data di nascita  "));
    Label4 = caption(this, "Label4", twips(180, 3600, 1635, 255), QStringLiteral("Luogo di nascita  "));

    Label6 =
        place(new QLabel(QStringLiteral("Aggiornato al 7 Ottobre 2011"), this), "Label6", twips(240, 4420, 2295, 255));
    look::setBackground(Label6, kGrey);
    look::setTextColour(Label6, kDarkGreen);
    Label6->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
}

void Form1::buildFields()
{
    txtCodiceFiscale = textBox(this, "txtCodiceFiscale", twips(1800, 1740, 4995, 350), look::sansSerif(9.75, true));
    txtCodiceFiscale->setReadOnly(true);
    // Tab skips the result; a click still selects it for copying.
    txtCodiceFiscale->setFocusPolicy(Qt::ClickFocus);
    look::setBackground(txtCodiceFiscale, look::lightGreen);
    look::setTextColour(txtCodiceFiscale, look::navy);
    txtCodiceFiscale->setToolTip(QStringLiteral("Verifica codice fiscale: tasto F2, o menu del tasto destro"));
    txtCodiceFiscale->installEventFilter(this); // its context menu

    txtCognome = textBox(this, "txtCognome", twips(1800, 2280, 3615, 285), boldFont());
    txtNome = textBox(this, "txtNome", twips(1800, 2580, 3615, 285), boldFont());
    txtCognome->setMaxLength(kNameMaxLength);
    txtNome->setMaxLength(kNameMaxLength);

    cboSesso = place(new QComboBox(this), "cboSesso", twips(6360, 2460, 675, 315));
    cboSesso->setEditable(false);
    cboSesso->setFont(boldFont());
    QPalette p = cboSesso->palette();
    p.setColor(QPalette::Text, look::black);
    p.setColor(QPalette::ButtonText, look::black);
    p.setColor(QPalette::Base, Qt::white);
    p.setColor(QPalette::Button, Qt::white);
    cboSesso->setPalette(p);
    // The wheel must not change the sex of a list the user is not working in:
    // it neither takes the focus nor, without it, the wheel (eventFilter).
    cboSesso->setFocusPolicy(Qt::StrongFocus);
    cboSesso->installEventFilter(this);
    cboSesso->view()->installEventFilter(this); // Esc in the open list

    txtDataNascita = textBox(this, "txtDataNascita", twips(1800, 2880, 1575, 285), boldFont());
    txtDataNascita->setMaxLength(kDateMaxLength);
    txtDataNascita->installEventFilter(this);

    Text3 = textBox(this, "Text3", twips(6120, 3120, 795, 285), windowFont());
    Text3->setEnabled(false);
    Text3->hide();

    Text1 = textBox(this, "Text1", twips(1800, 3540, 4275, 285), boldFont());
    Text1->setMaxLength(40);
    Text1->setToolTip(QStringLiteral("Usa i tasti Pagina o Frecce Su e Giù per scorrere"));

    Text2 = textBox(this, "Text2", twips(6240, 3540, 435, 285), boldFont());
    Text2->setReadOnly(true);

    // Each field is named after its caption; the province box has none.
    for (auto [label, field] : {std::pair<QLabel*, QWidget*>{Label5, txtCodiceFiscale},
                                {lblTitolo, txtCognome},
                                {Label1, txtNome},
                                {Label3, cboSesso},
                                {Label2, txtDataNascita},
                                {Label4, Text1}})
        accessibility::labelField(label, field);
    Text2->setAccessibleName(QStringLiteral("Provincia"));
}

void Form1::buildButtons()
{
    cmdElabora = place(new QPushButton(QStringLiteral("&Elabora"), this), "cmdElabora", twips(2685, 4320, 1410, 315));
    cmdElabora->setFont(boldFont());
    cmdStampa = place(new QPushButton(QStringLiteral("&Stampa"), this), "cmdStampa", twips(4200, 4320, 1410, 315));
    cmdEsci = place(new QPushButton(QStringLiteral("&Chiudi"), this), "cmdEsci", twips(5880, 4320, 1095, 315));
    for (QPushButton* button : {cmdElabora, cmdStampa, cmdEsci}) {
        button->setAutoDefault(false);
        button->setDefault(false);
        // Access keys and Enter (eventFilter).
        button->installEventFilter(this);
    }
    // cmdEsci is the cancel button: Esc that no control used presses it (keyPressEvent).
}

void Form1::setTabOrder()
{
    const QList<QWidget*> order{txtCognome, txtNome,   txtDataNascita, cboSesso,         Text1,
                                cmdElabora, cmdStampa, cmdEsci,        txtCodiceFiscale, Text2};
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);
}

void Form1::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    for (const Shape& shape : shapes_) {
        painter.setBrush(shape.fill);
        const QRectF r = shape.rect;
        switch (shape.form) {
            case Shape::Rectangle: painter.drawRect(r); break;
            case Shape::Circle: {
                // A circle as wide as the shorter side, centred in the shape.
                const qreal d = std::min(r.width(), r.height());
                painter.drawEllipse(QRectF(r.center().x() - d / 2, r.center().y() - d / 2, d, d));
                break;
            }
            case Shape::RoundedRectangle: {
                const qreal radius = std::min(r.width(), r.height()) / 8;
                painter.drawRoundedRect(r, radius, radius);
                break;
            }
        }
    }
}

void Form1::showEvent(QShowEvent* event)
{
    if (!centred_) {
        centred_ = true;
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    QWidget::showEvent(event);
}
