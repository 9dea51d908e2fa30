// Cost of the search box on the full register: one key release (seek, field
// reads and the widget update) over random prefixes of real names, and one
// scroll step. Prints median and 99th percentile.

#include "BenchTable.h"
#include "ComuniStore.h"
#include "RecordingServices.h"
#include "RegisterSql.h"
#include "SearchBox.h"
#include "Sqlite.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRandomGenerator>

namespace {

// Every name in the register, read once here to draw prefixes from; the
// program itself never does this.
QStringList allNames(const QString& path)
{
    QStringList names;
    registro::sqlite::Connection db(path, registro::sqlite::Connection::Mode::ReadOnly);
    registro::sqlite::Statement statement =
        db.prepare(QStringLiteral("SELECT %1 FROM %2").arg(registro::sql::kName, registro::sql::kTable));
    while (statement.step())
        names << statement.columnText(0);
    return names;
}

// A key pressed and released in the box, as the user does it.
void press(QLineEdit& box, Qt::Key key)
{
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(&box, &event);
}
void release(QLineEdit& box, Qt::Key key)
{
    QKeyEvent event(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(&box, &event);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    testing::RecordingServices fake;
    QTextStream out(stdout);
    const QString path = fake.services().app.executableDir + QStringLiteral("/Comuni.mdb");

    // The search box with its three boxes, as the main window sets it up.
    QWidget window;
    QLineEdit name(&window), province(&window), code(&window);
    SearchBox searchBox(name, province, code, fake.services());
    std::unique_ptr<registro::Database> db;
    QStringList names;
    try {
        db = registro::Database::open(path);
        searchBox.setCursor(db->openRecordset(registro::sql::kTable));
        searchBox.cursor()->setIndex(registro::sql::kIndex);
        names = allNames(path);
    } catch (const platform::Error& error) {
        out << "The register could not be opened: " << error.description << "\n";
        return 1;
    }
    QRandomGenerator random(20261207);
    const int runs = 1000;

    std::vector<qint64> releases, steps;
    QElapsedTimer timer;
    for (int i = 0; i < runs; ++i) {
        const QString& picked = names[random.bounded(int(names.size()))];
        const QString prefix = picked.left(1 + random.bounded(int(std::min<qsizetype>(picked.size(), 40))));
        // An empty box forgets the last search, so this one completes.
        name.clear();
        press(name, Qt::Key_End);
        release(name, Qt::Key_End);
        name.setText(prefix.toLower());
        press(name, Qt::Key_End);
        timer.start();
        release(name, Qt::Key_End);
        releases.push_back(timer.nsecsElapsed());

        timer.start();
        press(name, Qt::Key_Down);
        steps.push_back(timer.nsecsElapsed());
        release(name, Qt::Key_Down);
    }
    fake.log.clear();
    const std::vector<qint64>& release = releases;
    const std::vector<qint64>& step = steps;

    bench::printRow(out, QStringLiteral("key release, median"), bench::millis(bench::percentile(release, 0.5)), {},
                    true);
    const double releaseP99 = bench::percentile(release, 0.99);
    bench::printRow(out, QStringLiteral("key release, 99th percentile"), bench::millis(releaseP99),
                    QStringLiteral("<= 0.500 ms"), releaseP99 <= 0.5e6);
    bench::printRow(out, QStringLiteral("scroll step, median"), bench::millis(bench::percentile(step, 0.5)), {}, true);
    const double stepP99 = bench::percentile(step, 0.99);
    bench::printRow(out, QStringLiteral("scroll step, 99th percentile"), bench::millis(stepP99),
                    QStringLiteral("<= 0.500 ms"), stepP99 <= 0.5e6);
    return 0;
}
