#include "WindowOwner.h"

namespace platform {

namespace {

class WindowOwner : public QObject {
    Q_OBJECT
public:
    WindowOwner(QWidget& parent, const QString& key) : QObject(&parent) { setObjectName(key); }
    std::unique_ptr<QWidget> window;
};

WindowOwner* ownerOf(QWidget& parent, const QString& key)
{
    return parent.findChild<WindowOwner*>(key, Qt::FindDirectChildrenOnly);
}

} // namespace

QWidget& ownedWindow(QWidget& parent, const QString& key, const std::function<std::unique_ptr<QWidget>()>& make,
                     bool* made)
{
    WindowOwner* owner = ownerOf(parent, key);
    if (!owner)
        owner = new WindowOwner(parent, key);
    if (owner->window && owner->window->isHidden())
        owner->window.reset(); // closed: the next one loads afresh
    if (made)
        *made = !owner->window;
    if (!owner->window)
        owner->window = make();
    return *owner->window;
}

void dropOwnedWindow(QWidget& parent, const QString& key) { delete ownerOf(parent, key); }

} // namespace platform

#include "WindowOwner.moc"
