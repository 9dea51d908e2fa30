#include "CsvUtf16.h"

#include <QChar>

namespace platform {

namespace {

constexpr qsizetype kChunk = 64 * 1024;

// One code point as UTF-8: the bytes written.
qsizetype putUtf8(char32_t c, char* out)
{
    if (c < 0x80) {
        out[0] = char(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = char(0xC0 | (c >> 6));
        out[1] = char(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        out[0] = char(0xE0 | (c >> 12));
        out[1] = char(0x80 | ((c >> 6) & 0x3F));
        out[2] = char(0x80 | (c & 0x3F));
        return 3;
    }
    out[0] = char(0xF0 | (c >> 18));
    out[1] = char(0x80 | ((c >> 12) & 0x3F));
    out[2] = char(0x80 | ((c >> 6) & 0x3F));
    out[3] = char(0x80 | (c & 0x3F));
    return 4;
}

} // namespace

Utf16Source::Utf16Source(bool bigEndian, QByteArrayView start, CsvSource* more)
    : bigEndian_(bigEndian), more_(more), ended_(!more), held_(more ? start.toByteArray() : QByteArray()),
      rest_(more ? QByteArrayView(held_) : start)
{}

char16_t Utf16Source::unit(qsizetype at) const
{
    const auto first = uchar(rest_[at]), second = uchar(rest_[at + 1]);
    return char16_t(bigEndian_ ? first << 8 | second : second << 8 | first);
}

// Half a unit, or the first half of a pair: the rest is in the next read.
bool Utf16Source::needsMore() const
{
    return rest_.size() < 2 || (rest_.size() < 4 && QChar::isHighSurrogate(unit(0)));
}

// Reads more behind what is left; false at the end of the input.
bool Utf16Source::refill()
{
    QByteArray next = rest_.toByteArray();
    const qsizetype kept = next.size();
    next.resize(kept + kChunk);
    const qsizetype read = more_->read(next.data() + kept, kChunk);
    if (read <= 0) {
        ended_ = true;
        failed_ = read < 0;
        return false;
    }
    next.resize(kept + read);
    held_ = std::move(next);
    rest_ = held_;
    return true;
}

qsizetype Utf16Source::read(char* into, qsizetype most)
{
    qsizetype out = 0;
    while (most - out >= 4) {
        if (!ended_ && needsMore()) {
            if (out > 0) // what is there goes first: a pipe may wait for the rest
                break;
            if (refill())
                continue;
        }
        if (rest_.isEmpty())
            break;
        if (rest_.size() == 1) {
            into[out++] = '\xFF';
            rest_ = {};
            continue;
        }
        const char16_t first = unit(0);
        if (QChar::isHighSurrogate(first) && rest_.size() >= 4 && QChar::isLowSurrogate(unit(2))) {
            out += putUtf8(QChar::surrogateToUcs4(first, unit(2)), into + out);
            rest_ = rest_.sliced(4);
            continue;
        }
        if (QChar::isSurrogate(first))
            into[out++] = '\xFF';
        else
            out += putUtf8(first, into + out);
        rest_ = rest_.sliced(2);
    }
    return out == 0 && failed_ ? -1 : out;
}

} // namespace platform
