#include "AboutWindow.h"

#include "WindowOwner.h"
#include "frmInformazioniSu.h"

#include <memory>

void showAboutWindow(QWidget& parent, platform::Services& services)
{
    QWidget& about = platform::ownedWindow(parent, QStringLiteral("frmInformazioniSu"),
                                           [&] { return std::make_unique<frmInformazioniSu>(services); });
    about.show();
    about.raise();
    about.activateWindow();
}
