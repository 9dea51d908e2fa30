// Starts the program: loads and shows the main window, nothing else.

#include "AppVersion.h"
#include "Form1.h"
#include "SystemServices.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(platform::version::title));
    QApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                            .arg(platform::version::major)
                                            .arg(platform::version::minor)
                                            .arg(platform::version::revision));
    Form1 form(platform::systemServices());
    form.show();
    return app.exec();
}
