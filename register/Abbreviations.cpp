#include "Abbreviations.h"

#include <QList>

namespace registro {

namespace {

bool isVowel(QChar c) { return QStringView(u"AEIOU").contains(c); }

bool wordStartsAt(const QString& text, qsizetype i) { return i == 0 || QStringView(u" -'.").contains(text[i - 1]); }

// The abbreviation at `i`, if one starts there: how many characters it takes
// (blanks after it included) and what it may stand for.
qsizetype abbreviationAt(const QString& text, qsizetype i, QStringList& forms)
{
    const auto at = [&](QStringView word) { return QStringView(text).mid(i).startsWith(word); };
    const auto blanksAfter = [&](qsizetype end) {
        while (end < text.size() && text[end] == u' ')
            ++end;
        return end - i;
    };
    const QStringList saint{QStringLiteral("SAN "), QStringLiteral("SANTO "), QStringLiteral("SANTA "),
                            QStringLiteral("SANT'")};
    if (at(u"SS.")) {
        forms = {QStringLiteral("SANTI "), QStringLiteral("SANTISSIMO "), QStringLiteral("SANTISSIMA ")};
        return blanksAfter(i + 3);
    }
    if (at(u"S.") || (at(u"S ") && i + 2 < text.size())) {
        forms = saint;
        return blanksAfter(i + 2);
    }
    if (at(u"SANKT ")) {
        forms = {QStringLiteral("ST. ")};
        return blanksAfter(i + 6);
    }
    if (at(u"SANT") && i + 4 < text.size() && isVowel(text[i + 4])) {
        forms = {QStringLiteral("SANT'"), QStringLiteral("SANT")}; // SANTERNO is a word of its own
        return 4;
    }
    return 0;
}

} // namespace

QStringList abbreviationReadings(const QString& text)
{
    // No place name is near this long: a longer text is no abbreviated name,
    // and reading it would only multiply it.
    if (text.size() > kLongestAbbreviated)
        return {};
    const QString upper = text.toUpper();
    QStringList readings{QString()};
    bool any = false;
    QString plain; // text since the last abbreviation
    const auto flush = [&] {
        for (QString& r : readings)
            r += plain;
        plain.clear();
    };
    for (qsizetype i = 0; i < upper.size();) {
        QStringList forms;
        const qsizetype taken = wordStartsAt(upper, i) ? abbreviationAt(upper, i, forms) : 0;
        if (taken == 0) {
            plain += upper[i++];
            continue;
        }
        any = true;
        flush();
        QStringList next;
        for (const QString& r : readings)
            for (const QString& form : forms)
                if (next.size() < kMaxReadings)
                    next << r + form;
        readings = next;
        i += taken;
    }
    flush();
    return any ? readings : QStringList{};
}

QStringList abbreviationReadingsWhileTyping(const QString& text)
{
    const QString upper = text.toUpper();
    const QString lastWord = upper.mid(upper.lastIndexOf(u' ') + 1);
    QString completed = upper;
    if (lastWord == u"SS")
        completed += u'.';
    else if (lastWord == u"SANK")
        completed += QStringLiteral("T ");
    else if (lastWord == u"SANKT")
        completed += u' ';
    return abbreviationReadings(completed);
}

} // namespace registro
