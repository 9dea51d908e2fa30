// build-register: makes the municipality register Comuni.mdb from the
// published source files at build time.

#include "Error.h"
#include "RegisterFile.h"
#include "Sources.h"

#include <QString>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: build-register MUNICIPALITIES.csv FOREIGN_STATES.csv "
                             "CEASED_STATES.csv OUTPUT.mdb\n");
        return 2;
    }
    const QString municipalities = QString::fromLocal8Bit(argv[1]);
    const QString foreignStates = QString::fromLocal8Bit(argv[2]);
    const QString ceasedStates = QString::fromLocal8Bit(argv[3]);
    const QString output = QString::fromLocal8Bit(argv[4]);
    try {
        const auto records = buildregister::readSources(municipalities, foreignStates, ceasedStates);
        registro::writeRegister(output, records);
        std::printf("build-register: %zu records written to %s\n", records.size(), argv[4]);
    } catch (const buildregister::SourceError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    } catch (const platform::Error& e) {
        std::fprintf(stderr, "build-register: %s: %s (%d)\n", argv[4], e.description.toLocal8Bit().constData(),
                     e.number);
        return 1;
    }
    return 0;
}
