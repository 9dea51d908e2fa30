#include "Csv.h"

#include "CsvUtf16.h"

#include <cstring>

namespace platform {

namespace {

// What a source is asked for at a time; the buffer holds about twice that.
constexpr qsizetype kChunk = 64 * 1024;

// The line ends in quoted text: LF, CR LF, or a lone CR. `afterCr`: the text
// before ended in CR, so an LF first ends no line of its own.
qsizetype lineEnds(QByteArrayView text, bool& afterCr)
{
    if (text.isEmpty())
        return 0;
    qsizetype ends = 0;
    if (!text.contains('\r')) {
        ends = text.count('\n') - (afterCr && text.front() == '\n');
    } else {
        for (qsizetype i = 0; i < text.size(); ++i)
            ends += text[i] == '\r' || (text[i] == '\n' && !(i > 0 ? text[i - 1] == '\r' : afterCr));
    }
    afterCr = text.back() == '\r';
    return ends;
}

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
        case CsvFault::NotUtf16: return QStringLiteral("il campo %1 non è testo UTF-16").arg(record.faultField);
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
    return c < 0 || c == separator_ || isLineEnd(c);
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
    const int first = peek(), second = peek(1);
    if ((first == 0xFF && second == 0xFE) || (first == 0xFE && second == 0xFF)) {
        decodeUtf16(first == 0xFE);
    } else if (peek(2) >= 0 && QByteArrayView(data_ + pos_, 3) == "\xEF\xBB\xBF") {
        pos_ += 3;
        form_.byteOrderMark = true;
    }
    if (separator_ == kSeparatorFromHeader)
        readSeparatorLine();
}

// From here on the bytes come through the decoder, those read already first.
void CsvReader::decodeUtf16(bool bigEndian)
{
    form_.encoding = bigEndian ? CsvForm::Utf16BigEndian : CsvForm::Utf16LittleEndian;
    form_.byteOrderMark = true;
    utf16_ = std::make_unique<Utf16Source>(bigEndian, QByteArrayView(data_ + pos_ + 2, end_ - pos_ - 2), source_);
    source_ = utf16_.get();
    data_ = own_.constData();
    pos_ = end_ = 0;
}

// "sep=;" alone on the first line, as spreadsheets write it for one another.
void CsvReader::readSeparatorLine()
{
    static constexpr char kSep[] = "sep=";
    for (qsizetype i = 0; i < 4; ++i)
        if (peek(i) < 0 || (i < 3 ? peek(i) | 0x20 : peek(i)) != kSep[i]) // SEP= too
            return;
    const int separator = peek(4), after = peek(5);
    if ((separator != ',' && separator != ';' && separator != '\t') || !(after < 0 || isLineEnd(after)))
        return;
    separator_ = char(separator);
    form_.separatorLine = true;
    pos_ += 5;
    if (after >= 0) {
        pos_ += lineEndBytes();
        ++line_;
    }
}

char CsvReader::separatorOfFirstLine()
{
    static constexpr char kCandidates[] = {',', ';', '\t'};
    qsizetype counts[3] = {};
    bool quoted = false;
    for (qsizetype at = 0; at < kChunk; ++at) {
        const int c = peek(at);
        if (c < 0 || (isLineEnd(c) && !quoted))
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
        if (!isLineEnd(c))
            break;
        pos_ += lineEndBytes();
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
            const qsizetype ending = lineEndBytes();
            if (!formKnown_)
                form_.lineEnd = QByteArray(data_ + pos_, ending);
            take(ending, false);
            ++line_;
        }
        formKnown_ = true;
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
        if (c == separator_ || isLineEnd(c))
            return;
        if (!lenient_) {
            fault(record, CsvFault::StrayQuote, line_);
            lenient_ = true;
        }
        take(1); // the quote, as text
    }
}

void CsvReader::readQuoted(CsvRecord& record)
{
    const qsizetype openedAt = line_;
    take(1, false);
    bool afterCr = false; // a CR LF that two reads split is one line end
    for (;;) {
        if (pos_ == end_ && !fill()) {
            fault(record, CsvFault::UnclosedQuote, openedAt);
            return;
        }
        const auto* quote = static_cast<const char*>(std::memchr(data_ + pos_, '"', size_t(end_ - pos_)));
        const qsizetype run = (quote ? quote - data_ : end_) - pos_;
        line_ += lineEnds(QByteArrayView(data_ + pos_, run), afterCr);
        take(run);
        if (!quote)
            continue;
        afterCr = false;
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
        fault(record, utf16_ ? CsvFault::NotUtf16 : CsvFault::NotUtf8, line_);
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

} // namespace platform
