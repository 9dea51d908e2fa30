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

} // namespace platform
