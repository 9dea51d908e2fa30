#pragma once
// The window that reads a fiscal code back: one field to type or paste a
// code into, and, as it changes, the verdict with its reason, the sex, the
// birth date, the place from the register, the homonym level with the plain
// code, and whether the code fits the person on the card.

#include "ComuniStore.h"
#include "Record.h"
#include "Services.h"
#include "VerifyWindow.h"

#include <QHash>
#include <QWidget>
#include <memory>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;

class frmVerifica : public QWidget {
    Q_OBJECT
public:
    // A top-level window of its own, without owner, its code field holding
    // the card's code. It opens the register beside the executable itself;
    // without it, places are shown by their code. Closing it only hides it;
    // showVerifyWindow() decides when it goes.
    frmVerifica(platform::Services& services, ReadCard readCard);
    ~frmVerifica() override;
    // Moves the window next to the card if the screen has room for it there.
    void placeBeside(const QWidget& card);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void buildControls();
    void apriComuni();
    // Reads the code field (and the card) again and shows what they say.
    void txtCodice_Change();
    void cmdChiudi_Click();
    void showPlace(const QString& code, const QDate& born, const QDate& earlier);
    void showCard(const QString& code, bool readable);
    const std::vector<registro::Record>& recordsWithCode(const QString& code);

    // Controls under their names; tests find them by these names.
    QLabel* Label1;
    QLineEdit* txtCodice;
    QLabel* Label2;
    QLabel* lblEsito;
    QLabel* Label3;
    QLabel* lblSesso;
    QLabel* Label4;
    QLabel* lblDataNascita;
    QLabel* Label5;
    QLabel* lblLuogo;
    QLabel* Label6;
    QLabel* lblOmocodia;
    QLabel* Label7;
    QLabel* lblCodiceBase;
    QLabel* Label8;
    QLabel* lblScheda;
    QPushButton* cmdChiudi;

    platform::Services& services_;
    ReadCard readCard_;
    QRect card_; // the white card, pixels
    // The register, read only; null when it could not be opened.
    std::unique_ptr<registro::Database> dbComuni;
    // Records by code, so typing does not query the register at each key.
    QHash<QString, std::vector<registro::Record>> byCode_;
};
