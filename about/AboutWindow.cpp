#include "AboutWindow.h"

#include "frmInformazioniSu.h"

#include <QWidget>
#include <memory>

namespace {

// The one owner of a parent's About window. It is a child object of the
// parent, so the window is deleted when the parent goes; a window closed by
// the user is only hidden, and is deleted here when the next request loads a
// fresh one. Nothing else ever deletes it.
class AboutWindowOwner : public QObject {
    Q_OBJECT
public:
    explicit AboutWindowOwner(QWidget& parent) : QObject(&parent) {}
    std::unique_ptr<frmInformazioniSu> window;
};

} // namespace

void showAboutWindow(QWidget& parent, platform::Services& services)
{
    auto* owner = parent.findChild<AboutWindowOwner*>(QString(), Qt::FindDirectChildrenOnly);
    if (!owner)
        owner = new AboutWindowOwner(parent);
    if (owner->window && owner->window->isHidden())
        owner->window.reset(); // closed: the next one loads afresh
    if (!owner->window)
        owner->window = std::make_unique<frmInformazioniSu>(services);
    owner->window->show();
    owner->window->raise();
    owner->window->activateWindow();
}

#include "AboutWindow.moc"
