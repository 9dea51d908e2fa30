#include "Form1.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QWindow>

void Form1::cmdStampa_Click()
{
    // One card at a time: a press while the last one is on its way (a
    // double-click) prints nothing.
    if (printing_)
        return;
    // The card must not hand out a code beside data it is not the code of.
    if (!codeMatchesCard() && !services_.messageBox.ask(this, staleCodeNote() + QStringLiteral(" Stampare comunque?")))
        return;

    // Every step runs, whatever went wrong before it: a failed print still
    // gives the buttons and the border back.
    const auto step = [this](auto&& action) {
        try {
            action();
        } catch (const platform::Error& error) {
            reportPrintFailure(error.description);
        } catch (...) {
            reportPrintFailure(QString());
        }
    };

    // A hidden button that has the focus hands it on as Tab would, and a line
    // edit reached by Tab selects all its text, on the page too. The window
    // itself holds the focus while the buttons are away, and gives it back.
    const QPointer<QWidget> focused = focusWidget();
    if (focused == cmdStampa || focused == cmdElabora || focused == cmdEsci)
        setFocus(Qt::OtherFocusReason);

    // The page shows the card alone: no buttons, no border, no update note.
    // Only taking it needs the window so; the printing system gets it after.
    std::optional<platform::PagePicture> page;
    step([this] { cmdStampa->setVisible(false); });
    step([this] { cmdElabora->setVisible(false); });
    step([this] { cmdEsci->setVisible(false); });
    step([this] { setBorderStyle(0); });
    step([this] { Label6->setVisible(false); });
    step([this] { repaint(); });
    step([&] { page = services_.printer.render(*this); });
    step([this] { cmdStampa->setVisible(true); });
    step([this] { cmdElabora->setVisible(true); });
    step([this] { cmdEsci->setVisible(true); });
    step([this] { setBorderStyle(1); });
    step([this] { Label6->setVisible(true); });
    step([this] { repaint(); });

    if (focused && focused != focusWidget())
        focused->setFocus(Qt::OtherFocusReason);
    if (page)
        step([&] { sendToPrinter(*page); });
}

// The window stays live while the printing system works; its answer comes
// back as an event, and a failure is told then.
void Form1::sendToPrinter(const platform::PagePicture& page)
{
    printing_ = true;
    try {
        services_.printer.print(page, this, [this](const std::optional<platform::Error>& failure) {
            printing_ = false;
            if (failure)
                reportPrintFailure(failure->description);
        });
    } catch (...) {
        printing_ = false;
        throw;
    }
}

void Form1::reportPrintFailure(const QString& reason)
{
    services_.beeper.beep();
    showMessage(reason.isEmpty() ? QStringLiteral("Impossibile stampare.")
                                 : QStringLiteral("Impossibile stampare.\n") + reason);
}

void Form1::setBorderStyle(int style)
{
    if (style == borderStyle_ || (style != 0 && style != 1))
        return;
    // The new flags go straight to the shown window: setWindowFlags would hide
    // it and show it again, and so take its active state, its focus and the
    // selection of a line edit away.
    if (style == 0) {
        borderedFlags_ = windowFlags();
        borderedPos_ = pos();
    }
    const Qt::WindowFlags flags = style == 0 ? Qt::Window | Qt::FramelessWindowHint : borderedFlags_;
    overrideWindowFlags(flags);
    if (QWindow* window = windowHandle())
        window->setFlags(flags);
    // A window manager may have moved it while it had no frame.
    if (style == 1 && pos() != borderedPos_)
        move(borderedPos_);
    borderStyle_ = style;
}
