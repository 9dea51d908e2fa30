#pragma once
// A window's client area as it is drawn, kept as plain drawing commands that
// can be laid on any paper later, in any thread: filled outlines, opaque
// pictures and lines of text. What would need transparency on paper is
// flattened when taken: pictures onto what lies beneath them, translucent
// colours into the opaque colour they show. Printing chains that meet
// transparency (PostScript printers, Ghostscript) turn the whole page into
// one coarse picture.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainterPath>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QTransform>
#include <memory>
#include <optional>
#include <vector>

class QWidget;

namespace platform {

class PagePicture {
public:
    // One drawing, in pixels of the window on a 96 dpi screen (y down).
    struct Command {
        enum Kind { Fill, Picture, Text };
        Kind kind = Fill;
        std::optional<QPainterPath> clip; // in the window's pixels: all the drawing may cover
        QColor colour; // Fill, Text; opaque
        QPainterPath outline; // Fill: in the window's pixels, with its fill rule
        QTransform transform; // Picture, Text: from their own coordinates to the window's pixels
        QImage image; // Picture: opaque
        QRectF target; // Picture: where the image goes
        QString text; // Text: one line, drawn from `origin` on its base line
        QFont font;
        qreal pixelSize = 0; // Text: the font's size in pixels
        QPointF origin;
    };

    PagePicture() = default;
    // The window and its children as drawn now. Call on the thread of the window.
    static PagePicture of(QWidget& window);

    bool isNull() const { return !commands_; }
    // In pixels of a 96 dpi screen.
    QSize size() const { return size_; }
    // In drawing order.
    const std::vector<Command>& commands() const;

private:
    std::shared_ptr<const std::vector<Command>> commands_;
    QSize size_;
};

} // namespace platform
