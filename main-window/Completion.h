#pragma once
// How the place box completes what was typed with a name of the register.

#include <QString>

namespace searchbox {

// What the box shows to complete a text: the name, and where the selected
// part not yet typed starts.
struct Completion {
    QString text;
    qsizetype start;
};

// The completion of `search` by `name`, a name that begins with it as the
// index reads it. The caret goes after the part of the name that stands for
// what was typed: of the lengths of the name's beginnings that fold like the
// text, the number of characters typed when it is one, else the nearest below
// it (FORLÌ for "forli'", one blank for two), else the nearest above; never
// between a letter and its accent. The next key then replaces exactly the
// part not yet typed: "ca" on CA' D'ANDREA keeps CA, so "cat" reads CAT and
// goes on to CATANIA. When no beginning folds like the text ("villnos" typed
// for VILLNÖß, SS for ß), the text typed stays, with the rest of the name
// after the letter it stops within.
Completion completionOf(const QString& name, const QString& search);

// Whether the name, as far as the text goes, is spelled as typed: accents
// count when the text has any.
bool spelledAsTyped(const QString& name, const QString& spelling);

} // namespace searchbox
