#pragma once
// The real desktop behind each service.

#include "Services.h"

#include <chrono>

namespace platform {

class SystemMessageBox : public MessageBox {
public:
    void show(QWidget* owner, const QString& text) override;
    bool ask(QWidget* owner, const QString& text) override;
};

class SystemBeeper : public Beeper {
public:
    void beep() override;
};

class SystemClock : public Clock {
public:
    QDate today() const override;
};

class SystemPrinter : public Printer {
public:
    // The longest the printing system may keep the job waiting for one answer.
    static constexpr std::chrono::milliseconds kAnswerTimeout{5000};

    // Prints on the default destination of CUPS.
    explicit SystemPrinter(std::chrono::milliseconds answerTimeout = kAnswerTimeout) : answerTimeout_(answerTimeout) {}
    // Writes the page into this PDF file instead, on A4.
    explicit SystemPrinter(const QString& pdfFile) : pdfFile_(pdfFile) {}
    PagePicture render(QWidget& window) override;
    void print(const PagePicture& page, QObject* receiver, Done done) override;
    // Lets every page handed to print() reach the printing system, answers
    // to windows that are gone dropped. For the end of the program, on the
    // GUI thread, while the application object still lives.
    static void finishJobs();

private:
    std::chrono::milliseconds answerTimeout_ = kAnswerTimeout;
    QString pdfFile_;
};

class SystemShell : public Shell {
public:
    void open(QWidget* owner, const QString& target) override;
};

class SystemProgram : public Program {
public:
    void end() override;
};

// One bundle of the real services, alive for the whole run.
Services& systemServices();

} // namespace platform
