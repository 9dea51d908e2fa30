#include "Module1.h"

namespace Module1 {

void ApriCollegamento(QWidget& Finestra, QString Destinazione, platform::Shell& shell)
{
    // Destinazione is our own copy: the caller's text stays as it was.
    try {
        shell.open(&Finestra, Destinazione);
    } catch (...) {
        // A link that does not open is not worth a message.
    }
}

QString CollegamentoPosta(const QString& Indirizzo, const platform::AppInfo& app)
{
    // Plain text: the desktop encodes it when it builds the URL.
    return QStringLiteral("mailto:") + Indirizzo + QStringLiteral("?SUBJECT=Tarvolin - vers.") + app.versionText();
}

} // namespace Module1
