#include "Form1.h"

#include "AboutWindow.h"
#include "CalcoloCodFis.h"
#include "ClickLabel.h"
#include "Copyright.h"
#include "DateParser.h"
#include "Look.h"
#include "Module1.h"
#include "PlaceChoice.h"
#include "RegisterSql.h"
#include "SearchBox.h"
#include "Text.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QEvent>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QShortcutEvent>
#include <limits>

using look::twips;

namespace {

const QColor kGrey{224, 224, 224};
const QColor kGreen{0, 192, 0};
const QColor kDarkGreen{0, 64, 0};

// Opens the window that checks a fiscal code; no control of the card uses it.
const QKeySequence kVerificaKey{Qt::Key_F2};

// Longer than any real name or date, short enough that a huge paste cannot
// make every key cost seconds. The engine itself takes any length.
constexpr int kNameMaxLength = 1000;
constexpr int kDateMaxLength = 40;

QFont windowFont() { return look::sansSerif(8.25); }
QFont boldFont() { return look::sansSerif(8.25, true); }

template <typename W> W* place(W* widget, const char* name, const QRect& rect)
{
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(rect);
    return widget;
}

// A caption on the card: opaque white, bold navy, right-aligned.
QLabel* caption(QWidget* parent, const char* name, const QRect& rect, const QString& text)
{
    auto* label = place(new QLabel(text, parent), name, rect);
    label->setFont(boldFont());
    look::setBackground(label, Qt::white);
    look::setTextColour(label, look::navy);
    label->setAlignment(Qt::AlignRight | Qt::AlignTop);
    return label;
}

QLineEdit* textBox(QWidget* parent, const char* name, const QRect& rect, const QFont& font)
{
    auto* box = place(new QLineEdit(parent), name, rect);
    box->setFont(font);
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

Form1::Form1(platform::Services& services, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      services_(services)
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

    buildControls();
    setTabOrder();
    Form_Load();
    txtCognome->setFocus(Qt::OtherFocusReason);
}

Form1::~Form1() { dropVerifyWindow(*this); }

void Form1::buildControls()
{
    const QColor highlighted = palette().color(QPalette::HighlightedText);

    // Band. Labels and picture come first so the fields stack above them.
    Image1 = place(new ClickLabel(this), "Image1", twips(4320, 360, 2355, 1020));
    Image1->setPixmap(QPixmap(QStringLiteral(":/titolo.png")));
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setCursor(Qt::PointingHandCursor);
    Image1->setToolTip(QStringLiteral("Informazioni su..."));

    lblCopyRightBy = place(new QLabel(this), "lblCopyRightBy", twips(480, 600, 3735, 375));
    lblCopyRightBy->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    look::setTextColour(lblCopyRightBy, highlighted);

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
        look::setTextColour(*label, highlighted);
        (*label)->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        (*label)->hide();
    }

    // Card.
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
    {
        QPalette p = cboSesso->palette();
        p.setColor(QPalette::Text, look::black);
        p.setColor(QPalette::ButtonText, look::black);
        p.setColor(QPalette::Base, Qt::white);
        p.setColor(QPalette::Button, Qt::white);
        cboSesso->setPalette(p);
    }
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

    searchBox_ = std::make_unique<SearchBox>(*Text1, *Text2, *Text3, services_);

    connect(cmdElabora, &QPushButton::clicked, this, &Form1::cmdElabora_Click);
    connect(cmdStampa, &QPushButton::clicked, this, &Form1::cmdStampa_Click);
    connect(cmdEsci, &QPushButton::clicked, this, &Form1::cmdEsci_Click);
    connect(lblSito, &ClickLabel::clicked, this, &Form1::lblSito_Click);
    connect(lblIndirizzo, &ClickLabel::clicked, this, &Form1::lblIndirizzo_Click);
    connect(Image1, &ClickLabel::clicked, this, &Form1::Image1_Click);

    auto* verifica = new QShortcut(kVerificaKey, this);
    verifica->setObjectName(QStringLiteral("shortcutVerifica"));
    connect(verifica, &QShortcut::activated, this, &Form1::mnuVerifica_Click);
}

void Form1::setTabOrder()
{
    const QList<QWidget*> order{txtCognome, txtNome,   txtDataNascita, cboSesso,         Text1,
                                cmdElabora, cmdStampa, cmdEsci,        txtCodiceFiscale, Text2};
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);
}

void Form1::Form_Load()
{
    lblCopyRightBy->setText(copyrightLine(services_.clock.today()));
    cboSesso->addItem(QStringLiteral("M"));
    cboSesso->addItem(QStringLiteral("F"));
    cboSesso->setCurrentIndex(0);
    apriComuni();
}

void Form1::showMessage(const QString& text) { services_.messageBox.show(this, text); }

bool Form1::readsAsDate(const QString& text, QDate* date) const
{
    const auto parsed = platform::parseBirthDate(text, services_.locale, services_.clock.today());
    if (parsed && date)
        *date = *parsed;
    return parsed.has_value();
}

void Form1::refuse(QLineEdit* field, const QString& message)
{
    services_.beeper.beep();
    showMessage(message);
    field->setFocus(Qt::OtherFocusReason);
    field->selectAll();
}

void Form1::cmdElabora_Click()
{
    if (txtCognome->text().isEmpty())
        return refuse(txtCognome, QStringLiteral("Cognome non valido."));
    if (txtNome->text().isEmpty())
        return refuse(txtNome, QStringLiteral("Nome non valido."));
    QDate born;
    if (!readsAsDate(txtDataNascita->text(), &born))
        return refuse(txtDataNascita, QStringLiteral("Data di nascita non valida."));
    if (Text1->text().isEmpty())
        return refuse(Text1, QStringLiteral("Immettere il luogo di nascita."));

    // Only a record of the register that bears the name shown and fits the
    // birth date gives the place code; the boxes then show that record.
    registro::PlaceChoice place;
    try {
        if (!dbComuni || !dbComuni->isOpen())
            return refuse(Text1, QStringLiteral("Comune non in elenco"));
        place =
            registro::choosePlace(*dbComuni, Text1->text(), born, registro::ShownPlace{Text3->text(), Text2->text()});
    } catch (const platform::Error& error) {
        return refuse(Text1, QStringLiteral("Errore n° ") + QString::number(error.number) + u' ' + error.description);
    }
    if (place.outcome == registro::PlaceChoice::NotInForce) {
        if (!services_.messageBox.ask(this, registro::notInForceQuestion(place.place, born, dataDate_)))
            return;
    } else if (place.outcome != registro::PlaceChoice::Chosen) {
        return refuse(Text1, registro::notInRegisterMessage(dataDate_, born));
    }
    searchBox_->showPlace(place.place);

    txtCognome->setText(platform::upperCase(txtCognome->text()));
    txtNome->setText(platform::upperCase(txtNome->text()));

    txtCodiceFiscale->setText(
        ::CalcoloCodFis(txtCognome->text(), txtNome->text(), born, cboSesso->currentText(), place.place.code));
}

void Form1::txtDataNascita_LostFocus()
{
    look::setTextColour(txtDataNascita, readsAsDate(txtDataNascita->text()) ? look::black : look::darkRed);
}

bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == txtDataNascita && event->type() == QEvent::FocusOut) {
        // Switching to another window or a popup is not leaving the field.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            txtDataNascita_LostFocus();
    }
    if (watched == cboSesso->view() && event->type() == QEvent::ShortcutOverride
        && static_cast<QKeyEvent*>(event)->matches(QKeySequence::Cancel)) {
        // Esc belongs to the open list. Claimed here, the key goes to the
        // list, which closes; unclaimed, Qt may close the list while it looks
        // for shortcuts and hand the key on to the window, ending the program.
        event->accept();
        return true;
    }
    if (watched == txtCodiceFiscale && event->type() == QEvent::ContextMenu) {
        showResultMenu(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    }
    if (watched == cboSesso && event->type() == QEvent::Wheel && !cboSesso->hasFocus()) {
        event->ignore();
        return true;
    }
    for (QPushButton* button : {cmdElabora, cmdStampa, cmdEsci})
        if (watched == button)
            return buttonEvent(button, event) || QWidget::eventFilter(watched, event);
    return QWidget::eventFilter(watched, event);
}

bool Form1::buttonEvent(QPushButton* button, QEvent* event)
{
    if (event->type() == QEvent::Shortcut && !static_cast<QShortcutEvent*>(event)->isAmbiguous()) {
        // An access key takes the focus to its button before pressing it, as
        // a mouse click does: the field left runs its lost-focus check first.
        // The button then handles the key as usual.
        button->setFocus(Qt::ShortcutFocusReason);
        return false;
    }
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (enter && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            // Return and keypad Enter press the focused button; held down,
            // they press it once.
            if (!key->isAutoRepeat())
                button->click();
            return true;
        }
    }
    return false;
}

void Form1::keyPressEvent(QKeyEvent* event)
{
    // Esc comes here only when no control used it: an open list, a menu or
    // a field keeps its own Esc.
    if (event->matches(QKeySequence::Cancel)) {
        cmdEsci->click();
        return;
    }
    QWidget::keyPressEvent(event);
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

void Form1::apriComuni()
{
    // Each step leaves what it opened in place, so a later failure leaves the
    // register partly open; the window opens and works all the same.
    try {
        dbComuni = registro::Database::open(services_.app.executableDir + QStringLiteral("/Comuni.mdb"));
        searchBox_->setCursor(dbComuni->openRecordset(registro::sql::kTable));
        searchBox_->cursor()->setIndex(registro::sql::kIndex);
    } catch (const platform::Error& error) {
        showMessage(QStringLiteral("Errore n° ") + QString::number(error.number) + u' ' + error.description);
        return;
    }
    try {
        dataDate_ = dbComuni->dataDate();
    } catch (const platform::Error&) {
        // Only the notes that name the register's date go without it.
    }
}

void Form1::cmdEsci_Click()
{
    searchBox_->closeCursor();
    if (dbComuni && dbComuni->isOpen())
        dbComuni->close();
    services_.program.end();
}

void Form1::lblSito_Click() { Module1::ApriCollegamento(*this, lblSito->text(), services_.shell); }

void Form1::lblIndirizzo_Click()
{
    Module1::ApriCollegamento(*this, Module1::CollegamentoPosta(lblIndirizzo->text(), services_.app), services_.shell);
}

void Form1::Image1_Click() { showAboutWindow(*this, services_); }

void Form1::showResultMenu(const QPoint& globalPos)
{
    // The field's standard menu (Copia, Seleziona tutto...) as the other
    // fields have it, and the check after them.
    QMenu* menu = txtCodiceFiscale->createStandardContextMenu();
    menu->setObjectName(QStringLiteral("mnuCodiceFiscale"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addSeparator();
    QAction* verifica = menu->addAction(QStringLiteral("&Verifica codice fiscale..."));
    verifica->setObjectName(QStringLiteral("mnuVerifica"));
    verifica->setShortcut(kVerificaKey); // shown beside the entry; outside the menu the card's own shortcut serves
    verifica->setShortcutContext(Qt::WidgetShortcut);
    connect(verifica, &QAction::triggered, this, &Form1::mnuVerifica_Click);
    menu->popup(globalPos);
}

void Form1::mnuVerifica_Click()
{
    showVerifyWindow(*this, services_, [this] { return cardPerson(); });
}

CardPerson Form1::cardPerson() const
{
    CardPerson person;
    person.code = txtCodiceFiscale->text();
    person.surname = txtCognome->text();
    person.name = txtNome->text();
    readsAsDate(txtDataNascita->text(), &person.birthDate);
    person.sex = cboSesso->currentText();
    person.placeText = Text1->text();
    // The record Elabora would compute with, by the same rules; a place not
    // in force on the date counts, as Elabora takes it when the user agrees.
    if (!platform::trimBlanks(person.placeText).isEmpty() && person.birthDate.isValid() && dbComuni
        && dbComuni->isOpen()) {
        try {
            const registro::PlaceChoice choice = registro::choosePlace(
                *dbComuni, person.placeText, person.birthDate, registro::ShownPlace{Text3->text(), Text2->text()});
            if (choice.outcome == registro::PlaceChoice::Chosen || choice.outcome == registro::PlaceChoice::NotInForce)
                person.placeCode = choice.place.code;
        } catch (const platform::Error&) {
            // An unreadable register leaves the place unchosen.
        }
    }
    return person;
}
