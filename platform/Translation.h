#pragma once
// Qt's own texts (the fields' context menus, standard buttons) in Italian.

class QCoreApplication;

namespace platform {

// Installs Qt's Italian translation, qtbase_it.qm from Qt's translations
// directory, in `app`, whatever the user's locale: the program speaks Italian
// throughout. Returns false, and changes nothing, when the file is missing;
// Qt's texts then stay English.
bool installItalianQtTexts(QCoreApplication& app);

} // namespace platform
