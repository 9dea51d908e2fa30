#pragma once
// Links both windows open: the web site and the e-mail address.

#include "Services.h"

#include <QString>

class QWidget;

namespace Module1 {

// Hands the target to the desktop for the window Finestra and returns at once.
// Nothing is reported, whatever happens to the request.
void ApriCollegamento(QWidget& Finestra, QString Destinazione, platform::Shell& shell);

// The mail link behind an address label: a mailto: target whose subject names
// the program and the running version, e.g. "...?SUBJECT=Tarvolin - vers.1.2.0".
QString CollegamentoPosta(const QString& Indirizzo, const platform::AppInfo& app);

} // namespace Module1
