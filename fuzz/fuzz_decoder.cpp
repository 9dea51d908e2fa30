// Fuzzes the code reader with any text and any "today", and checks what it
// claims about every code it accepts, not only that nothing crashed.
//
// Input: byte 0 flags (bit 0: text is UTF-16), bytes 1-3 today's date, then
// the text.

#include "CalcoloCodFis.h"
#include "CodiceFiscale.h"
#include "FuzzCheck.h"

#include <cstring>

namespace {

using namespace codfis;

constexpr int kDigitPositions[] = {7, 8, 10, 11, 13, 14, 15};

bool isDigitPosition(int position)
{
    for (int p : kDigitPositions)
        if (p == position)
            return true;
    return false;
}

QString describe(const Decoded& d)
{
    return QStringLiteral("verdict %1 reason %2 code %3 plain %4 born %5 earlier %6 mask %7")
        .arg(int(d.verdict))
        .arg(fuzzcheck::dump(d.reason), fuzzcheck::dump(d.code), fuzzcheck::dump(d.plainCode),
             d.birthDate.toString(Qt::ISODate))
        .arg(d.alsoEarlierCentury)
        .arg(d.homonymMask);
}

// Everything but the homonym letters and the verdict's own fields agree.
bool sameReading(const Decoded& a, const Decoded& b)
{
    return a.surnameLetters == b.surnameLetters && a.nameLetters == b.nameLetters && a.sex == b.sex
           && a.birthDate == b.birthDate && a.alsoEarlierCentury == b.alsoEarlierCentury && a.placeCode == b.placeCode
           && a.plainCode == b.plainCode;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 4)
        return 0;
    const QDate today = fuzzcheck::dateFrom(data + 1);
    const QString text = fuzzcheck::decode(data + 4, size - 4, data[0] & 1);
    const Decoded d = decode(text, today);
    const QString context =
        QStringLiteral("text %1 today %2 -> %3").arg(fuzzcheck::dump(text), today.toString(Qt::ISODate), describe(d));

    FUZZ_CHECK(!d.reason.isEmpty(), context);
    if (d.verdict == Verdict::Malformed) {
        FUZZ_CHECK(d.plainCode.isEmpty() && d.homonymMask == 0 && !d.birthDate.isValid(), context);
        FUZZ_CHECK(homonymForms(text).isEmpty(), context);
        FUZZ_CHECK(!fitsPerson(text, "", "", today, "M", "").fits, context);
        return 0;
    }

    // A readable code is the text itself, trimmed and in capitals.
    FUZZ_CHECK(d.code == text.trimmed().toUpper() && d.code.size() == 16, context);
    FUZZ_CHECK(d.lowerCase == (d.code != text.trimmed()), context);
    const QString& plain = d.plainCode;
    for (int position = 1; position <= 16; ++position) {
        const QChar c = plain[position - 1];
        FUZZ_CHECK(isDigitPosition(position) ? c.isDigit() : (c >= u'A' && c <= u'Z'), context);
    }
    // Homonym letters L..V stand for 0..9; the rest is kept as written.
    QString expectedPlain = d.code;
    unsigned mask = 0;
    for (int k = 0; k < 7; ++k) {
        const int index = kDigitPositions[k] - 1;
        const qsizetype digit = QStringView(u"LMNPQRSTUV").indexOf(d.code[index]);
        if (digit >= 0) {
            expectedPlain[index] = QChar(char16_t(u'0' + digit));
            mask |= 1u << k;
        }
    }
    expectedPlain[15] = fuzzcheck::publishedCheckLetter(expectedPlain);
    FUZZ_CHECK(plain == expectedPlain && d.homonymMask == mask, context);
    FUZZ_CHECK(d.expectedCheckLetter == fuzzcheck::publishedCheckLetter(QStringView(d.code).left(15)), context);
    FUZZ_CHECK((d.verdict == Verdict::Valid) == (d.checkLetter == d.expectedCheckLetter), context);

    // Birth date: the code's digits and month, not after today, and no later
    // century would do.
    const int dayNumber = plain.mid(9, 2).toInt();
    FUZZ_CHECK(d.sex == (dayNumber > 40 ? u'F' : u'M'), context);
    if (d.birthDate.isValid()) {
        const QDate& born = d.birthDate;
        FUZZ_CHECK(born <= today, context);
        FUZZ_CHECK(born.year() % 100 == plain.mid(6, 2).toInt(), context);
        FUZZ_CHECK(QChar(u"ABCDEHLMPRST"[born.month() - 1]) == plain[8], context);
        FUZZ_CHECK(born.day() == dayNumber % 40, context);
        for (int later = 1; later <= 4; ++later) {
            const QDate other(born.year() + 100 * later, born.month(), born.day());
            FUZZ_CHECK(!other.isValid() || other > today, context);
        }
        const QDate earlier(born.year() - 100, born.month(), born.day());
        FUZZ_CHECK(d.alsoEarlierCentury == (earlier.isValid() && earlier.year() >= 1800), context);
    } else {
        FUZZ_CHECK(today.year() < 500, context); // only so close to year 1 can no date be found
    }

    // A wrong check letter, once put right, gives a valid code.
    if (d.verdict == Verdict::WrongCheckLetter) {
        const Decoded fixed = decode(d.code.left(15) + d.expectedCheckLetter, today);
        FUZZ_CHECK(fixed.verdict == Verdict::Valid && sameReading(fixed, d), context);
        return 0;
    }

    // The plain code and every homonym form read back to the same fields.
    const Decoded plainRead = decode(plain, today);
    FUZZ_CHECK(plainRead.verdict == Verdict::Valid && plainRead.homonymMask == 0 && sameReading(plainRead, d), context);
    const QStringList forms = homonymForms(text);
    FUZZ_CHECK(forms.size() == 7, context);
    for (int level = 1; level <= 7; ++level) {
        const Decoded form = decode(forms[level - 1], today);
        FUZZ_CHECK(form.verdict == Verdict::Valid && sameReading(form, d), context + u' ' + forms[level - 1]);
        FUZZ_CHECK(form.homonymMask == ((0x7f << (7 - level)) & 0x7f) && form.notes.isEmpty(),
                   context + u' ' + forms[level - 1]);
    }

    // The code fits the person its letters would come from exactly when the
    // engine gives that person the same plain code.
    if (d.birthDate.isValid()) {
        const QString sex(d.sex);
        const Fit fit = fitsPerson(text, d.surnameLetters, d.nameLetters, d.birthDate, sex, d.placeCode);
        const bool same = CalcoloCodFis(d.surnameLetters, d.nameLetters, d.birthDate, sex, d.placeCode) == plain;
        FUZZ_CHECK(fit.fits == same, context + u' ' + fit.reason);
        FUZZ_CHECK(!(fit.differing & ~(Fields(Field::Surname) | Field::Name)), context + u' ' + fit.reason);
    }
    return 0;
}
