#include "Csv.h"

#include <cstring>

namespace platform {

namespace {

// What a source is asked for at a time; the buffer holds about twice that.
constexpr qsizetype kChunk = 64 * 1024;

bool isAscii(QByteArrayView bytes)
{
    for (const char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

// A byte-order mark inside a field is the character U+FEFF, kept as such.
constexpr auto kDecoderFlags = QStringDecoder::Flag::ConvertInitialBom | QStringDecoder::Flag::Stateless;

} // namespace

QString csvFaultText(const CsvRecord& record)
{
    switch (record.fault) {
        case CsvFault::UnclosedQuote:
            return QStringLiteral("virgolette aperte alla riga %1 e mai chiuse").arg(record.faultLine);
        case CsvFault::StrayQuote:
            return QStringLiteral("virgolette nel campo %1, che non è tra virgolette").arg(record.faultField);
        case CsvFault::TextAfterQuote:
            return QStringLiteral("testo dopo le virgolette di chiusura del campo %1").arg(record.faultField);
        case CsvFault::NotUtf8: return QStringLiteral("il campo %1 non è testo UTF-8").arg(record.faultField);
        case CsvFault::TooLong: return QStringLiteral("supera il limite di ") + csvRecordLimitText();
        case CsvFault::None: break;
    }
    return {};
}

QString csvRecordLimitText() { return QStringLiteral("%1 MiB").arg(CsvReader::kMaxRecordBytes >> 20); }

CsvReader::CsvReader(QByteArrayView bytes, char separator)
    : data_(bytes.data()), end_(bytes.size()), separator_(separator), utf8_(QStringDecoder::Utf8, kDecoderFlags)
{}

CsvReader::CsvReader(CsvSource& source, char separator)
    : source_(&source), separator_(separator), utf8_(QStringDecoder::Utf8, kDecoderFlags)
{}

// Reads more into the buffer, keeping the bytes from the read position on;
// false at the end of the input or when the reading stopped.
bool CsvReader::fill()
{
    if (!source_ || stop_ != Stop::None)
        return false;
    const qsizetype kept = end_ - pos_;
    if (kept > 0 && pos_ > 0)
        std::memmove(own_.data(), own_.constData() + pos_, size_t(kept));
    pos_ = 0;
    end_ = kept;
    if (own_.size() < kept + kChunk)
        own_.resize(kept + kChunk);
    const qsizetype read = source_->read(own_.data() + end_, own_.size() - end_);
    data_ = own_.constData();
    if (read < 0) {
        stop_ = Stop::ReadFailed;
        stopLine_ = line_;
    }
    if (read <= 0)
        return false;
    end_ += read;
    return true;
}

// The byte `ahead` of the read position, or -1 past the end of the input.
int CsvReader::peek(qsizetype ahead)
{
    while (pos_ + ahead >= end_)
        if (!fill())
            return -1;
    return static_cast<unsigned char>(data_[pos_ + ahead]);
}

bool CsvReader::atFieldEnd()
{
    const int c = peek();
    return c < 0 || c == separator_ || c == '\n' || (c == '\r' && peek(1) == '\n');
}

// The next `bytes` bytes are the record's; the field keeps them when `keep`,
// while the record is within the bound. One that never ends stops the
// reading.
void CsvReader::take(qsizetype bytes, bool keep)
{
    recordBytes_ += bytes;
    if (keep && recordBytes_ <= kMaxRecordBytes)
        field_.append(data_ + pos_, bytes);
    pos_ += bytes;
    if (recordBytes_ > kMaxSkippedBytes && stop_ == Stop::None) {
        stop_ = Stop::Endless;
        stopLine_ = recordLine_;
        end_ = pos_;
    }
}

// A record keeps its first fault; what follows only finds where it ends.
void CsvReader::fault(CsvRecord& record, CsvFault kind, qsizetype line)
{
    if (record.fault != CsvFault::None)
        return;
    record.fault = kind;
    record.faultLine = line;
    record.faultField = record.fields.size() + 1;
}

void CsvReader::start()
{
    started_ = true;
    if (peek(2) >= 0 && QByteArrayView(data_ + pos_, 3) == "\xEF\xBB\xBF")
        pos_ += 3;
}

char CsvReader::separatorOfFirstLine()
{
    static constexpr char kCandidates[] = {',', ';', '\t'};
    qsizetype counts[3] = {};
    bool quoted = false;
    for (qsizetype at = 0; at < kChunk; ++at) {
        const int c = peek(at);
        if (c < 0 || (c == '\n' && !quoted))
            break;
        if (c == '"')
            quoted = !quoted;
        for (int i = 0; i < 3 && !quoted; ++i)
            counts[i] += c == kCandidates[i];
    }
    int most = 0;
    for (int i = 1; i < 3; ++i)
        if (counts[i] > counts[most])
            most = i;
    return kCandidates[most];
}

bool CsvReader::next(CsvRecord& record)
{
    if (!started_)
        start();
    for (;;) { // blank lines
        const int c = peek();
        if (c < 0)
            return false;
        if (c == '\n')
            pos_ += 1;
        else if (c == '\r' && peek(1) == '\n')
            pos_ += 2;
        else
            break;
        ++line_;
    }
    if (separator_ == kSeparatorFromHeader)
        separator_ = separatorOfFirstLine();

    record.line = recordLine_ = line_;
    record.fields.clear();
    record.fault = CsvFault::None;
    record.faultLine = 0;
    record.faultField = 0;
    recordBytes_ = 0;
    lenient_ = false;
    for (;;) {
        field_.resize(0); // keeps its buffer: clear() would free it at every field
        if (!lenient_ && peek() == '"')
            readQuoted(record);
        else
            readPlain(record);
        endField(record);
        const int c = peek();
        if (c == separator_) {
            take(1, false);
            continue;
        }
        if (c >= 0) {
            take(c == '\r' ? 2 : 1, false);
            ++line_;
        }
        return stop_ == Stop::None;
    }
}

void CsvReader::readPlain(CsvRecord& record)
{
    for (;;) {
        if (pos_ == end_ && !fill())
            return;
        qsizetype run = pos_;
        while (run < end_) {
            const char c = data_[run];
            if (c == separator_ || c == '"' || c == '\n' || c == '\r')
                break;
            ++run;
        }
        take(run - pos_);
        if (pos_ == end_)
            continue;
        const char c = data_[pos_];
        if (c == separator_ || c == '\n' || (c == '\r' && peek(1) == '\n'))
            return;
        if (c == '"' && !lenient_) {
            fault(record, CsvFault::StrayQuote, line_);
            lenient_ = true;
        }
        take(1); // a lone CR, or the quote, as text
    }
}

void CsvReader::readQuoted(CsvRecord& record)
{
    const qsizetype openedAt = line_;
    take(1, false);
    for (;;) {
        if (pos_ == end_ && !fill()) {
            fault(record, CsvFault::UnclosedQuote, openedAt);
            return;
        }
        const auto* quote = static_cast<const char*>(std::memchr(data_ + pos_, '"', size_t(end_ - pos_)));
        const qsizetype run = (quote ? quote - data_ : end_) - pos_;
        line_ += QByteArrayView(data_ + pos_, run).count('\n');
        take(run);
        if (!quote)
            continue;
        take(1, false);
        if (peek() != '"')
            break;
        take(1); // a doubled quote: one quote of the text
    }
    if (!atFieldEnd()) {
        fault(record, CsvFault::TextAfterQuote, line_);
        lenient_ = true;
        readPlain(record);
    }
}

void CsvReader::endField(CsvRecord& record)
{
    if (recordBytes_ > kMaxRecordBytes) { // this field and any after it are lost
        if (record.fault != CsvFault::TooLong) {
            record.fault = CsvFault::TooLong;
            record.faultLine = record.line;
            record.faultField = record.fields.size() + 1;
        }
        return;
    }
    if (isAscii(field_)) {
        record.fields.append(QString::fromLatin1(field_));
        return;
    }
    if (!QByteArrayView(field_).isValidUtf8())
        fault(record, CsvFault::NotUtf8, line_);
    record.fields.append(QString(utf8_.decode(field_))); // bad bytes as U+FFFD
}

CsvTable readCsv(QByteArrayView bytes)
{
    CsvTable table;
    CsvReader reader(bytes);
    CsvRecord record;
    bool haveHeader = false;
    while (reader.next(record)) {
        if (record.fault != CsvFault::None) {
            table.error = csvFaultText(record);
            table.errorLine = record.faultLine;
            return table;
        }
        if (!haveHeader) {
            table.header = record.fields;
            haveHeader = true;
        } else if (record.fields.size() != table.header.size()) {
            table.error = QStringLiteral("%1 campi invece di %2").arg(record.fields.size()).arg(table.header.size());
            table.errorLine = record.line;
            return table;
        } else {
            table.rows.push_back({record.line, record.fields});
        }
    }
    if (!haveHeader) {
        table.error = QStringLiteral("manca la riga d'intestazione");
        table.errorLine = 1;
    }
    return table;
}

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
