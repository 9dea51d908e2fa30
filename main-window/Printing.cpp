#include "Form1.h"

#include <QLabel>
#include <QPushButton>

void Form1::cmdStampa_Click()
{
    // Every step runs, whatever went wrong before it: a failed print still
    // gives the buttons and the border back.
    const auto step = [this](auto&& action) {
        try {
            action();
        } catch (...) {
            services_.beeper.beep();
            showMessage(QStringLiteral("Impossibile stampare."));
        }
    };

    // The page shows the card alone: no buttons, no border, no update note.
    step([this] { cmdStampa->setVisible(false); });
    step([this] { cmdElabora->setVisible(false); });
    step([this] { cmdEsci->setVisible(false); });
    step([this] { setBorderStyle(0); });
    step([this] { Label6->setVisible(false); });
    step([this] { repaint(); });
    step([this] { services_.printer.printWindow(*this); });
    step([this] { cmdStampa->setVisible(true); });
    step([this] { cmdElabora->setVisible(true); });
    step([this] { cmdEsci->setVisible(true); });
    step([this] { setBorderStyle(1); });
    step([this] { Label6->setVisible(true); });
    step([this] { repaint(); });
}

void Form1::setBorderStyle(int style)
{
    if (style == borderStyle_ || (style != 0 && style != 1))
        return;
    // New flags hide a shown window and may move it: put it back where it
    // was, as it was.
    const bool wasShown = isVisible();
    const bool wasActive = isActiveWindow();
    if (style == 0) {
        borderedFlags_ = windowFlags();
        borderedPos_ = pos();
        // The client area stays where it is on the screen.
        const QPoint clientPos = geometry().topLeft();
        setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
        move(clientPos);
    } else {
        setWindowFlags(borderedFlags_);
        move(borderedPos_);
    }
    borderStyle_ = style;
    if (wasShown)
        show();
    if (wasActive)
        activateWindow();
}
