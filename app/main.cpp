// Starts the program: loads and shows the main window, nothing else.

#include "AppVersion.h"
#include "Form1.h"
#include "SystemServices.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(platform::version::title));
    QApplication::setApplicationVersion(platform::systemAppInfo().versionText());
    Form1 form(platform::systemServices());
    form.show();
    return app.exec();
}
