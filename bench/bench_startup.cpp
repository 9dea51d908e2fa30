// Start-up: time from process start to the first painted main window and the
// resident memory then, beside the same figures for a bare Qt window, both
// measured here in the same run. Also the register build: time and file size.

#include "BenchTable.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct Start {
    std::vector<qint64> nanoseconds;
    std::vector<qint64> residentKiB;
};

bool startOnce(const QString& probe, const QStringList& arguments, Start& into)
{
    QProcess process;
    QElapsedTimer timer;
    timer.start();
    process.start(probe, arguments);
    if (!process.waitForStarted(10000))
        return false;
    QByteArray output;
    while (!output.contains('\n') && process.waitForReadyRead(20000))
        output += process.readAllStandardOutput();
    const qint64 elapsed = timer.nsecsElapsed();
    process.waitForFinished(10000);
    if (!output.startsWith("painted "))
        return false;
    into.nanoseconds.push_back(elapsed);
    into.residentKiB.push_back(output.mid(8).trimmed().toLongLong());
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QString bin = QCoreApplication::applicationDirPath();
    const QString probe = bin + QStringLiteral("/startup_probe");
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    Start program, bare, label;
    startOnce(probe, {}, program); // warm the file cache for all three
    startOnce(probe, {QStringLiteral("bare")}, bare);
    startOnce(probe, {QStringLiteral("label")}, label);
    program = {};
    bare = {};
    label = {};
    for (int i = 0; i < 15; ++i) {
        if (!startOnce(probe, {}, program) || !startOnce(probe, {QStringLiteral("bare")}, bare)
            || !startOnce(probe, {QStringLiteral("label")}, label)) {
            out << "start-up probe failed\n";
            return 1;
        }
    }
    const double programTime = bench::percentile(program.nanoseconds, 0.5);
    const double bareTime = bench::percentile(bare.nanoseconds, 0.5);
    const double programMemory = bench::percentile(program.residentKiB, 0.5) / 1024;
    const double bareMemory = bench::percentile(bare.residentKiB, 0.5) / 1024;
    const auto mib = [](double value) { return QString::number(value, 'f', 1) + QStringLiteral(" MiB"); };
    bench::printRow(out, QStringLiteral("start-up to first paint, median"), bench::millis(programTime), {}, true);
    bench::printRow(out, QStringLiteral("  bare Qt window"), bench::millis(bareTime), {}, true);
    // A figure to watch, with no target: the card paints its fields, pictures
    // and register-backed box, which a bare window does not.
    bench::printRow(out, QStringLiteral("  ratio"), QString::number(programTime / bareTime, 'f', 2), {}, true);
    // Any window that shows text first starts the font system.
    const double labelTime = bench::percentile(label.nanoseconds, 0.5);
    bench::printRow(out, QStringLiteral("  bare window with one label"), bench::millis(labelTime), {}, true);
    bench::printRow(out, QStringLiteral("  ratio to that"), QString::number(programTime / labelTime, 'f', 2), {}, true);
    bench::printRow(out, QStringLiteral("resident memory after start, median"), mib(programMemory), {}, true);
    bench::printRow(out, QStringLiteral("  bare Qt window"), mib(bareMemory), {}, true);
    bench::printRow(out, QStringLiteral("  difference"), mib(programMemory - bareMemory), QStringLiteral("<= 8.0 MiB"),
                    programMemory - bareMemory <= 8.0);

    // The register build, from the sources in the project.
    const QString data = QStringLiteral(TARVOLIN_DATA_DIR);
    QTemporaryDir dir;
    std::vector<qint64> build;
    QString size;
    for (int i = 0; i < 3; ++i) {
        const QString output = dir.filePath(QStringLiteral("Comuni-%1.mdb").arg(i));
        QElapsedTimer timer;
        timer.start();
        QProcess builder;
        builder.setStandardOutputFile(QProcess::nullDevice());
        QStringList arguments;
        for (const QString& source : QStringLiteral(TARVOLIN_REGISTER_SOURCES).split(u','))
            arguments << data + u'/' + source;
        builder.start(bin + QStringLiteral("/build-register"), arguments << output);
        const bool built = builder.waitForFinished(60000) && builder.exitCode() == 0;
        build.push_back(timer.nsecsElapsed());
        if (!built) {
            out << "build-register failed\n";
            return 1;
        }
        size = QString::number(double(QFileInfo(output).size()) / 1024, 'f', 0) + QStringLiteral(" KiB");
    }
    bench::printRow(out, QStringLiteral("register build, median"), bench::millis(bench::percentile(build, 0.5)), {},
                    true);
    bench::printRow(out, QStringLiteral("register file size"), size, {}, true);
    return 0;
}
