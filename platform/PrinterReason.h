#pragma once
// What a printer says is wrong, in words for the user.

#include <QString>
#include <QStringList>

namespace platform {

// The printer's state: `message` its own free text, shown as it comes (or
// in Italian where it is one of the standard keywords), then `keywords`,
// the standard reasons CUPS gives (printer-state-reasons: "media-empty-
// error", "paused"), in Italian. Keywords without a meaning for the user
// ("none", a maker's own) are left out; empty when nothing is left.
QString printerReason(const QString& message, const QStringList& keywords);

} // namespace platform
