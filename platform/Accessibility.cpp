#include "Accessibility.h"

#include "ClickLabel.h"
#include "Text.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QComboBox>
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

// A pick-only list that has a name of its own (its caption's). Qt's own
// list takes, on Linux, its shown item as its name, so a screen reader heard
// "M" where the card says "Sesso"; here the item is the list's value.
class NamedList : public QAccessibleWidget {
public:
    explicit NamedList(QComboBox* list) : QAccessibleWidget(list, QAccessible::ComboBox) {}
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Value ? list()->currentText() : QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.expandable = true;
        state.expanded = list()->view()->isVisible();
        return state;
    }
    // The items, as Qt's own list offers them.
    int childCount() const override { return 1; }
    QAccessibleInterface* child(int index) const override
    {
        return index == 0 ? QAccessible::queryAccessibleInterface(list()->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        return child && child->object() == list()->view() ? 0 : -1;
    }
    QStringList actionNames() const override { return {showMenuAction(), pressAction()}; }
    void doAction(const QString& action) override
    {
        if (action != showMenuAction() && action != pressAction())
            return;
        if (list()->view()->isVisible())
            list()->hidePopup();
        else
            list()->showPopup();
    }

private:
    QComboBox* list() const { return static_cast<QComboBox*>(widget()); }
};

QAccessibleInterface* factory(const QString& key, QObject* object)
{
    // Only the object's own class: a class derived from these is not meant.
    if (key != QLatin1String(object->metaObject()->className()))
        return nullptr;
    if (auto* label = qobject_cast<ClickLabel*>(object))
        return new Link(label);
    if (auto* list = qobject_cast<QComboBox*>(object); list && !list->isEditable() && !list->accessibleName().isEmpty())
        return new NamedList(list);
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
