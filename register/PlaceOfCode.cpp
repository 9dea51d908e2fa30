#include "PlaceOfCode.h"

namespace registro {

PlaceOfCode placeOfCode(const std::vector<Record>& withCode, const QDate& born, const QDate& earlier)
{
    PlaceOfCode place;
    if (withCode.empty())
        return place;
    const auto inForceOn = [&](const QDate& day) {
        std::vector<Record> found;
        if (day.isValid())
            for (const Record& r : withCode)
                if (r.inForceOn(day))
                    found.push_back(r);
        return found;
    };
    if (place.records = inForceOn(born); !place.records.empty()) {
        place.validity = PlaceOfCode::InForce;
    } else if (place.records = inForceOn(earlier); !place.records.empty()) {
        place.validity = PlaceOfCode::InForceEarlier;
    } else {
        place.validity = PlaceOfCode::NotInForce;
        place.records = withCode;
    }
    return place;
}

} // namespace registro
