#include "CupsPaper.h"

#include <QByteArrayList>
#include <QPageSize>
#include <QSizeF>
#include <memory>
#include <optional>

namespace platform {

namespace {

// The edge every office printer can print to: a quarter of an inch.
constexpr double kSafeMarginPoints = 18;

struct DestInfoFree {
    void operator()(cups_dinfo_t* info) const { cupsFreeDestInfo(info); }
};

struct Destination {
    http_t* http;
    cups_dest_t* dest;
    cups_dinfo_t* info; // null when the destination does not describe itself
};

// CUPS measures in hundredths of a millimetre.
double mm(int hundredths) { return hundredths / 100.0; }

QMarginsF safeMargins() { return defaultPaper().margins(QPageLayout::Millimeter); }

QPageLayout layoutOf(int width, int length, const QMarginsF& marginsMm)
{
    const QPageSize paper(QSizeF(mm(width), mm(length)), QPageSize::Millimeter, QString(), QPageSize::FuzzyMatch);
    QPageLayout layout(paper, QPageLayout::Portrait, QMarginsF(), QPageLayout::Millimeter);
    layout.setMargins(marginsMm); // margins wider than the paper: print from its corner
    return layout;
}

// A paper by the name PWG, the old CUPS names or a PPD give it.
const pwg_media_t* mediaNamed(const char* name)
{
    const pwg_media_t* media = pwgMediaForPWG(name);
    if (!media)
        media = pwgMediaForLegacy(name);
    if (!media)
        media = pwgMediaForPPD(name);
    return media && media->width > 0 && media->length > 0 ? media : nullptr;
}

// The paper named, with the margins the destination gives it. Found by its
// size where the name tells it: libcups may match a name of the queue's own
// making ("oe_letter_8.5x11in" beside US Letter) to another paper.
std::optional<QPageLayout> named(const Destination& to, const QByteArray& name)
{
    if (name.isEmpty())
        return std::nullopt;
    const pwg_media_t* media = mediaNamed(name.constData());
    cups_size_t size{};
    const unsigned flags = CUPS_MEDIA_FLAGS_DEFAULT;
    if (to.info
        && (media ? cupsGetDestMediaBySize(to.http, to.dest, to.info, media->width, media->length, flags, &size)
                  : cupsGetDestMediaByName(to.http, to.dest, to.info, name.constData(), flags, &size))
        && size.width > 0 && size.length > 0)
        return layoutOf(size.width, size.length,
                        QMarginsF(mm(size.left), mm(size.top), mm(size.right), mm(size.bottom)));
    // A paper the destination does not describe: its size, a safe margin.
    if (media)
        return layoutOf(media->width, media->length, safeMargins());
    return std::nullopt;
}

int integerIn(ipp_t* collection, const char* name, int otherwise)
{
    ipp_attribute_t* value = collection ? ippFindAttribute(collection, name, IPP_TAG_INTEGER) : nullptr;
    return value ? ippGetInteger(value, 0) : otherwise;
}

// A media-col: its size, and its margins where it gives them.
std::optional<QPageLayout> collected(ipp_t* media)
{
    ipp_attribute_t* sizeOf = media ? ippFindAttribute(media, "media-size", IPP_TAG_BEGIN_COLLECTION) : nullptr;
    ipp_t* size = sizeOf ? ippGetCollection(sizeOf, 0) : nullptr;
    const int width = integerIn(size, "x-dimension", 0);
    const int length = integerIn(size, "y-dimension", 0);
    if (width <= 0 || length <= 0)
        return std::nullopt;
    const QMarginsF safe = safeMargins();
    const auto margin = [&](const char* name, qreal otherwise) {
        const int hundredths = integerIn(media, name, -1);
        return hundredths < 0 ? otherwise : mm(hundredths);
    };
    return layoutOf(width, length,
                    QMarginsF(margin("media-left-margin", safe.left()), margin("media-top-margin", safe.top()),
                              margin("media-right-margin", safe.right()),
                              margin("media-bottom-margin", safe.bottom())));
}

} // namespace

QPageLayout defaultPaper()
{
    const double margin = kSafeMarginPoints;
    QPageLayout layout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(), QPageLayout::Point);
    layout.setMargins(QMarginsF(margin, margin, margin, margin));
    return layout;
}

QPageLayout paperOf(http_t* http, cups_dest_t* dest)
{
    const std::unique_ptr<cups_dinfo_t, DestInfoFree> info(cupsCopyDestInfo(http, dest));
    const Destination to{http, dest, info.get()};
    // The user's choice (lpoptions: the user's own over the system's) goes
    // with the job; where a job names both, the scheduler prints on PageSize.
    for (const char* option : {"PageSize", CUPS_MEDIA})
        for (const QByteArray& name : QByteArray(cupsGetOption(option, dest->num_options, dest->options)).split(','))
            if (const std::optional<QPageLayout> paper = named(to, name.trimmed()))
                return *paper;
    if (!info)
        return defaultPaper();
    // The queue's default, which some name only by its size (cups-pdf on
    // Letter: an empty media-default).
    if (ipp_attribute_t* media = cupsFindDestDefault(http, dest, info.get(), CUPS_MEDIA))
        if (const std::optional<QPageLayout> paper = named(to, ippGetString(media, 0, nullptr)))
            return *paper;
    if (ipp_attribute_t* media = cupsFindDestDefault(http, dest, info.get(), "media-col"))
        if (const std::optional<QPageLayout> paper = collected(ippGetCollection(media, 0)))
            return *paper;
    return defaultPaper();
}

} // namespace platform
