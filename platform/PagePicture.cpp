#include "PagePicture.h"

#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPathStroker>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <functional>

namespace platform {

namespace {

using Command = PagePicture::Command;
using Paint = std::function<void(QPainter&)>;

constexpr int kScreenDotsPerInch = 96;
// Pixels per screen pixel of what only a picture can show (gradients,
// textures): 288 dpi, finer than the eye on paper.
constexpr int kPictureScale = 3;
constexpr int kLargestPicture = 4096;

// The colour the screen shows where `colour`, at `opacity`, lies over `below`.
QColor over(const QColor& colour, const QColor& below, qreal opacity)
{
    const qreal alpha = colour.alphaF() * opacity;
    const auto mix = [alpha](qreal top, qreal bottom) { return top * alpha + bottom * (1 - alpha); };
    return QColor::fromRgbF(mix(colour.redF(), below.redF()), mix(colour.greenF(), below.greenF()),
                            mix(colour.blueF(), below.blueF()));
}

// The area a pen covers along a path, in the window's pixels.
QPainterPath outlineOf(const QPainterPath& path, const QPen& pen, const QTransform& transform)
{
    QPainterPathStroker stroker(pen);
    if (pen.isCosmetic() || pen.widthF() <= 0) { // as wide on any scale
        stroker.setWidth(pen.widthF() > 0 ? pen.widthF() : 1);
        return stroker.createStroke(transform.map(path));
    }
    return transform.map(stroker.createStroke(path));
}

// What the painter draws with now, its clip aside.
struct Tools {
    QTransform transform; // to the window's pixels
    QPen pen;
    QBrush brush;
    QPointF brushOrigin;
    QFont font;
    QPainter::RenderHints hints;
    qreal opacity = 1.0;
};

// Takes the drawings a widget makes as commands, keeping beside them a copy
// of what the screen shows so far: the colour beneath each drawing.
class Recorder final : public QPaintEngine {
public:
    explicit Recorder(QSize size) : QPaintEngine(AllFeatures), shown_(size, QImage::Format_RGB32)
    {
        shown_.fill(Qt::white);
    }
    std::vector<Command> take() { return std::move(commands_); }

    bool begin(QPaintDevice*) override { return screen_.begin(&shown_); }
    bool end() override { return screen_.end(); }
    Type type() const override { return User; }
    void updateState(const QPaintEngineState& state) override;

    void drawPath(const QPainterPath& path) override { addPath(path, tools_.brush); }
    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override;
    void drawPolygon(const QPoint* points, int count, PolygonDrawMode mode) override
    {
        QPolygonF polygon;
        for (int i = 0; i < count; ++i)
            polygon << points[i];
        drawPolygon(polygon.constData(), count, mode);
    }
    void drawPixmap(const QRectF& r, const QPixmap& pixmap, const QRectF& sr) override
    {
        addPicture(r, sr.size(), [&](QPainter& p) { p.drawPixmap(r, pixmap, sr); });
    }
    void drawImage(const QRectF& r, const QImage& image, const QRectF& sr, Qt::ImageConversionFlags) override
    {
        addPicture(r, sr.size(), [&](QPainter& p) { p.drawImage(r, image, sr); });
    }
    void drawTiledPixmap(const QRectF& r, const QPixmap& pixmap, const QPointF& s) override
    {
        addPicture(r, r.size() * pixmap.devicePixelRatio(), [&](QPainter& p) { p.drawTiledPixmap(r, pixmap, s); });
    }
    void drawTextItem(const QPointF& at, const QTextItem& item) override;

private:
    void clipTo(const QPainterPath& path, Qt::ClipOperation operation);
    std::optional<QPainterPath> clip() const;
    Command start(Command::Kind kind) const
    {
        Command command;
        command.kind = kind;
        command.clip = clip();
        return command;
    }
    QColor below(const QPointF& at) const;
    void applyTools(QPainter& painter, const QTransform& transform) const;
    void paintShown(const Paint& paint);
    void addPath(const QPainterPath& path, const QBrush& brush);
    void addFill(const QPainterPath& area, const QBrush& brush, const QPointF& spot, const Paint& paint);
    void addPicture(const QRectF& area, const QSizeF& pixels, const Paint& paint,
                    const std::optional<QPainterPath>& within = std::nullopt);

    QImage shown_; // the window as the screen shows it, so far
    QPainter screen_; // paints shown_
    Tools tools_;
    QPainterPath clip_; // in the window's pixels
    bool hasClip_ = false;
    bool clipEnabled_ = false;
    std::vector<Command> commands_;
};

void Recorder::updateState(const QPaintEngineState& state)
{
    const DirtyFlags dirty = state.state();
    // The transform first: a clip given with it is in its coordinates.
    if (dirty & DirtyTransform)
        tools_.transform = state.transform();
    if (dirty & DirtyPen)
        tools_.pen = state.pen();
    if (dirty & DirtyBrush)
        tools_.brush = state.brush();
    if (dirty & DirtyBrushOrigin)
        tools_.brushOrigin = state.brushOrigin();
    if (dirty & DirtyFont)
        tools_.font = state.font();
    if (dirty & DirtyHints)
        tools_.hints = state.renderHints();
    if (dirty & DirtyOpacity)
        tools_.opacity = state.opacity();
    if (dirty & DirtyClipEnabled)
        clipEnabled_ = state.isClipEnabled();
    if (dirty & DirtyClipRegion) {
        QPainterPath path;
        path.addRegion(state.clipRegion());
        clipTo(path, state.clipOperation());
    }
    if (dirty & DirtyClipPath)
        clipTo(state.clipPath(), state.clipOperation());
}

void Recorder::clipTo(const QPainterPath& path, Qt::ClipOperation operation)
{
    if (operation == Qt::NoClip) {
        hasClip_ = false;
        return;
    }
    const QPainterPath mapped = tools_.transform.map(path);
    clip_ = operation == Qt::IntersectClip && hasClip_ ? clip_.intersected(mapped) : mapped;
    hasClip_ = true;
    clipEnabled_ = true;
}

// The clip the painter and the widget being drawn set, if any.
std::optional<QPainterPath> Recorder::clip() const
{
    std::optional<QPainterPath> clip;
    if (clipEnabled_ && hasClip_)
        clip = clip_;
    // The widget being drawn keeps to its rectangle.
    if (const QRegion system = systemClip(); !system.isEmpty()) {
        QPainterPath path;
        path.addRegion(system);
        clip = clip ? clip->intersected(path) : path;
    }
    return clip;
}

QColor Recorder::below(const QPointF& at) const
{
    if (shown_.isNull())
        return Qt::white;
    const QPoint pixel(std::clamp(static_cast<int>(std::floor(at.x())), 0, shown_.width() - 1),
                       std::clamp(static_cast<int>(std::floor(at.y())), 0, shown_.height() - 1));
    return shown_.pixelColor(pixel);
}

void Recorder::applyTools(QPainter& painter, const QTransform& transform) const
{
    painter.setTransform(transform);
    painter.setRenderHints(painter.renderHints(), false);
    painter.setRenderHints(tools_.hints);
    painter.setPen(tools_.pen);
    painter.setBrush(tools_.brush);
    painter.setBrushOrigin(tools_.brushOrigin);
    painter.setFont(tools_.font);
    painter.setOpacity(tools_.opacity);
}

// The screen copy gets each drawing as the screen shows it.
void Recorder::paintShown(const Paint& paint)
{
    screen_.resetTransform();
    if (const std::optional<QPainterPath> within = clip())
        screen_.setClipPath(*within);
    else
        screen_.setClipping(false);
    applyTools(screen_, tools_.transform);
    paint(screen_);
}

void Recorder::drawPolygon(const QPointF* points, int count, PolygonDrawMode mode)
{
    QPainterPath path;
    path.addPolygon(QPolygonF(QList<QPointF>(points, points + count)));
    if (mode == PolylineMode) {
        addPath(path, Qt::NoBrush);
        return;
    }
    path.closeSubpath();
    path.setFillRule(mode == OddEvenMode ? Qt::OddEvenFill : Qt::WindingFill);
    addPath(path, tools_.brush);
}

// The fill, then the line along it, as two areas.
void Recorder::addPath(const QPainterPath& path, const QBrush& brush)
{
    if (path.isEmpty())
        return;
    const QPainterPath onWindow = tools_.transform.map(path);
    if (brush.style() != Qt::NoBrush) {
        const QPointF centre = onWindow.boundingRect().center();
        addFill(onWindow, brush, onWindow.contains(centre) ? centre : onWindow.pointAtPercent(0), [&](QPainter& p) {
            p.setPen(Qt::NoPen);
            p.setBrush(brush);
            p.drawPath(path);
        });
    }
    if (tools_.pen.style() != Qt::NoPen)
        addFill(outlineOf(path, tools_.pen, tools_.transform), tools_.pen.brush(), onWindow.pointAtPercent(0.5),
                [&](QPainter& p) {
                    p.setBrush(Qt::NoBrush);
                    p.drawPath(path);
                });
}

// An area covered with a brush: one opaque colour, the colour the screen
// shows at `spot`, when the brush is one colour; else the area as a picture.
void Recorder::addFill(const QPainterPath& area, const QBrush& brush, const QPointF& spot, const Paint& paint)
{
    if (brush.style() == Qt::SolidPattern) {
        if (brush.color().alpha() > 0 && tools_.opacity > 0 && !area.isEmpty()) {
            Command command = start(Command::Fill);
            command.outline = area;
            command.colour = over(brush.color(), below(spot), tools_.opacity);
            // A background comes as rectangles side by side: one area, so
            // that a renderer that smooths edges shows no seam between them.
            if (Command* last = commands_.empty() ? nullptr : &commands_.back();
                last && last->kind == Command::Fill && last->colour == command.colour && last->clip == command.clip)
                last->outline = last->outline.united(area);
            else
                commands_.push_back(std::move(command));
        }
        paintShown(paint);
        return;
    }
    const QRectF bounds =
        QRectF(area.boundingRect().toAlignedRect()).intersected(QRectF(QPointF(), QSizeF(shown_.size())));
    if (bounds.isEmpty() || !tools_.transform.isInvertible()) {
        paintShown(paint);
        return;
    }
    addPicture(tools_.transform.inverted().mapRect(bounds), bounds.size() * kPictureScale, paint, area);
}

// A picture: what lies beneath it and the picture over that, as one opaque
// picture of `pixels`, drawn onto `area` and within `within`.
void Recorder::addPicture(const QRectF& area, const QSizeF& pixels, const Paint& paint,
                          const std::optional<QPainterPath>& within)
{
    const QSize size = pixels.toSize().expandedTo(QSize(1, 1)).boundedTo(QSize(kLargestPicture, kLargestPicture));
    const QTransform toArea = QTransform::fromScale(area.width() / size.width(), area.height() / size.height())
                              * QTransform::fromTranslate(area.x(), area.y());
    const QTransform toWindow = toArea * tools_.transform;
    if (area.isEmpty() || !toWindow.isInvertible())
        return;
    QImage flat(size, QImage::Format_RGB32);
    QPainter painter(&flat);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setTransform(toWindow.inverted());
    painter.drawImage(QPointF(), shown_);
    applyTools(painter, toArea.inverted());
    paint(painter);
    painter.end();

    Command command = start(Command::Picture);
    if (within)
        command.clip = command.clip ? command.clip->intersected(*within) : *within;
    command.transform = tools_.transform;
    command.image = std::move(flat);
    command.target = area;
    commands_.push_back(std::move(command));
    paintShown(paint);
}

void Recorder::drawTextItem(const QPointF& at, const QTextItem& item)
{
    const QPen& pen = tools_.pen;
    if (pen.style() != Qt::NoPen && pen.color().alpha() > 0 && tools_.opacity > 0) {
        Command command = start(Command::Text);
        command.transform = tools_.transform;
        command.origin = at;
        command.text = item.text();
        // The item's font as it is: a font that leaves any property unset
        // takes it from the device's default font when drawn again.
        command.font = item.font();
        command.font.setResolveMask(QFont::AllPropertiesResolved);
        command.font.setUnderline(item.renderFlags().testFlag(QTextItem::Underline));
        command.font.setOverline(item.renderFlags().testFlag(QTextItem::Overline));
        command.font.setStrikeOut(item.renderFlags().testFlag(QTextItem::StrikeOut));
        command.pixelSize = command.font.pixelSize() > 0 ? command.font.pixelSize()
                                                         : command.font.pointSizeF() * kScreenDotsPerInch / 72.0;
        const QPointF middle = at + QPointF(item.width() / 2, -item.ascent() / 2);
        command.colour = over(pen.color(), below(tools_.transform.map(middle)), tools_.opacity);
        commands_.push_back(std::move(command));
    }
    paintShown([&](QPainter& p) { p.drawTextItem(at, item); });
}

// A paint device of the window's size and resolution that records.
class RecordingDevice final : public QPaintDevice {
public:
    explicit RecordingDevice(QSize size) : size_(size), engine_(size) {}
    QPaintEngine* paintEngine() const override { return &engine_; }
    std::vector<Command> take() { return engine_.take(); }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        const auto mm = [](int pixels) { return pixels * 254 / (kScreenDotsPerInch * 10); };
        switch (metric) {
            case PdmWidth: return size_.width();
            case PdmHeight: return size_.height();
            case PdmWidthMM: return mm(size_.width());
            case PdmHeightMM: return mm(size_.height());
            case PdmNumColors: return 0;
            case PdmDepth: return 32;
            case PdmDpiX:
            case PdmDpiY:
            case PdmPhysicalDpiX:
            case PdmPhysicalDpiY: return kScreenDotsPerInch;
            case PdmDevicePixelRatio: return 1;
            case PdmDevicePixelRatioScaled: return static_cast<int>(devicePixelRatioFScale());
        }
        return 0;
    }

private:
    QSize size_;
    mutable Recorder engine_;
};

} // namespace

PagePicture PagePicture::of(QWidget& window)
{
    RecordingDevice device(window.size());
    QPainter painter(&device);
    // Each widget whole, then its children over it, as the screen stacks
    // them. Drawn together, a widget's background would leave out its opaque
    // children, and a renderer that smooths edges shows a seam around each.
    const std::function<void(QWidget&, QPoint)> draw = [&](QWidget& widget, QPoint offset) {
        widget.render(&painter, offset, QRegion(),
                      &widget == &window ? QWidget::DrawWindowBackground : QWidget::RenderFlags());
        for (QObject* object : widget.children())
            if (auto* child = qobject_cast<QWidget*>(object); child && child->isVisible() && !child->isWindow())
                draw(*child, offset + child->pos());
    };
    draw(window, QPoint());
    painter.end();
    PagePicture picture;
    picture.size_ = window.size();
    picture.commands_ = std::make_shared<const std::vector<Command>>(device.take());
    return picture;
}

const std::vector<PagePicture::Command>& PagePicture::commands() const
{
    static const std::vector<Command> none;
    return commands_ ? *commands_ : none;
}

} // namespace platform
