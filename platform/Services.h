#pragma once
// The desktop services the windows rely on. Every window reaches the desktop
// only through a Services bundle, so tests can hand in recorders that answer
// at once instead of real modal boxes, printers and browsers.

#include "AppInfo.h"
#include "Error.h"
#include "PagePicture.h"

#include <QDate>
#include <QLocale>
#include <QString>
#include <functional>
#include <optional>

class QObject;
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
    // How a job ended: nothing when it is printed or on its way, else why not.
    using Done = std::function<void(const std::optional<Error>& failure)>;
    // Takes the window's client area as it is drawn now, for the page. Fast,
    // on the window's thread; throws Error when it cannot.
    virtual PagePicture render(QWidget& window) = 0;
    // Prints the page on one sheet of the default printer, off the calling
    // thread: at the top left of the printable area of the printer's own
    // paper, at the size it has on a 96 dpi screen, texts as texts. Then
    // calls `done` on the GUI thread, unless `receiver` (an object of that
    // thread) is gone by then.
    virtual void print(const PagePicture& page, QObject* receiver, Done done) = 0;
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
