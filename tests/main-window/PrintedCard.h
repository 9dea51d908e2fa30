#pragma once
// What the printing tests look at on the card: the window's state around a
// print, and whether the buttons and the update note show in a picture of it.

#include "Controls.h"
#include "Form1.h"

#include <QImage>
#include <QList>
#include <QRect>
#include <initializer_list>

namespace testing {

struct CardState {
    int controls; // of the three buttons and the update note: 1 all shown, 0 none, -1 some
    bool shown;
    int border;
    Qt::WindowFlags flags;
    QPoint pos;
};

inline CardState stateOf(const Form1& form)
{
    const Form1Controls ui(form);
    int shown = 0;
    for (const QWidget* w : std::initializer_list<const QWidget*>{ui.cmdStampa, ui.cmdElabora, ui.cmdEsci, ui.Label6})
        shown += w->isVisible();
    return {shown == 4 ? 1 : (shown == 0 ? 0 : -1), form.isVisible(), form.borderStyle(), form.windowFlags(),
            form.pos()};
}

// True when every pixel of the area has one colour.
inline bool plain(const QImage& image, const QRect& area)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixel(x, y) != image.pixel(area.topLeft()))
                return false;
    return true;
}

// Where the buttons and the note are, a little shrunk so blurred edges do not count.
inline QList<QRect> controlAreas(const Form1& form, const QPoint& offset = {})
{
    const Form1Controls ui(form);
    QList<QRect> areas;
    for (const QWidget* w : std::initializer_list<const QWidget*>{ui.cmdElabora, ui.cmdStampa, ui.cmdEsci, ui.Label6})
        areas << w->geometry().translated(offset).adjusted(2, 2, -2, -2);
    return areas;
}

} // namespace testing
