#include "Completion.h"

#include "ComuniStore.h"
#include "Fold.h"

namespace searchbox {

Completion completionOf(const QString& name, const QString& search)
{
    const QString foldedText = registro::foldKey(search);
    const qsizetype typed = search.size();
    qsizetype below = -1, above = -1, past = name.size();
    // A longer beginning never folds shorter, so the search stops once the
    // fold has outgrown the text.
    for (qsizetype k = 0; k <= name.size(); ++k) {
        const QString folded = registro::foldKey(QStringView(name).left(k));
        if (folded.size() > foldedText.size()) {
            past = k;
            break;
        }
        if (folded != foldedText)
            continue;
        if (k <= typed)
            below = k;
        else if (above < 0)
            above = k;
    }
    if (below < 0 && above < 0)
        return {search + name.mid(past), typed};
    qsizetype k = below >= 0 ? below : above;
    while (k < name.size() && name[k].isMark())
        ++k;
    return {name, k};
}

bool spelledAsTyped(const QString& name, const QString& spelling)
{
    return !platform::hasAccent(spelling) || platform::spellingKey(name).startsWith(spelling);
}

} // namespace searchbox
