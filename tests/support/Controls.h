#pragma once
// The windows' controls, found once by their object names, so tests drive
// the real widgets without reaching into the windows' private members.

#include "ClickLabel.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace testing {

// One character typed as a keyboard sends it: the key pressed, then released,
// each carrying the character; for a capital, Shift held and let go before
// the letter, as people type.
inline void typeKey(QWidget* widget, QChar c)
{
    const auto key = Qt::Key(c.toUpper().unicode());
    QKeyEvent press(QEvent::KeyPress, key, c.isUpper() ? Qt::ShiftModifier : Qt::NoModifier, QString(c));
    QApplication::sendEvent(widget, &press);
    if (c.isUpper())
        QTest::keyRelease(widget, Qt::Key_Shift, Qt::ShiftModifier);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(c));
    QApplication::sendEvent(widget, &release);
}

// The named child of `window`; a test that asks for a control the window
// does not have stops at once.
template <typename T> T* control(const QWidget& window, const char* name)
{
    T* found = window.findChild<T*>(QLatin1String(name));
    if (!found)
        qFatal("%s has no %s named %s", qPrintable(window.objectName()), T::staticMetaObject.className(), name);
    return found;
}

struct Form1Controls {
    explicit Form1Controls(const QWidget& form)
        : Image1(control<ClickLabel>(form, "Image1")), lblCopyRightBy(control<QLabel>(form, "lblCopyRightBy")),
          lblIndirizzo(control<ClickLabel>(form, "lblIndirizzo")), lblSito(control<ClickLabel>(form, "lblSito")),
          lblRepubblica(control<QLabel>(form, "lblRepubblica")), lblItaliana(control<QLabel>(form, "lblItaliana")),
          Label5(control<QLabel>(form, "Label5")), txtCodiceFiscale(control<QLineEdit>(form, "txtCodiceFiscale")),
          lblTitolo(control<QLabel>(form, "lblTitolo")), txtCognome(control<QLineEdit>(form, "txtCognome")),
          Label1(control<QLabel>(form, "Label1")), txtNome(control<QLineEdit>(form, "txtNome")),
          Label3(control<QLabel>(form, "Label3")), cboSesso(control<QComboBox>(form, "cboSesso")),
          Label2(control<QLabel>(form, "Label2")), txtDataNascita(control<QLineEdit>(form, "txtDataNascita")),
          Text3(control<QLineEdit>(form, "Text3")), Label4(control<QLabel>(form, "Label4")),
          Text1(control<QLineEdit>(form, "Text1")), Text2(control<QLineEdit>(form, "Text2")),
          cmdElabora(control<QPushButton>(form, "cmdElabora")), cmdStampa(control<QPushButton>(form, "cmdStampa")),
          cmdEsci(control<QPushButton>(form, "cmdEsci")), Label6(control<QLabel>(form, "Label6"))
    {}
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
};

struct AboutControls {
    explicit AboutControls(const QWidget& about)
        : Image1(control<QLabel>(about, "Image1")), lblTitle(control<QLabel>(about, "lblTitle")),
          lblVersion(control<QLabel>(about, "lblVersion")), lblCopyRightBy(control<QLabel>(about, "lblCopyRightBy")),
          lblIndirizzo(control<ClickLabel>(about, "lblIndirizzo")), Label5(control<ClickLabel>(about, "Label5")),
          lblDisclaimer(control<QLabel>(about, "lblDisclaimer")), cmdOK(control<QPushButton>(about, "cmdOK"))
    {}
    QLabel* Image1;
    QLabel* lblTitle;
    QLabel* lblVersion;
    QLabel* lblCopyRightBy;
    ClickLabel* lblIndirizzo;
    ClickLabel* Label5;
    QLabel* lblDisclaimer;
    QPushButton* cmdOK;
};

struct VerificaControls {
    explicit VerificaControls(const QWidget& window)
        : txtCodice(control<QLineEdit>(window, "txtCodice")), lblEsito(control<QLabel>(window, "lblEsito")),
          lblSesso(control<QLabel>(window, "lblSesso")), lblDataNascita(control<QLabel>(window, "lblDataNascita")),
          lblLuogo(control<QLabel>(window, "lblLuogo")), lblOmocodia(control<QLabel>(window, "lblOmocodia")),
          lblCodiceBase(control<QLabel>(window, "lblCodiceBase")), lblScheda(control<QLabel>(window, "lblScheda")),
          cmdChiudi(control<QPushButton>(window, "cmdChiudi"))
    {}
    QLineEdit* txtCodice;
    QLabel* lblEsito;
    QLabel* lblSesso;
    QLabel* lblDataNascita;
    QLabel* lblLuogo;
    QLabel* lblOmocodia;
    QLabel* lblCodiceBase;
    QLabel* lblScheda;
    QPushButton* cmdChiudi;
};

} // namespace testing
