#include "Look.h"

#include <QLabel>
#include <QPalette>
#include <QPixmap>
#include <cmath>

namespace look {

QFont font(const QString& family, double points, bool bold, bool italic)
{
    QFont f;
    // The designed face first, then faces of the same width class.
    f.setFamilies({family, QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), QStringLiteral("DejaVu Sans")});
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(static_cast<int>(std::lround(points * 96.0 / 72.0)));
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

QColor textColour(const QWidget* widget) { return widget->palette().color(QPalette::Text); }

void setTextColour(QWidget* widget, const QColor& colour)
{
    QPalette p = widget->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        p.setColor(group, QPalette::Text, colour);
        p.setColor(group, QPalette::WindowText, colour);
        p.setColor(group, QPalette::ButtonText, colour);
    }
    widget->setPalette(p);
}

void setBackground(QWidget* widget, const QColor& colour)
{
    QPalette p = widget->palette();
    for (const auto role : {QPalette::Window, QPalette::Base, QPalette::Button})
        p.setColor(role, colour);
    widget->setPalette(p);
    widget->setAutoFillBackground(true);
}

void setFieldColours(QWidget* field, const QColor& text, const QColor& base)
{
    setTextColour(field, text);
    QPalette p = field->palette();
    p.setColor(QPalette::Base, base);
    field->setPalette(p);
}

QPixmap picture(const QString& path, const QString& sharpPath, qreal devicePixelRatio)
{
    const QPixmap designed(path);
    if (devicePixelRatio <= 1)
        return designed;
    const QSize pixels = (QSizeF(designed.size()) * devicePixelRatio).toSize();
    QImage sharp(sharpPath);
    if (sharp.size() != pixels)
        sharp = sharp.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QPixmap shown = QPixmap::fromImage(sharp);
    shown.setDevicePixelRatio(devicePixelRatio);
    return shown;
}

QLabel* caption(QWidget* parent, const char* name, const QRect& rect, const QString& text)
{
    auto* label = place(new QLabel(text, parent), name, rect);
    label->setFont(sansSerif(8.25, true));
    setBackground(label, Qt::white);
    setTextColour(label, navy);
    label->setAlignment(Qt::AlignRight | Qt::AlignTop);
    return label;
}

} // namespace look
