// build-register: makes the municipality register Comuni.mdb from the
// published source files at build time.

#include "Error.h"
#include "RegisterFile.h"
#include "Sources.h"

#include <QString>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 7) {
        std::fprintf(stderr, "usage: build-register MUNICIPALITIES.csv FOREIGN_STATES.csv CEASED_STATES.csv "
                             "TERRITORIES.csv STATE_NAMES.csv OUTPUT.mdb\n");
        return 2;
    }
    const auto argument = [&](int i) { return QString::fromLocal8Bit(argv[i]); };
    const buildregister::SourceFiles files{argument(1), argument(2), argument(3), argument(4), argument(5)};
    const QString output = argument(6);
    try {
        const auto records = buildregister::readSources(files);
        registro::writeRegister(output, records);
        std::printf("build-register: %zu records written to %s\n", records.size(), argv[6]);
    } catch (const buildregister::SourceError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    } catch (const platform::Error& e) {
        std::fprintf(stderr, "build-register: %s: %s (%d)\n", argv[6], e.description.toLocal8Bit().constData(),
                     e.number);
        return 1;
    }
    return 0;
}
