#include "Fold.h"

#include <algorithm>

namespace platform {

namespace {

// The one mark a spelling key keeps for any accent.
constexpr char16_t kAccent = u'\u0301';

// Capitals with no canonical decomposition into a plain letter, spelled out.
// Upper-casing comes first, and already turns ß into SS.
QStringView spelledOut(char32_t c)
{
    switch (c) {
        case U'Æ': return u"AE";
        case U'Œ': return u"OE";
        case U'ẞ': return u"SS";
        case U'Ø': return u"O";
        case U'Ł': return u"L";
        case U'Đ': return u"D";
        default: return {};
    }
}

// Calls f with each code point of the text; a lone surrogate passes as it is.
template <typename F> void forEachCodePoint(QStringView text, F f)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            f(QChar::surrogateToUcs4(c, text[++i]));
        else
            f(char32_t(c.unicode()));
    }
}

// One code point of an upper-cased text as plain letters: canonical
// decompositions split À into A and a combining grave, whose marks are then
// dropped, or kept as one kAccent when `accents`. Done a character at a time,
// so a text of any length folds in linear time.
void appendPlain(char32_t c, QString& out, bool accents)
{
    if (c < 0x80) {
        out += QChar(char16_t(c));
        return;
    }
    if (const QStringView spelled = spelledOut(c); !spelled.isEmpty()) {
        out += spelled;
        return;
    }
    // Full-width and half-width forms (ＲＯＳＳＩ, typed with an East Asian
    // input method) are their plain letters too.
    if (const auto tag = QChar::decompositionTag(c);
        tag == QChar::Canonical || tag == QChar::Wide || tag == QChar::Narrow) {
        forEachCodePoint(QChar::decomposition(c), [&](char32_t part) { appendPlain(part, out, accents); });
        return;
    }
    if (QChar::category(c) == QChar::Mark_NonSpacing) {
        if (accents && !out.isEmpty() && out.back() != kAccent)
            out += kAccent;
        return;
    }
    if (QChar::requiresSurrogates(c)) {
        out += QChar(QChar::highSurrogate(c));
        out += QChar(QChar::lowSurrogate(c));
    } else {
        out += QChar(char16_t(c));
    }
}

bool isAscii(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

QString plain(QStringView text, bool accents)
{
    const QString upper = text.toString().toUpper();
    QString out;
    out.reserve(upper.size());
    forEachCodePoint(upper, [&](char32_t c) { appendPlain(c, out, accents); });
    return out;
}

bool isApostrophe(QChar c)
{
    switch (c.unicode()) {
        case u'\'':
        case 0x2019: // right single quotation mark, the typographic apostrophe
        case 0x2018: // left single quotation mark
        case 0x02BC: // modifier letter apostrophe
        case 0x0060: // grave accent typed on its own
        case 0x00B4: // acute accent typed on its own
            return true;
        default: return false;
    }
}

bool isSeparator(QChar c) { return c == u' ' || c == u'-' || isApostrophe(c); }

bool isVowel(QChar c) { return QStringView(u"AEIOU").contains(c); }

QString fold(QStringView name, bool accents)
{
    // Plain ASCII, by far the usual text, needs only its small letters
    // raised, here on the way.
    const bool ascii = isAscii(name);
    const QString converted = ascii ? QString() : plain(name, accents);
    const QStringView letters = ascii ? name : QStringView(converted);
    const auto at = [&](qsizetype i) {
        const char16_t c = letters[i].unicode();
        return QChar(ascii && c >= u'a' && c <= u'z' ? char16_t(c - (u'a' - u'A')) : c);
    };
    QString out;
    out.reserve(letters.size());
    bool afterVowel = false; // the character before is a vowel (its accent aside)
    for (qsizetype i = 0; i < letters.size(); ++i) {
        const QChar c = at(i);
        if (accents && c == kAccent) {
            out += c;
            continue;
        }
        if (!isSeparator(c)) {
            out += c;
            afterVowel = isVowel(c);
            continue;
        }
        const bool wordEnds = i + 1 == letters.size() || isSeparator(at(i + 1));
        if (isApostrophe(c) && afterVowel && wordEnds) {
            // The accent of the vowel before it.
            if (accents && out.back() != kAccent)
                out += kAccent;
        } else if (!out.endsWith(u' ')) {
            out += u' ';
        }
        afterVowel = false;
    }
    return out;
}

} // namespace

QString plainLetters(QStringView text) { return isAscii(text) ? text.toString().toUpper() : plain(text, false); }

QString foldKey(QStringView name) { return fold(name, false); }

QString spellingKey(QStringView name) { return fold(name, true); }

bool hasAccent(QStringView spelling) { return spelling.contains(kAccent); }

} // namespace platform
