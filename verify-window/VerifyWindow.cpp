#include "VerifyWindow.h"

#include "frmVerifica.h"

#include <QWidget>
#include <memory>

namespace {

// The one owner of a card's window, as for the About window: a child object
// of the card, so the window goes with it; a window the user closed is only
// hidden, and is deleted here when the next request loads a fresh one.
class VerifyWindowOwner : public QObject {
    Q_OBJECT
public:
    explicit VerifyWindowOwner(QWidget& card) : QObject(&card) {}
    std::unique_ptr<frmVerifica> window;
};

} // namespace

void showVerifyWindow(QWidget& card, platform::Services& services, ReadCard readCard)
{
    auto* owner = card.findChild<VerifyWindowOwner*>(QString(), Qt::FindDirectChildrenOnly);
    if (!owner)
        owner = new VerifyWindowOwner(card);
    if (owner->window && owner->window->isHidden())
        owner->window.reset();
    if (!owner->window) {
        owner->window = std::make_unique<frmVerifica>(services, std::move(readCard));
        owner->window->placeBeside(card);
    }
    owner->window->setWindowState(owner->window->windowState() & ~Qt::WindowMinimized);
    owner->window->show();
    owner->window->raise();
    owner->window->activateWindow();
}

void dropVerifyWindow(QWidget& card)
{
    delete card.findChild<VerifyWindowOwner*>(QString(), Qt::FindDirectChildrenOnly);
}

#include "VerifyWindow.moc"
