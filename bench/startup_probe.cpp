// Started by bench_startup: shows the real main window, a bare Qt window of
// the same size ("bare") or a bare window with one line of text ("label", to
// tell the font system's start-up from the program's own), and at its first
// paint prints its resident memory and quits.

#include "Form1.h"
#include "SystemServices.h"
#include "Translation.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QTimer>
#include <cstdio>

namespace {

long residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

class FirstPaint : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !seen_) {
            seen_ = true;
            // Report once the paint has finished.
            QTimer::singleShot(0, [] {
                std::printf("painted %ld\n", residentKiB());
                std::fflush(stdout);
                QCoreApplication::exit(0);
            });
        }
        return false;
    }

private:
    bool seen_ = false;
};

} // namespace

int main(int argc, char** argv)
{
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    QApplication app(argc, argv);
    FirstPaint probe;
    if (mode == "bare" || mode == "label") {
        QWidget window;
        window.setFixedSize(496, 315);
        if (mode == "label")
            (new QLabel(QStringLiteral("Tarvolin"), &window))->move(10, 10);
        window.installEventFilter(&probe);
        window.show();
        return app.exec();
    }
    // As the program starts: Qt's Italian texts, then the window.
    platform::installItalianQtTexts(app);
    Form1 form(platform::systemServices());
    form.installEventFilter(&probe);
    form.show();
    return app.exec();
}
