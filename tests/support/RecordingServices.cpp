#include "RecordingServices.h"

#include "SystemServices.h"

#include <QWidget>

namespace testing {

RecordingServices::RecordingServices()
    : services_{box_,
                beep_,
                clock_,
                printer_,
                shell_,
                program_,
                platform::AppInfo{QStringLiteral("Tarvolin"), 1, 2, 0, platform::systemAppInfo().executableDir},
                QLocale(QLocale::Italian, QLocale::Italy)}
{
    box_.owner = this;
    beep_.owner = this;
    clock_.owner = this;
    printer_.owner = this;
    shell_.owner = this;
    program_.owner = this;
}

QStringList RecordingServices::boxes() const
{
    QStringList texts;
    for (const QString& entry : log)
        if (entry.startsWith(QStringLiteral("box: ")))
            texts << entry.mid(5);
    return texts;
}

void RecordingServices::Box::show(QWidget*, const QString& text)
{
    owner->log << QStringLiteral("box: ") + text;
    if (owner->onBox)
        owner->onBox(text);
}

bool RecordingServices::Box::ask(QWidget*, const QString& text)
{
    owner->log << QStringLiteral("ask: ") + text;
    return owner->answerYes;
}

platform::PagePicture RecordingServices::Print::render(QWidget& window)
{
    owner->log << QStringLiteral("print");
    if (owner->onPrint)
        owner->onPrint();
    if (owner->printerFails)
        throw platform::Error(1, QStringLiteral("no printer"));
    owner->printed.append({&window, window.grab().toImage()});
    return {};
}

void RecordingServices::Print::print(const platform::PagePicture&, QObject*, Done done)
{
    owner->heldJobs_ << std::move(done);
    if (!owner->holdJobs)
        owner->answerJobs();
}

void RecordingServices::answerJobs()
{
    const std::optional<platform::Error> failure =
        jobFailure ? std::optional(platform::Error(1, *jobFailure)) : std::nullopt;
    for (const platform::Printer::Done& done : std::exchange(heldJobs_, {}))
        done(failure);
}

void RecordingServices::Open::open(QWidget* parent, const QString& target)
{
    owner->log << QStringLiteral("open: ") + target;
    owner->shellOwners << parent;
}

} // namespace testing
