#pragma once
// Helpers that turn the window designs (twips, points, RGB) into widgets.

#include <QColor>
#include <QFont>
#include <QRect>
#include <QWidget>

class QLabel;
class QPixmap;

namespace look {

// 15 twips make one pixel at 96 dots per inch.
constexpr int px(int twips) { return (twips + 7) / 15; }
inline QRect twips(int left, int top, int width, int height) { return QRect(px(left), px(top), px(width), px(height)); }

// A plain sans-serif in the window's point size. Sizes are fixed in pixels
// (points at 96 dpi) so texts keep fitting their controls on any screen.
QFont font(const QString& family, double points, bool bold = false, bool italic = false);
inline QFont sansSerif(double points, bool bold = false, bool italic = false)
{
    return font(QStringLiteral("MS Sans Serif"), points, bold, italic);
}

inline const QColor darkRed{128, 0, 0};
inline const QColor black{0, 0, 0};
inline const QColor navy{0, 0, 128};
inline const QColor blue{0, 0, 255};
inline const QColor grey{128, 128, 128};
// The result field's and the About window's light green.
inline const QColor lightGreen{192, 255, 192};

// Text colour of a widget (the palette's Text, WindowText and ButtonText
// roles).
QColor textColour(const QWidget* widget);
void setTextColour(QWidget* widget, const QColor& colour);
// An opaque background of the given colour (Window, Base and Button).
void setBackground(QWidget* widget, const QColor& colour);
// A field's text and the base it is typed on, set together: the desktop's
// palette never puts its own colour against one of the card's.
void setFieldColours(QWidget* field, const QColor& text, const QColor& base);

// A picture of the design in the screen's own pixels: `path` where a pixel
// is a pixel, else its drawing at twice the pixels (`sharpPath`) brought to
// the screen's ratio. Either way as large as designed, on screen and paper.
QPixmap picture(const QString& path, const QString& sharpPath, qreal devicePixelRatio);

// A control of a window design: named as designed (tests and the window's
// code find it by that name) and placed where the design puts it.
template <typename W> W* place(W* widget, const char* name, const QRect& rect)
{
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(rect);
    return widget;
}

// A caption on a card: opaque white, bold navy, right-aligned; `text` as
// shown, with the blanks the card ends its captions with.
QLabel* caption(QWidget* parent, const char* name, const QRect& rect, const QString& text);

} // namespace look
