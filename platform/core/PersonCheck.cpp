#include "PersonCheck.h"

#include "DateParser.h"
#include "Fold.h"
#include "Text.h"

#include <algorithm>

namespace platform {

bool isPersonName(QStringView text)
{
    const QString letters = plainLetters(text);
    return std::any_of(letters.begin(), letters.end(), [](QChar c) { return c >= u'A' && c <= u'Z'; });
}

std::optional<PersonFault> checkPerson(const PersonText& person, const QLocale& locale, const QDate& today, QDate* born)
{
    if (!isPersonName(person.surname))
        return PersonFault{PersonFault::Surname, QStringLiteral("Cognome non valido.")};
    if (!isPersonName(person.name))
        return PersonFault{PersonFault::Name, QStringLiteral("Nome non valido.")};
    const std::optional<QDate> date = parseBirthDate(person.birthDate, locale, today);
    if (!date)
        return PersonFault{PersonFault::BirthDate, QStringLiteral("Data di nascita non valida.")};
    if (born)
        *born = *date;
    const QString sex = upperCase(trimBlanks(person.sex));
    if (sex != u"M" && sex != u"F")
        return PersonFault{PersonFault::Sex, QStringLiteral("Sesso non valido: indicare M o F.")};
    if (trimBlanks(person.place).isEmpty())
        return PersonFault{PersonFault::Place, QStringLiteral("Immettere il luogo di nascita.")};
    return std::nullopt;
}

} // namespace platform
