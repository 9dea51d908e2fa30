#include "Csv.h"

namespace platform {

namespace {

// A record keeps its first fault; what follows only finds where it ends.
void fault(CsvRecord& record, CsvFault kind, qsizetype line)
{
    if (record.fault != CsvFault::None)
        return;
    record.fault = kind;
    record.faultLine = line;
}

bool isAscii(QByteArrayView bytes)
{
    for (const char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

} // namespace

CsvReader::CsvReader(QByteArrayView bytes) : bytes_(bytes)
{
    if (bytes_.startsWith("\xEF\xBB\xBF"))
        pos_ = 3;
}

// Length of the line break at the read position: 0, 1 (LF) or 2 (CR LF).
qsizetype CsvReader::lineEndLength() const
{
    if (pos_ >= bytes_.size())
        return 0;
    if (bytes_[pos_] == '\n')
        return 1;
    if (bytes_[pos_] == '\r' && pos_ + 1 < bytes_.size() && bytes_[pos_ + 1] == '\n')
        return 2;
    return 0;
}

void CsvReader::endLine()
{
    pos_ += lineEndLength();
    ++line_;
}

bool CsvReader::atFieldEnd() const { return pos_ >= bytes_.size() || bytes_[pos_] == ',' || lineEndLength() > 0; }

// Past the end of the line the read position is on.
void CsvReader::skipLine()
{
    const qsizetype end = bytes_.indexOf('\n', pos_);
    pos_ = end < 0 ? bytes_.size() : end + 1;
    ++line_;
}

bool CsvReader::next(CsvRecord& record)
{
    while (pos_ < bytes_.size() && lineEndLength() > 0) // blank lines
        endLine();
    if (pos_ >= bytes_.size())
        return false;

    record.line = line_;
    record.fields.clear();
    record.fault = CsvFault::None;
    record.faultLine = 0;
    record.faultField = 0;
    QByteArray unquoted;
    for (;;) {
        QByteArrayView raw;
        const bool read =
            pos_ < bytes_.size() && bytes_[pos_] == '"' ? readQuoted(record, raw, unquoted) : readPlain(record, raw);
        if (!read) {
            if (record.faultField == 0)
                record.faultField = record.fields.size() + 1;
            if (pos_ < bytes_.size())
                skipLine();
            return true;
        }
        if (record.fault == CsvFault::None) {
            if (isAscii(raw)) {
                record.fields.append(QString::fromLatin1(raw));
            } else {
                const QString text = QString::fromUtf8(raw);
                // Decoding replaces bad bytes (and drops a byte-order mark),
                // so a field that does not survive the round trip was not
                // clean UTF-8. The record is still read to its end, so the
                // next one starts where it should.
                if (text.toUtf8() != raw) {
                    fault(record, CsvFault::NotUtf8, line_);
                    record.faultField = record.fields.size() + 1;
                } else {
                    record.fields.append(text);
                }
            }
        }
        if (pos_ < bytes_.size() && bytes_[pos_] == ',') {
            ++pos_;
            continue;
        }
        if (pos_ < bytes_.size())
            endLine();
        return true;
    }
}

bool CsvReader::readPlain(CsvRecord& record, QByteArrayView& raw)
{
    const qsizetype start = pos_;
    while (!atFieldEnd()) {
        if (bytes_[pos_] == '"') {
            fault(record, CsvFault::StrayQuote, line_);
            return false;
        }
        ++pos_;
    }
    raw = bytes_.sliced(start, pos_ - start);
    return true;
}

bool CsvReader::readQuoted(CsvRecord& record, QByteArrayView& raw, QByteArray& buffer)
{
    const qsizetype openedAt = line_;
    ++pos_; // opening quote
    buffer.clear();
    bool doubled = false;
    for (;;) {
        const qsizetype quote = bytes_.indexOf('"', pos_);
        if (quote < 0) {
            fault(record, CsvFault::UnclosedQuote, openedAt);
            line_ += bytes_.sliced(pos_).count('\n');
            pos_ = bytes_.size();
            return false;
        }
        const QByteArrayView chunk = bytes_.sliced(pos_, quote - pos_);
        line_ += chunk.count('\n');
        pos_ = quote + 1;
        if (pos_ < bytes_.size() && bytes_[pos_] == '"') { // doubled quote: one quote of the text
            buffer.append(chunk);
            buffer.append('"');
            doubled = true;
            ++pos_;
            continue;
        }
        if (doubled) {
            buffer.append(chunk);
            raw = buffer;
        } else {
            raw = chunk; // the text as it lies between the quotes
        }
        break;
    }
    if (!atFieldEnd()) {
        fault(record, CsvFault::TextAfterQuote, line_);
        return false;
    }
    return true;
}

namespace {

QString faultText(const CsvRecord& record)
{
    switch (record.fault) {
        case CsvFault::UnclosedQuote: return QStringLiteral("quoted field never closed");
        case CsvFault::StrayQuote: return QStringLiteral("stray quote inside an unquoted field");
        case CsvFault::TextAfterQuote: return QStringLiteral("stray quote: text follows the closing quote of a field");
        case CsvFault::NotUtf8: return QStringLiteral("field %1 is not valid UTF-8 text").arg(record.faultField);
        case CsvFault::None: break;
    }
    return {};
}

} // namespace

CsvTable readCsv(QByteArrayView bytes)
{
    CsvTable table;
    CsvReader reader(bytes);
    CsvRecord record;
    bool haveHeader = false;
    while (reader.next(record)) {
        if (record.fault != CsvFault::None) {
            table.error = faultText(record);
            table.errorLine = record.faultLine;
            return table;
        }
        if (!haveHeader) {
            table.header = record.fields;
            haveHeader = true;
        } else if (record.fields.size() != table.header.size()) {
            table.error =
                QStringLiteral("expected %1 fields, found %2").arg(table.header.size()).arg(record.fields.size());
            table.errorLine = record.line;
            return table;
        } else {
            table.rows.push_back({record.line, record.fields});
        }
    }
    if (!haveHeader) {
        table.error = QStringLiteral("no header line");
        table.errorLine = 1;
    }
    return table;
}

void appendCsvField(QByteArray& out, const QString& field)
{
    bool quote = false;
    bool ascii = true;
    for (const QChar c : field) {
        if (c == u',' || c == u'"' || c == u'\n' || c == u'\r')
            quote = true;
        ascii &= c.unicode() < 0x80;
    }
    if (!quote && ascii) { // most fields: byte for byte, no conversion
        const qsizetype at = out.size();
        out.resize(at + field.size());
        char* bytes = out.data() + at;
        for (const QChar c : field)
            *bytes++ = char(c.unicode());
        return;
    }
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

void appendCsvRecord(QByteArray& out, const QStringList& fields)
{
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out += ',';
        appendCsvField(out, fields[i]);
    }
    out += '\n';
}

} // namespace platform
