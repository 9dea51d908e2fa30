// build-register: makes the municipality register Comuni.mdb from the
// published source files at build time.

#include "Error.h"
#include "RegisterFile.h"
#include "Sources.h"

#include <QString>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 9) {
        std::fprintf(stderr, "usage: build-register MUNICIPALITIES.csv CHANGES.csv FOREIGN_STATES.csv "
                             "CEASED_STATES.csv TERRITORIES.csv STATE_NAMES.csv MUNICIPALITY_NAMES.csv OUTPUT.mdb\n");
        return 2;
    }
    const auto argument = [&](int i) { return QString::fromLocal8Bit(argv[i]); };
    const registro::sources::SourceFiles files{argument(1), argument(2), argument(3), argument(4),
                                               argument(5), argument(6), argument(7)};
    const QString output = argument(8);
    try {
        const registro::sources::Sources sources = registro::sources::readSources(files);
        registro::writeRegister(output, sources.records, sources.dataDate);
        std::printf("build-register: %zu records, data up to %s, written to %s\n", sources.records.size(),
                    qPrintable(sources.dataDate.toString(Qt::ISODate)), argv[8]);
    } catch (const registro::sources::SourceError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    } catch (const platform::Error& e) {
        std::fprintf(stderr, "build-register: %s: %s (%d)\n", argv[8], e.description.toLocal8Bit().constData(),
                     e.number);
        return 1;
    }
    return 0;
}
