#include "VerifyWindow.h"

#include "WindowOwner.h"
#include "frmVerifica.h"

#include <memory>

namespace {
const QString kKey = QStringLiteral("frmVerifica");
}

void showVerifyWindow(QWidget& card, platform::Services& services, ReadCard readCard)
{
    bool made = false;
    auto& window = static_cast<frmVerifica&>(platform::ownedWindow(
        card, kKey, [&] { return std::make_unique<frmVerifica>(services, std::move(readCard)); }, &made));
    if (made)
        window.placeBeside(card);
    window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.show();
    window.raise();
    window.activateWindow();
}

void dropVerifyWindow(QWidget& card) { platform::dropOwnedWindow(card, kKey); }
