#include "Accessibility.h"

#include "ClickLabel.h"
#include "Text.h"

#include <QAccessibleWidget>
#include <QDialog>
#include <QSet>

namespace accessibility {
namespace {

QSet<QString>& windowClasses()
{
    static QSet<QString> classes;
    return classes;
}

// A window of the program: only the children it shows, or would show once it
// is shown itself.
class Window : public QAccessibleWidget {
public:
    explicit Window(QWidget* window)
        : QAccessibleWidget(window, qobject_cast<QDialog*>(window) ? QAccessible::Dialog : QAccessible::Window)
    {}
    int childCount() const override { return int(shown().size()); }
    QAccessibleInterface* child(int index) const override
    {
        const QList<QWidget*> children = shown();
        return index >= 0 && index < children.size() ? QAccessible::queryAccessibleInterface(children[index]) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        return child ? int(shown().indexOf(qobject_cast<QWidget*>(child->object()))) : -1;
    }

private:
    QList<QWidget*> shown() const
    {
        QList<QWidget*> children;
        for (QObject* o : widget()->children())
            if (auto* w = qobject_cast<QWidget*>(o); w && !w->isWindow() && w->isVisibleTo(widget()))
                children << w;
        return children;
    }
};

// A clickable label or picture: a link named by its tooltip, what it does,
// with its text (an address) as description, and pressed as a click.
class Link : public QAccessibleWidget {
public:
    explicit Link(ClickLabel* label) : QAccessibleWidget(label, QAccessible::Link) {}
    QString text(QAccessible::Text t) const override
    {
        const auto* label = static_cast<const ClickLabel*>(widget());
        if (t == QAccessible::Name) {
            for (const QString& name : {label->accessibleName(), label->toolTip()})
                if (!name.isEmpty())
                    return name;
            return label->text();
        }
        return t == QAccessible::Description ? label->text() : QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& action) override
    {
        if (action == pressAction())
            static_cast<ClickLabel*>(widget())->click();
    }
};

QAccessibleInterface* factory(const QString& key, QObject* object)
{
    // Only the object's own class: a class derived from these is not meant.
    if (key != QLatin1String(object->metaObject()->className()))
        return nullptr;
    if (auto* label = qobject_cast<ClickLabel*>(object))
        return new Link(label);
    if (auto* window = qobject_cast<QWidget*>(object); window && window->isWindow() && windowClasses().contains(key))
        return new Window(window);
    return nullptr;
}

} // namespace

void presentWindow(const QMetaObject& windowClass)
{
    static const bool installed = (QAccessible::installFactory(factory), true);
    Q_UNUSED(installed);
    windowClasses().insert(QLatin1String(windowClass.className()));
}

void labelField(QLabel* caption, QWidget* field)
{
    caption->setBuddy(field);
    field->setAccessibleName(platform::trimBlanks(caption->text()));
}

} // namespace accessibility
