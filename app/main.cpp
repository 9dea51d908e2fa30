// Starts the program: Qt's own texts in Italian, then the main window.

#include "AppVersion.h"
#include "Form1.h"
#include "SystemServices.h"
#include "Translation.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(platform::version::title));
    QApplication::setApplicationVersion(platform::systemAppInfo().versionText());
    platform::installItalianQtTexts(app); // without the file the menus stay English
    Form1 form(platform::systemServices());
    form.show();
    return app.exec();
}
