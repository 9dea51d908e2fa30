// Starts the program: the command line when the arguments ask for it (before
// any QApplication, so it needs no display), else Qt's own texts in Italian,
// then the main window.

#include "AppVersion.h"
#include "CommandLine.h"
#include "Form1.h"
#include "SystemServices.h"
#include "Translation.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    if (riga::isCommandLine(argc, argv))
        return riga::run(argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(platform::version::title));
    QApplication::setApplicationVersion(platform::systemAppInfo().versionText());
    platform::installItalianQtTexts(app); // without the file the menus stay English
    int status = 0;
    {
        Form1 form(platform::systemServices());
        form.show();
        status = app.exec();
    }
    // A card handed to the printer just before Chiudi still reaches it, and
    // its page is let go while the application lives.
    platform::SystemPrinter::finishJobs();
    return status;
}
