// The writer: fields quoted only where they must be.

#include "Csv.h"

namespace platform {

namespace {

// Any field: quoted where it must be, in UTF-8.
void appendAnyField(QByteArray& out, const QString& field, char separator)
{
    // A U+FEFF first could be taken for a byte-order mark at a file's start.
    bool quote = field.startsWith(QChar(0xFEFF));
    for (const QChar c : field)
        if (c == QLatin1Char(separator) || c == u'"' || c == u'\n' || c == u'\r')
            quote = true;
    if (!quote) {
        out += field.toUtf8();
        return;
    }
    QByteArray bytes = field.toUtf8();
    bytes.replace('"', "\"\"");
    out += '"';
    out += bytes;
    out += '"';
}

} // namespace

void appendCsvField(QByteArray& out, const QString& field, char separator)
{
    // Most fields are ASCII that needs no quotes: copied byte for byte in
    // one pass, and any other handed over whole.
    const qsizetype at = out.size();
    out.resize(at + field.size());
    char* bytes = out.data() + at;
    for (const QChar c : field) {
        const char16_t u = c.unicode();
        if (u >= 0x80 || u == char16_t(uchar(separator)) || u == u'"' || u == u'\n' || u == u'\r') {
            out.resize(at);
            appendAnyField(out, field, separator);
            return;
        }
        *bytes++ = char(u);
    }
}

void appendCsvRecord(QByteArray& out, const QStringList& fields, char separator)
{
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out += separator;
        appendCsvField(out, fields[i], separator);
    }
    out += '\n';
}

} // namespace platform
