#pragma once
// Timing helpers shared by the benchmarks: samples in nanoseconds, printed as
// one table row each.

#include <QString>
#include <QTextStream>
#include <algorithm>
#include <vector>

namespace bench {

inline double percentile(std::vector<qint64> samples, double p)
{
    if (samples.empty())
        return 0;
    std::sort(samples.begin(), samples.end());
    const auto index = static_cast<size_t>(p * double(samples.size() - 1) + 0.5);
    return double(samples[std::min(index, samples.size() - 1)]);
}

inline void printRow(QTextStream& out, const QString& what, const QString& value, const QString& target, bool met)
{
    out << QStringLiteral("%1 %2 %3 %4\n")
               .arg(what, -40)
               .arg(value, 14)
               .arg(target, 14)
               .arg(target.isEmpty() ? QString() : (met ? QStringLiteral("yes") : QStringLiteral("NO")), 5);
}

inline QString millis(double nanoseconds) { return QString::number(nanoseconds / 1e6, 'f', 3) + QStringLiteral(" ms"); }

} // namespace bench
