#include "PlaceOfCode.h"

#include <algorithm>

namespace registro {

namespace {

// The official name first, the others after it in the order given.
void officialFirst(std::vector<Record>& records, const QDate& day)
{
    std::stable_partition(records.begin(), records.end(), [&](const Record& r) {
        return day.isValid() ? r.officialOn(day) : r.spans().back().official;
    });
}

} // namespace

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
                    found.push_back(r.on(day));
        officialFirst(found, day);
        return found;
    };
    if (place.records = inForceOn(born); !place.records.empty()) {
        place.validity = PlaceOfCode::InForce;
    } else if (place.records = inForceOn(earlier); !place.records.empty()) {
        place.validity = PlaceOfCode::InForceEarlier;
    } else {
        place.validity = PlaceOfCode::NotInForce;
        place.records = withCode;
        officialFirst(place.records, {});
    }
    return place;
}

} // namespace registro
