#include "Csv.h"

namespace buildregister {

namespace {

class Reader {
public:
    explicit Reader(QByteArrayView bytes) : bytes_(bytes)
    {
        if (bytes_.startsWith("\xEF\xBB\xBF"))
            pos_ = 3;
    }

    CsvTable read()
    {
        while (pos_ < bytes_.size() && table_.ok()) {
            if (lineEndLength() > 0) { // blank line
                endLine();
                continue;
            }
            const qsizetype line = line_;
            QStringList fields;
            if (!readRecord(fields))
                break;
            if (!haveHeader_) {
                table_.header = fields;
                haveHeader_ = true;
            } else if (fields.size() != table_.header.size()) {
                fault(line,
                      QStringLiteral("expected %1 fields, found %2").arg(table_.header.size()).arg(fields.size()));
            } else {
                table_.rows.push_back({line, fields});
            }
        }
        if (table_.ok() && !haveHeader_)
            fault(1, QStringLiteral("no header line"));
        return std::move(table_);
    }

private:
    // Length of the line break at the read position: 0, 1 (LF) or 2 (CR LF).
    qsizetype lineEndLength() const
    {
        if (pos_ >= bytes_.size())
            return 0;
        if (bytes_[pos_] == '\n')
            return 1;
        if (bytes_[pos_] == '\r' && pos_ + 1 < bytes_.size() && bytes_[pos_ + 1] == '\n')
            return 2;
        return 0;
    }

    void endLine()
    {
        pos_ += lineEndLength();
        ++line_;
    }

    bool atFieldEnd() const { return pos_ >= bytes_.size() || bytes_[pos_] == ',' || lineEndLength() > 0; }

    void fault(qsizetype line, const QString& message)
    {
        table_.errorLine = line;
        table_.error = message;
    }

    // Reads one record and the line break that ends it.
    bool readRecord(QStringList& fields)
    {
        for (;;) {
            QByteArray raw;
            if (!(pos_ < bytes_.size() && bytes_[pos_] == '"' ? readQuoted(raw) : readPlain(raw)))
                return false;
            const QString text = QString::fromUtf8(raw);
            // Decoding replaces bad bytes (and drops a byte-order mark), so a
            // field that does not survive the round trip was not clean UTF-8.
            if (text.toUtf8() != raw) {
                fault(line_, QStringLiteral("field %1 is not valid UTF-8 text").arg(fields.size() + 1));
                return false;
            }
            fields.append(text);
            if (pos_ < bytes_.size() && bytes_[pos_] == ',') {
                ++pos_;
                continue;
            }
            if (pos_ < bytes_.size())
                endLine();
            return true;
        }
    }

    bool readPlain(QByteArray& raw)
    {
        const qsizetype start = pos_;
        while (!atFieldEnd()) {
            if (bytes_[pos_] == '"') {
                fault(line_, QStringLiteral("stray quote inside an unquoted field"));
                return false;
            }
            ++pos_;
        }
        raw = bytes_.sliced(start, pos_ - start).toByteArray();
        return true;
    }

    bool readQuoted(QByteArray& raw)
    {
        const qsizetype openedAt = line_;
        ++pos_; // opening quote
        for (;;) {
            const qsizetype quote = bytes_.indexOf('"', pos_);
            if (quote < 0) {
                fault(openedAt, QStringLiteral("quoted field never closed"));
                return false;
            }
            const QByteArrayView chunk = bytes_.sliced(pos_, quote - pos_);
            line_ += chunk.count('\n');
            raw.append(chunk);
            pos_ = quote + 1;
            if (pos_ < bytes_.size() && bytes_[pos_] == '"') { // doubled quote
                raw.append('"');
                ++pos_;
                continue;
            }
            break;
        }
        if (!atFieldEnd()) {
            fault(line_, QStringLiteral("stray quote: text follows the closing quote of a field"));
            return false;
        }
        return true;
    }

    QByteArrayView bytes_;
    qsizetype pos_ = 0;
    qsizetype line_ = 1;
    bool haveHeader_ = false;
    CsvTable table_;
};

} // namespace

CsvTable readCsv(QByteArrayView bytes) { return Reader(bytes).read(); }

} // namespace buildregister
