#include "Form1.h"

#include "AboutWindow.h"
#include "Accessibility.h"
#include "CalcoloCodFis.h"
#include "ClickLabel.h"
#include "Copyright.h"
#include "DateParser.h"
#include "Look.h"
#include "Module1.h"
#include "PersonCheck.h"
#include "PlaceChoice.h"
#include "RegisterSql.h"
#include "SearchBox.h"
#include "Text.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QShortcutEvent>

namespace {

// Opens the window that checks a fiscal code; no control of the card uses it.
const QKeySequence kVerificaKey{Qt::Key_F2};

} // namespace

Form1::Form1(platform::Services& services, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      services_(services)
{
    accessibility::presentWindow(staticMetaObject);
    buildWindow();
    buildControls();
    setTabOrder();
    Form_Load();
    txtCognome->setFocus(Qt::OtherFocusReason);
}

Form1::~Form1() { dropVerifyWindow(*this); }

void Form1::connectHandlers()
{
    connect(cmdElabora, &QPushButton::clicked, this, &Form1::cmdElabora_Click);
    connect(cmdStampa, &QPushButton::clicked, this, &Form1::cmdStampa_Click);
    connect(cmdEsci, &QPushButton::clicked, this, &Form1::cmdEsci_Click);
    connect(lblSito, &ClickLabel::clicked, this, &Form1::lblSito_Click);
    connect(lblIndirizzo, &ClickLabel::clicked, this, &Form1::lblIndirizzo_Click);
    connect(Image1, &ClickLabel::clicked, this, &Form1::Image1_Click);

    for (QLineEdit* input : {txtCognome, txtNome, txtDataNascita, Text1, Text3})
        connect(input, &QLineEdit::textChanged, this, &Form1::showCodeState);
    connect(cboSesso, &QComboBox::currentIndexChanged, this, &Form1::showCodeState);

    auto* verifica = new QShortcut(kVerificaKey, this);
    verifica->setObjectName(QStringLiteral("shortcutVerifica"));
    connect(verifica, &QShortcut::activated, this, &Form1::mnuVerifica_Click);
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

void Form1::refuse(QWidget* field, const QString& message)
{
    services_.beeper.beep();
    showMessage(message);
    field->setFocus(Qt::OtherFocusReason);
    if (auto* text = qobject_cast<QLineEdit*>(field))
        text->selectAll();
}

void Form1::cmdElabora_Click()
{
    QDate born;
    if (const auto fault = platform::checkPerson(
            {txtCognome->text(), txtNome->text(), txtDataNascita->text(), cboSesso->currentText(), Text1->text()},
            services_.locale, services_.clock.today(), &born)) {
        QWidget* const fields[] = {txtCognome, txtNome, txtDataNascita, cboSesso, Text1};
        return refuse(fields[fault->field], fault->message);
    }

    // Only a record of the register that bears the name shown and fits the
    // birth date gives the place code; the boxes then show that record.
    registro::PlaceChoice place;
    try {
        if (!dbComuni || !dbComuni->isOpen())
            return refuse(Text1, registro::notInRegisterMessage());
        place =
            registro::choosePlace(*dbComuni, Text1->text(), born, registro::ShownPlace{Text3->text(), Text2->text()});
    } catch (const platform::Error& error) {
        return refuse(Text1, platform::errorText(error));
    }
    if (place.outcome == registro::PlaceChoice::NotInForce) {
        if (!services_.messageBox.ask(this, registro::notInForceQuestion(place.place, born, dataDate_, place.named)))
            return;
    } else if (place.outcome == registro::PlaceChoice::Ambiguous) {
        return refuse(Text1, registro::severalPlacesMessage(Text1->text(), platform::italianDate(born),
                                                            registro::describePlaces(place.named))
                                 + QStringLiteral(" Scegliere il luogo nell'elenco."));
    } else if (place.outcome != registro::PlaceChoice::Chosen) {
        return refuse(Text1, registro::notInRegisterMessage(dataDate_, born));
    }
    searchBox_->showPlace(place.place);

    txtCognome->setText(platform::upperCase(txtCognome->text()));
    txtNome->setText(platform::upperCase(txtNome->text()));

    txtCodiceFiscale->setText(
        ::CalcoloCodFis(txtCognome->text(), txtNome->text(), born, cboSesso->currentText(), place.place.code));
    codeInputs_ = cardInputs();
    showCodeState();
}

Form1::CodeInputs Form1::cardInputs() const
{
    CodeInputs inputs{platform::upperCase(platform::trimBlanks(txtCognome->text())),
                      platform::upperCase(platform::trimBlanks(txtNome->text())),
                      {},
                      cboSesso->currentText(),
                      platform::upperCase(platform::trimBlanks(Text1->text())),
                      Text3->text()};
    readsAsDate(txtDataNascita->text(), &inputs.born);
    return inputs;
}

QString Form1::staleCodeNote() { return QStringLiteral("Il codice fiscale non corrisponde ai dati della scheda."); }

bool Form1::codeMatchesCard() const
{
    return txtCodiceFiscale->text().isEmpty() || (codeInputs_ && *codeInputs_ == cardInputs());
}

void Form1::showCodeState()
{
    // The code stays, to be copied, but says by its colour, and to a screen
    // reader in words, that the card has moved on from the person it was
    // computed for.
    const bool matches = codeMatchesCard();
    look::setTextColour(txtCodiceFiscale, matches ? look::navy : look::grey);
    txtCodiceFiscale->setAccessibleDescription(matches ? QString() : staleCodeNote());
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

void Form1::apriComuni()
{
    // Each step leaves what it opened in place, so a later failure leaves the
    // register partly open; the window opens and works all the same.
    try {
        dbComuni = registro::Database::openBeside(services_.app.executableDir);
        searchBox_->setCursor(dbComuni->openRecordset(registro::sql::kTable));
        searchBox_->cursor()->setIndex(registro::sql::kIndex);
    } catch (const platform::Error& error) {
        showMessage(platform::errorText(error));
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
