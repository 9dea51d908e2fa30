// Fuzzes CalcoloCodFis with any surname, name, sex and place text and any
// date of years 1..9999, and checks the shape of every code it returns.
//
// Input: byte 0 flags (bit 0: texts are UTF-16, bits 1-3: sex, bit 4: turn
// the place into a well-formed cadastral code), bytes 1-3 the date, then
// surname, name, sex and place separated by line feeds.

#include "CalcoloCodFis.h"
#include "FuzzCheck.h"

#include <QStringList>
#include <cstring>

namespace {

bool isLetterAZ(QChar c) { return c >= u'A' && c <= u'Z'; }
bool isDigit09(QChar c) { return c >= u'0' && c <= u'9'; }

QString twoDigits(int n) { return QString::number(n).rightJustified(2, u'0'); }

// A plain (ASCII) text can only give its own letters or the filler X.
bool lettersComeFrom(QStringView letters, const QString& text)
{
    for (QChar c : text)
        if (c.unicode() >= 0x80)
            return true; // accents fold to plain letters: nothing simple to say
    const QString upper = text.toUpper();
    for (QChar c : letters)
        if (c != u'X' && !upper.contains(c))
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 4)
        return 0;
    const uint8_t flags = data[0];
    const QDate born = fuzzcheck::dateFrom(data + 1);
    const QStringList parts = fuzzcheck::decode(data + 4, size - 4, flags & 1).split(u'\n');
    const QString surname = parts.value(0);
    const QString name = parts.value(1);
    QString place = parts.mid(3).join(u'\n');

    static const char* const fixedSexes[] = {"M", "F", "f", "m", ""};
    const unsigned sexChoice = (flags >> 1) & 7;
    const QString sex = sexChoice < 5 ? QString::fromLatin1(fixedSexes[sexChoice]) : parts.value(2);

    if ((flags & 0x10) && place.size() >= 4) {
        static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
        QString code;
        for (int i = 0; i < 4; ++i)
            code += QLatin1Char(alphabet[place[i].unicode() % 36]);
        place = code;
    }

    const QString code = CalcoloCodFis(surname, name, born, sex, place);
    const QString context = QStringLiteral("surname %1 name %2 born %3 sex %4 place %5 -> %6")
                                .arg(fuzzcheck::dump(surname), fuzzcheck::dump(name), born.toString(Qt::ISODate),
                                     fuzzcheck::dump(sex), fuzzcheck::dump(place), fuzzcheck::dump(code));

    FUZZ_CHECK(code.size() == 11 + place.size() + 1, context);
    for (int i = 0; i < 6; ++i)
        FUZZ_CHECK(isLetterAZ(code[i]), context);
    FUZZ_CHECK(lettersComeFrom(QStringView(code).left(3), surname), context);
    FUZZ_CHECK(lettersComeFrom(QStringView(code).mid(3, 3), name), context);

    FUZZ_CHECK(code.mid(6, 2) == twoDigits(born.year() % 100), context);
    FUZZ_CHECK(code[8] == QChar(u"ABCDEHLMPRST"[born.month() - 1]), context);
    const bool female = sex == u"F" || sex == u"f";
    const int dayNumber = code.mid(9, 2).toInt();
    FUZZ_CHECK(isDigit09(code[9]) && isDigit09(code[10]), context);
    FUZZ_CHECK(female ? dayNumber >= 41 && dayNumber <= 71 : dayNumber >= 1 && dayNumber <= 31, context);
    FUZZ_CHECK(dayNumber == born.day() + (female ? 40 : 0), context);

    FUZZ_CHECK(QStringView(code).mid(11, place.size()) == place, context);
    const QChar check = code.back();
    FUZZ_CHECK(isLetterAZ(check), context);

    bool cadastral = place.size() == 4;
    for (QChar c : place)
        cadastral = cadastral && (isLetterAZ(c) || isDigit09(c));
    if (cadastral)
        FUZZ_CHECK(check == fuzzcheck::publishedCheckLetter(QStringView(code).left(15)), context);
    return 0;
}
