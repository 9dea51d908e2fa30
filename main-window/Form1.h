#pragma once
// The main window, drawn like the Italian tax-code card.

#include "ComuniStore.h"
#include "Services.h"
#include "VerifyWindow.h"

#include <QDate>
#include <QList>
#include <QWidget>
#include <memory>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class ClickLabel;
class SearchBox;

class Form1 : public QWidget {
    Q_OBJECT
public:
    explicit Form1(platform::Services& services, QWidget* parent = nullptr);
    ~Form1() override;

    // The card decoration, in drawing order.
    struct Shape {
        QString name;
        enum Form { RoundedRectangle, Circle, Rectangle } form;
        QRect rect; // pixels
        QColor fill;
    };
    const QList<Shape>& shapes() const { return shapes_; }

    // 1: the fixed single border the window opens with; 0: no border at all
    // (the window is printed that way).
    int borderStyle() const { return borderStyle_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The window and its shapes; the controls, band by band of the card,
    // then what they run (Form1Layout.cpp).
    void buildWindow();
    void buildControls();
    void buildBand();
    void buildCaptions();
    void buildFields();
    void buildButtons();
    void connectHandlers();
    void setTabOrder();
    void showMessage(const QString& text);
    // A failed input check: beep, the message, then the focus in `field` with
    // its text selected, ready to be corrected.
    void refuse(QWidget* field, const QString& message);
    bool readsAsDate(const QString& text, QDate* date = nullptr) const;
    bool buttonEvent(QPushButton* button, QEvent* event);
    void apriComuni();
    void setBorderStyle(int style);
    void sendToPrinter(const platform::PagePicture& page);
    // The beep and "Impossibile stampare.", with the reason on a line of its own.
    void reportPrintFailure(const QString& reason);
    // What the code in the result field was computed from, compared by
    // meaning: the texts as the engine reads them, the date as a day.
    struct CodeInputs {
        QString surname, name;
        QDate born;
        QString sex, place, placeCode;
        bool operator==(const CodeInputs&) const = default;
    };
    CodeInputs cardInputs() const;
    // True when the result field is empty or holds the code of the card's
    // inputs as they are now.
    bool codeMatchesCard() const;
    // What a code that no longer matches the card says of itself.
    static QString staleCodeNote();
    void showCodeState();
    // The person the card holds now, for the window that checks a code.
    CardPerson cardPerson() const;
    // The result field's own context menu with the check added to it.
    void showResultMenu(const QPoint& globalPos);

    // Handlers.
    void Form_Load();
    void cmdElabora_Click();
    void txtDataNascita_LostFocus();
    void cmdStampa_Click();
    void lblSito_Click();
    void lblIndirizzo_Click();
    void Image1_Click();
    void cmdEsci_Click();
    void mnuVerifica_Click();

    // Controls, under their designed names; tests find them by these names.
    ClickLabel* Image1;
    QLabel* lblCopyRightBy;
    ClickLabel* lblIndirizzo;
    ClickLabel* lblSito;
    QLabel* lblRepubblica;
    QLabel* lblItaliana;
    QLabel* Label5;
    QLineEdit* txtCodiceFiscale;
    QLabel* lblTitolo;
    QLineEdit* txtCognome;
    QLabel* Label1;
    QLineEdit* txtNome;
    QLabel* Label3;
    QComboBox* cboSesso;
    QLabel* Label2;
    QLineEdit* txtDataNascita;
    QLineEdit* Text3;
    QLabel* Label4;
    QLineEdit* Text1;
    QLineEdit* Text2;
    QPushButton* cmdElabora;
    QPushButton* cmdStampa;
    QPushButton* cmdEsci;
    QLabel* Label6;

    platform::Services& services_;
    QList<Shape> shapes_;
    bool centred_ = false;
    int borderStyle_ = 1;
    bool printing_ = false; // a page is with the printing system
    std::optional<CodeInputs> codeInputs_; // of the code shown, once computed
    // The flags and place of the bordered window, kept while it has none.
    Qt::WindowFlags borderedFlags_;
    QPoint borderedPos_;

    // The municipality register, open from load until the close command; the
    // search box holds its cursor.
    std::unique_ptr<registro::Database> dbComuni;
    std::unique_ptr<SearchBox> searchBox_;
    // The newest day the register's data know of; null when it does not say.
    QDate dataDate_;
};
