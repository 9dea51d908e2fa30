#include "PagePdf.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QMap>
#include <cmath>

namespace platform {

namespace {

using Command = PagePicture::Command;

constexpr qreal kPointsPerPixel = 72.0 / 96.0;

QByteArray number(qreal value)
{
    if (std::abs(value) < 0.0005)
        return "0";
    QByteArray text = QByteArray::number(value, 'f', 3);
    while (text.endsWith('0'))
        text.chop(1);
    if (text.endsWith('.'))
        text.chop(1);
    return text;
}

QByteArray point(const QPointF& at) { return number(at.x()) + ' ' + number(at.y()); }

QByteArray matrix(const QTransform& t)
{
    return number(t.m11()) + ' ' + number(t.m12()) + ' ' + number(t.m21()) + ' ' + number(t.m22()) + ' '
           + number(t.dx()) + ' ' + number(t.dy()) + " cm\n";
}

QByteArray colour(const QColor& c)
{
    return number(c.redF()) + ' ' + number(c.greenF()) + ' ' + number(c.blueF()) + " rg\n";
}

QByteArray pathOf(const QPainterPath& path)
{
    QByteArray ops;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        if (e.isMoveTo()) {
            ops += point(e) + " m\n";
        } else if (e.isLineTo()) {
            ops += point(e) + " l\n";
        } else if (e.isCurveTo() && i + 2 < path.elementCount()) {
            ops += point(e) + ' ' + point(path.elementAt(i + 1)) + ' ' + point(path.elementAt(i + 2)) + " c\n";
            i += 2;
        }
    }
    return ops;
}

QByteArray fill(const QPainterPath& path)
{
    return pathOf(path) + (path.fillRule() == Qt::OddEvenFill ? "f*\n" : "f\n");
}

// The code of a character in the standard fonts' encoding, WinAnsiEncoding;
// 0 when they lack it.
char winAnsi(char16_t c)
{
    if ((c >= 0x20 && c <= 0x7e) || (c >= 0xa0 && c <= 0xff))
        return static_cast<char>(c);
    static const char16_t from0x80[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                          0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                          0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                          0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    for (int i = 0; i < 32; ++i)
        if (from0x80[i] == c)
            return static_cast<char>(0x80 + i);
    return 0;
}

QByteArray literal(const QByteArray& bytes)
{
    QByteArray text = "(";
    for (const char b : bytes) {
        if (b == '(' || b == ')' || b == '\\')
            text += '\\';
        text += b;
    }
    return text + ')';
}

// The standard font of the face the screen shows.
QByteArray standardFont(const QFont& font)
{
    const QFontInfo shown(font);
    const bool bold = shown.bold();
    const bool italic = shown.italic();
    const auto pick = [&](const char* regular, const char* boldFace, const char* italicFace, const char* both) {
        return QByteArray(bold ? (italic ? both : boldFace) : (italic ? italicFace : regular));
    };
    if (shown.fixedPitch())
        return pick("Courier", "Courier-Bold", "Courier-Oblique", "Courier-BoldOblique");
    if (shown.family().contains(QLatin1String("Serif")) && !shown.family().contains(QLatin1String("Sans")))
        return pick("Times-Roman", "Times-Bold", "Times-Italic", "Times-BoldItalic");
    return pick("Helvetica", "Helvetica-Bold", "Helvetica-Oblique", "Helvetica-BoldOblique");
}

class Writer {
public:
    explicit Writer(const QPageLayout& layout);
    void add(const Command& command);
    QByteArray finish(const QString& title);

private:
    void text(const Command& command);
    void picture(const Command& command);
    int object(const QByteArray& body);
    static QByteArray stream(const QByteArray& dictionary, const QByteArray& data);

    QRectF paper_; // in points
    QByteArray content_;
    QList<QByteArray> objects_{"", "", ""}; // catalogue, page tree, page: written last
    QMap<QByteArray, int> fonts_; // base font name -> object
    QByteArray pictures_; // resource entries
    int pictureCount_ = 0;
};

Writer::Writer(const QPageLayout& layout) : paper_(layout.fullRect(QPageLayout::Point))
{
    // From the window's pixels (y down) to points from the paper's lower left.
    const QPointF corner = layout.paintRect(QPageLayout::Point).topLeft();
    content_ =
        "q " + matrix(QTransform(kPointsPerPixel, 0, 0, -kPointsPerPixel, corner.x(), paper_.height() - corner.y()));
}

void Writer::add(const Command& command)
{
    content_ += "q\n";
    if (command.clip)
        content_ += pathOf(*command.clip) + (command.clip->fillRule() == Qt::OddEvenFill ? "W* n\n" : "W n\n");
    switch (command.kind) {
        case Command::Fill: content_ += colour(command.colour) + fill(command.outline); break;
        case Command::Picture: picture(command); break;
        case Command::Text: text(command); break;
    }
    content_ += "Q\n";
}

// Runs of letters the standard fonts have as text, the others as outlines,
// each where the screen's font puts it.
void Writer::text(const Command& command)
{
    QFont font = command.font;
    font.setPixelSize(std::max(1, qRound(command.pixelSize)));
    const QFontMetricsF metrics(font);
    const QByteArray name = standardFont(font);
    if (!fonts_.contains(name))
        fonts_[name] = object("<< /Type /Font /Subtype /Type1 /BaseFont /" + name + " /Encoding /WinAnsiEncoding >>");
    const QString& text = command.text;
    content_ += matrix(command.transform) + colour(command.colour);
    qreal x = command.origin.x();
    const qreal y = command.origin.y();
    for (qsizetype i = 0, end = 0; i < text.size(); i = end) {
        const bool standard = winAnsi(text[i].unicode()) != 0;
        end = i;
        QByteArray codes;
        while (end < text.size() && (winAnsi(text[end].unicode()) != 0) == standard)
            codes += winAnsi(text[end++].unicode());
        const QString run = text.mid(i, end - i);
        if (standard) {
            content_ += "BT /F" + QByteArray::number(fonts_[name]) + ' ' + number(command.pixelSize) + " Tf 1 0 0 -1 "
                        + point({x, y}) + " Tm " + literal(codes) + " Tj ET\n";
        } else {
            QPainterPath glyphs;
            glyphs.addText(x, y, font, run);
            content_ += fill(glyphs);
        }
        x += metrics.horizontalAdvance(run);
    }
    const qreal width = x - command.origin.x();
    const auto line = [&](qreal top) {
        content_ +=
            point({command.origin.x(), top}) + ' ' + number(width) + ' ' + number(metrics.lineWidth()) + " re f\n";
    };
    if (font.underline())
        line(y + metrics.underlinePos());
    if (font.strikeOut())
        line(y - metrics.strikeOutPos());
    if (font.overline())
        line(y - metrics.overlinePos());
}

void Writer::picture(const Command& command)
{
    const QImage rgb = command.image.convertToFormat(QImage::Format_RGB888);
    QByteArray samples;
    samples.reserve(rgb.width() * rgb.height() * 3);
    for (int y = 0; y < rgb.height(); ++y)
        samples.append(reinterpret_cast<const char*>(rgb.constScanLine(y)), rgb.width() * 3);
    const int image =
        object(stream("/Type /XObject /Subtype /Image /Width " + QByteArray::number(rgb.width()) + " /Height "
                          + QByteArray::number(rgb.height()) + " /ColorSpace /DeviceRGB /BitsPerComponent 8",
                      samples));
    const QByteArray name = "/Im" + QByteArray::number(++pictureCount_);
    pictures_ += name + ' ' + QByteArray::number(image) + " 0 R ";
    // An image fills the unit square, its first row at the top.
    const QRectF& r = command.target;
    content_ += matrix(command.transform) + matrix(QTransform(r.width(), 0, 0, -r.height(), r.x(), r.y() + r.height()))
                + name + " Do\n";
}

int Writer::object(const QByteArray& body)
{
    objects_ << body;
    return static_cast<int>(objects_.size());
}

QByteArray Writer::stream(const QByteArray& dictionary, const QByteArray& data)
{
    const QByteArray deflated = qCompress(data).mid(4); // a zlib stream, after Qt's length
    return "<< " + dictionary + " /Filter /FlateDecode /Length " + QByteArray::number(deflated.size()) + " >>\nstream\n"
           + deflated + "\nendstream";
}

QByteArray Writer::finish(const QString& title)
{
    const int contents = object(stream(QByteArray(), content_ + "Q\n"));
    QByteArray fonts;
    for (auto it = fonts_.cbegin(); it != fonts_.cend(); ++it)
        fonts += "/F" + QByteArray::number(it.value()) + ' ' + QByteArray::number(it.value()) + " 0 R ";
    objects_[0] = "<< /Type /Catalog /Pages 2 0 R >>";
    objects_[1] = "<< /Type /Pages /Kids [3 0 R] /Count 1 >>";
    objects_[2] = "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + number(paper_.width()) + ' '
                  + number(paper_.height()) + "] /Resources << /Font << " + fonts + ">> /XObject << " + pictures_
                  + ">> >> /Contents " + QByteArray::number(contents) + " 0 R >>";
    const int info =
        object("<< /Title " + literal(title.toLatin1()) + " /Creator " + literal(title.toLatin1()) + " >>");

    QByteArray pdf = "%PDF-1.4\n%\xe2\xe3\xcf\xd3\n";
    QByteArray xref = "xref\n0 " + QByteArray::number(objects_.size() + 1) + "\n0000000000 65535 f \n";
    for (int i = 0; i < objects_.size(); ++i) {
        xref += QByteArray::number(pdf.size()).rightJustified(10, '0') + " 00000 n \n";
        pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects_[i] + "\nendobj\n";
    }
    return pdf + xref + "trailer\n<< /Size " + QByteArray::number(objects_.size() + 1) + " /Root 1 0 R /Info "
           + QByteArray::number(info) + " 0 R >>\nstartxref\n" + QByteArray::number(pdf.size()) + "\n%%EOF\n";
}

} // namespace

QByteArray pagePdf(const PagePicture& picture, const QPageLayout& layout, const QString& title)
{
    Writer writer(layout);
    for (const Command& command : picture.commands())
        writer.add(command);
    return writer.finish(title);
}

} // namespace platform
