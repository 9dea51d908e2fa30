// Fuzzes the register store with arbitrary register files: whatever a
// Comuni.mdb holds, opening and walking it either works or throws
// platform::Error, the cursor never goes round in circles, and the rules
// that choose a place never choose one whose code is no cadastral code.
//
// Input: the file's bytes. Its last byte picks the text the search box
// seeks, from a few that begin, match or miss real names.

#include "ComuniStore.h"
#include "FuzzCheck.h"
#include "PlaceChoice.h"
#include "PlaceOfCode.h"
#include "RegisterSql.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <iterator>
#include <unistd.h>

namespace {

// More steps than records fit in the largest input tried: a walk that has
// not ended by then is going round in circles.
constexpr int kMaxSteps = 100000;

const QString& scratchFile()
{
    static const QString path =
        QDir::tempPath() + QStringLiteral("/fuzz_register_%1/Comuni.mdb").arg(qint64(::getpid()));
    static const bool made = QDir().mkpath(QFileInfo(path).path());
    (void)made;
    return path;
}

template <typename F> bool attempt(F&& f)
{
    try {
        f();
        return true;
    } catch (const platform::Error& error) {
        FUZZ_CHECK(!error.description.isEmpty(), QStringLiteral("error %1 without a description").arg(error.number));
        return false;
    }
}

void readFields(const registro::Recordset& rs)
{
    for (const QString& name : {registro::sql::kName, registro::sql::kProvince, registro::sql::kCode})
        attempt([&] { (void)rs.field(name); });
    // Periods read back are whole: none ends before it begins.
    attempt([&] {
        for (const registro::Period& p : registro::periodsFromField(rs.field(registro::sql::kPeriods)))
            FUZZ_CHECK(p.first.isNull() || p.last.isNull() || p.first <= p.last, QStringLiteral("a period backwards"));
    });
}

// The look-ups of the window and the command line over the same file.
void choose(registro::Database& db, const QString& name)
{
    for (const QDate& born : {QDate(1935, 1, 1), QDate(2024, 6, 1)}) {
        attempt([&] {
            const registro::PlaceChoice choice = registro::choosePlace(db, name, born);
            if (choice.outcome == registro::PlaceChoice::Chosen)
                FUZZ_CHECK(registro::isCadastralCode(choice.place.code),
                           QStringLiteral("chose code %1").arg(fuzzcheck::dump(choice.place.code)));
            for (const registro::Record& r : choice.named)
                (void)registro::describePlace(r);
            if (!choice.records.empty())
                (void)registro::placeOfCode(db.recordsWithCode(choice.records.front().code), born);
            // A province given chooses among the same records: the choice
            // without it, or a place that was in that province.
            const auto inProvince = registro::choosePlaceInProvince(db, name, born, QStringLiteral("BG"));
            const bool wasInBG = std::any_of(choice.records.begin(), choice.records.end(), [](const auto& r) {
                const auto spans = r.spans();
                return std::any_of(spans.begin(), spans.end(), [](const auto& p) { return p.province == u"BG"; });
            });
            FUZZ_CHECK(inProvince.records.size() == choice.records.size()
                           && (inProvince.outcome != registro::PlaceChoice::Chosen
                               || inProvince.place.code == choice.place.code || wasInBG),
                       QStringLiteral("a province chose a place it was never in"));
        });
    }
    attempt([&] { (void)db.dataDate(); });
}

// Steps one way until the end, reading every record on the way.
void walk(registro::Recordset& rs, bool forward)
{
    int steps = 0;
    while (steps < kMaxSteps) {
        const bool atEnd = forward ? rs.eof() : rs.bof();
        if (atEnd || !attempt([&] { forward ? rs.moveNext() : rs.movePrevious(); }))
            break;
        readFields(rs);
        ++steps;
    }
    FUZZ_CHECK(steps < kMaxSteps, QStringLiteral("the cursor never reached the %1").arg(forward ? "end" : "start"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    {
        QFile file(scratchFile());
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    static const QString searches[] = {
        QString(),
        QStringLiteral("a"),
        QStringLiteral("ROMA"),
        QStringLiteral("forli"),
        QStringLiteral("zz"),
        QString::fromUtf8("aglià"),
        QStringLiteral("SANT'"),
        QStringLiteral("\xff"),
    };
    const QString& search = searches[size ? data[size - 1] % std::size(searches) : 0];

    std::unique_ptr<registro::Database> db;
    std::unique_ptr<registro::Recordset> rs;
    if (!attempt([&] { db = registro::Database::open(scratchFile()); })
        || !attempt([&] { rs = db->openRecordset(registro::sql::kTable); }))
        return 0;
    if (attempt([&] { rs->setIndex(registro::sql::kIndex); })) {
        readFields(*rs);
        walk(*rs, true);
        walk(*rs, false);
        attempt([&] { rs->seek(search); });
        readFields(*rs);
        for (int i = 0; i < 3; ++i)
            attempt([&] { rs->moveNext(); });
        for (int i = 0; i < 5; ++i)
            attempt([&] { rs->movePrevious(); });
        readFields(*rs);
    }
    choose(*db, search);
    // Closed under the recordset's feet: everything fails cleanly.
    db->close();
    FUZZ_CHECK(!attempt([&] { rs->seek(search); }), QStringLiteral("a seek on a closed register worked"));
    return 0;
}
