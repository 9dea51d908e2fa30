// Cost of the search box on the full register: one key release (seek, field
// reads and the widget update) over random prefixes of real names, and one
// scroll step. Prints median and 99th percentile.

#include "BenchTable.h"
#include "Form1.h"
#include "RecordingServices.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QRandomGenerator>
#include <sqlite3.h>

namespace {

// Every name in the register, read once here to draw prefixes from; the
// program itself never does this.
QStringList allNames(const QString& path)
{
    QStringList names;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT COMU_DESCR FROM Comuni", -1, &statement, nullptr) == SQLITE_OK) {
            while (sqlite3_step(statement) == SQLITE_ROW)
                names << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
            sqlite3_finalize(statement);
        }
    }
    sqlite3_close(db);
    return names;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    testing::RecordingServices fake;
    Form1 form(fake.services());
    QTextStream out(stdout);
    if (!form.rsComuni) {
        out << "The register could not be opened: " << fake.boxes().join(u' ') << "\n";
        return 1;
    }
    const QStringList names = allNames(fake.services().app.executableDir + QStringLiteral("/Comuni.mdb"));
    QRandomGenerator random(20261207);
    const int runs = 1000;

    std::vector<qint64> release, step;
    QElapsedTimer timer;
    for (int i = 0; i < runs; ++i) {
        const QString& name = names[random.bounded(int(names.size()))];
        const QString prefix = name.left(1 + random.bounded(int(std::min<qsizetype>(name.size(), 40))));
        form.Text1->clear();
        form.Text1_KeyUp(0, 0); // forget the last search, so this one completes
        form.Text1->setText(prefix.toLower());
        timer.start();
        form.Text1_KeyUp(0, 0);
        release.push_back(timer.nsecsElapsed());

        timer.start();
        form.Text1_KeyDown(40, 0);
        step.push_back(timer.nsecsElapsed());
    }
    fake.log.clear();

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
