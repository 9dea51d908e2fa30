#pragma once
// The desktop services the windows rely on. Every window reaches the desktop
// only through a Services bundle, so tests can hand in recorders that answer
// at once instead of real modal boxes, printers and browsers.

#include "AppInfo.h"
#include "Error.h"

#include <QDate>
#include <QLocale>
#include <QString>

class QWidget;

namespace platform {

class MessageBox {
public:
    virtual ~MessageBox() = default;
    // Modal; one OK button, no icon, the application title as caption.
    // Returns when the user has closed it.
    virtual void show(QWidget* owner, const QString& text) = 0;
    // Modal question with the buttons Sì and No, No the default (Return and
    // Esc answer No); no icon, the application title as caption. True only
    // when the user answers Sì.
    virtual bool ask(QWidget* owner, const QString& text) = 0;
};

class Beeper {
public:
    virtual ~Beeper() = default;
    virtual void beep() = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDate today() const = 0;
};

class Printer {
public:
    virtual ~Printer() = default;
    // Puts the window's client area, as it is drawn now, on one page of the
    // default printer: at the top left of the printable area, at the size it
    // has on a 96 dpi screen, texts and lines as vectors. Returns when the
    // printing system has taken the job; throws Error on any failure, a job
    // the printing system refuses included.
    virtual void printWindow(QWidget& window) = 0;
};

class Shell {
public:
    virtual ~Shell() = default;
    // Hands the target to the desktop's default handler; never waits, never reports.
    virtual void open(QWidget* owner, const QString& target) = 0;
};

class Program {
public:
    virtual ~Program() = default;
    // Ends the program at once, whatever windows are open.
    virtual void end() = 0;
};

struct Services {
    MessageBox& messageBox;
    Beeper& beeper;
    Clock& clock;
    Printer& printer;
    Shell& shell;
    Program& program;
    AppInfo app;
    QLocale locale; // the user's regional setting, used by the date parser
};

} // namespace platform
