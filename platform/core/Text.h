#pragma once
#include <QString>

namespace platform {

// The desktop's case mapping for a whole text, accented letters included.
// The fiscal-code engine uses the same mapping (QString::toUpper).
inline QString upperCase(const QString& text) { return text.toUpper(); }

// Removes leading and trailing blanks (the space character only; tabs and
// other white space are part of the text).
inline QString trimBlanks(const QString& text)
{
    qsizetype start = 0, end = text.size();
    while (start < end && text[start] == u' ')
        ++start;
    while (end > start && text[end - 1] == u' ')
        --end;
    return text.mid(start, end - start);
}

// Whether a surname or given name can name someone: it holds a letter of any
// script (Latin with or without accents, Greek, Cyrillic, Chinese...). Blanks,
// tabs, digits and punctuation alone name nobody and would only give XXX.
// Modifier letters (the apostrophe-like ʼ) do not count on their own.
inline bool isPersonName(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            c = QChar::surrogateToUcs4(text[i], text[i + 1]), ++i;
        switch (QChar::category(c)) {
            case QChar::Letter_Uppercase:
            case QChar::Letter_Lowercase:
            case QChar::Letter_Titlecase:
            case QChar::Letter_Other: return true;
            default: break;
        }
    }
    return false;
}

} // namespace platform
