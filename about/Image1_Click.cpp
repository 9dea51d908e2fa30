// The title picture opens the About window: one at a time, beside this one.
#include "Form1.h"
#include "frmInformazioniSu.h"

void Form1::Image1_Click()
{
    auto* about = qobject_cast<frmInformazioniSu*>(aboutWindow.window.data());
    if (about && about->isHidden()) {
        // Closed, its deletion still pending: a fresh one takes its place.
        delete about;
        about = nullptr;
    }
    if (!about) {
        about = new frmInformazioniSu(services_);
        aboutWindow.window = about;
    }
    about->show();
    about->raise();
    about->activateWindow();
}
