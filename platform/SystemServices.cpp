#include "SystemServices.h"

#include "AppVersion.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

namespace platform {

void SystemMessageBox::show(QWidget* owner, const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(version::title), text, QMessageBox::Ok, owner);
    box.setTextFormat(Qt::PlainText); // the text is shown as given, never as markup
    box.exec();
}

bool SystemMessageBox::ask(QWidget* owner, const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(version::title), text, QMessageBox::NoButton, owner);
    box.setTextFormat(Qt::PlainText);
    // The letters answer too: S for Sì, N for No.
    QAbstractButton* yes = box.addButton(QStringLiteral("&Sì"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("&No"), QMessageBox::NoRole);
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

void SystemBeeper::beep() { QApplication::beep(); }

QDate SystemClock::today() const { return QDate::currentDate(); }

void SystemShell::open(QWidget*, const QString& target)
{
    // Tolerant mode keeps blanks and other plain characters as typed; the
    // desktop's handler (xdg-open) gets the percent-encoded form.
    QDesktopServices::openUrl(QUrl(target, QUrl::TolerantMode));
}

void SystemProgram::end()
{
    // Leaves every running event loop, modal boxes' included.
    QCoreApplication::exit(0);
}

Services& systemServices()
{
    static SystemMessageBox messageBox;
    static SystemBeeper beeper;
    static SystemClock clock;
    static SystemPrinter printer;
    static SystemShell shell;
    static SystemProgram program;
    static Services services{messageBox, beeper, clock, printer, shell, program, systemAppInfo(), QLocale::system()};
    return services;
}

} // namespace platform
