#pragma once
// Stand-ins for the desktop that answer at once and remember what the program
// asked of them, in order, in one shared log ("beep", "box: <text>", ...).

#include "Services.h"

#include <QImage>
#include <QStringList>
#include <functional>

namespace testing {

class RecordingServices {
public:
    RecordingServices();

    // Title "Tarvolin", version 1.2.0, Italian locale; the executable's
    // directory is the test's own, where the built register lies.
    platform::Services& services() { return services_; }

    // Everything asked of the desktop, in order.
    QStringList log;
    // Texts of the message boxes only.
    QStringList boxes() const;
    int count(const QString& entry) const { return static_cast<int>(log.count(entry)); }

    // Today's date as the program sees it.
    QDate today = QDate(2026, 12, 7);
    // Set to make the printer fail as it takes the page ("no printer").
    bool printerFails = false;
    // The printing system's answer to each job: none is a printed page.
    std::optional<QString> jobFailure;
    // Set to leave the jobs unanswered: `answerJobs()` answers them.
    bool holdJobs = false;
    void answerJobs();
    // Called while a message box "is open", before it returns.
    std::function<void(const QString&)> onBox;
    // What the user answers to a Sì/No question ("ask: <text>" in the log).
    bool answerYes = false;

    struct Printed {
        QWidget* window = nullptr;
        QImage image; // the window as it was drawn when printed
    };
    QList<Printed> printed;
    // Called while the printer holds the window (the windows are as printed).
    std::function<void()> onPrint;

private:
    struct Box : platform::MessageBox {
        RecordingServices* owner;
        void show(QWidget* parent, const QString& text) override;
        bool ask(QWidget* parent, const QString& text) override;
    } box_;
    struct Beep : platform::Beeper {
        RecordingServices* owner;
        void beep() override { owner->log << QStringLiteral("beep"); }
    } beep_;
    struct FixedClock : platform::Clock {
        RecordingServices* owner;
        QDate today() const override { return owner->today; }
    } clock_;
    struct Print : platform::Printer {
        RecordingServices* owner;
        platform::PagePicture render(QWidget& window) override;
        void print(const platform::PagePicture& page, QObject* receiver, Done done) override;
    } printer_;
    QList<platform::Printer::Done> heldJobs_;
    struct Open : platform::Shell {
        RecordingServices* owner;
        void open(QWidget* parent, const QString& target) override;
    } shell_;
    struct End : platform::Program {
        RecordingServices* owner;
        void end() override { owner->log << QStringLiteral("end"); }
    } program_;
    platform::Services services_;

public:
    // The window each shell request was made for, in order.
    QList<QWidget*> shellOwners;
};

} // namespace testing
