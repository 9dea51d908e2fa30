#pragma once
// Property checks for the fuzz targets: a broken property aborts, so libFuzzer
// keeps the input that broke it. Independent of NDEBUG, unlike assert().

#include <QByteArray>
#include <QDate>
#include <QString>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace fuzzcheck {

[[noreturn]] inline void fail(const char* file, int line, const char* condition, const QString& context)
{
    std::fprintf(stderr, "%s:%d: property broken: %s\n%s\n", file, line, condition, qPrintable(context));
    std::abort();
}

// A text as its UTF-16 code units, so invisible or broken characters show.
inline QString dump(const QString& text)
{
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= 0x20 && u < 0x7f && u != u'\\' && u != u'"')
            out += c;
        else
            out += QStringLiteral("\\u%1").arg(unsigned(u), 4, 16, QLatin1Char('0'));
    }
    return out + QLatin1Char('"');
}

// Text from the fuzzer's bytes: UTF-8 (bad sequences become U+FFFD) or raw
// UTF-16 little-endian code units (lone surrogates and all).
inline QString decode(const uint8_t* data, size_t size, bool utf16)
{
    if (!utf16)
        return QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    std::u16string units(size / 2, u'\0');
    for (size_t i = 0; i < units.size(); ++i)
        units[i] = char16_t(data[2 * i] | (data[2 * i + 1] << 8));
    return QString::fromStdU16String(units);
}

// Any date from 1 January 1 to 31 December 9999, from three bytes.
inline QDate dateFrom(const uint8_t* three)
{
    static const qint64 first = QDate(1, 1, 1).toJulianDay();
    static const qint64 span = QDate(9999, 12, 31).toJulianDay() - first + 1;
    const qint64 v = qint64(three[0]) | (qint64(three[1]) << 8) | (qint64(three[2]) << 16);
    return QDate::fromJulianDay(first + v % span);
}

// The check letter of 15 characters of a code, written from the published
// rule rather than taken from the engine: a character is worth the index of
// the first pair of the table it occurs in.
inline QChar publishedCheckLetter(QStringView first15)
{
    static const char odd[] = "B1A0KKPPLLC2QQD3RRE4VVOOSSF5TTG6UUH7MMI8NNJ9WWZZYYXX";
    static const char even[] = "A0B1C2D3E4F5G6H7I8J9KKLLMMNNOOPPQQRRSSTTUUVVWWXXYYZZ";
    int sum = 0;
    for (int position = 1; position <= 15; ++position) {
        const char* table = position % 2 == 1 ? odd : even;
        sum += int(std::strchr(table, first15[position - 1].toLatin1()) - table) / 2;
    }
    return QChar(u'A' + sum % 26);
}

} // namespace fuzzcheck

#define FUZZ_CHECK(condition, context)                                                                                 \
    do {                                                                                                               \
        if (!(condition))                                                                                              \
            ::fuzzcheck::fail(__FILE__, __LINE__, #condition, (context));                                              \
    } while (false)
