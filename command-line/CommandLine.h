#pragma once
// The program without its window: `tarvolin calcola ...` computes codes and
// `tarvolin verifica ...` reads them back, for one person or code given as
// arguments or for every row of a CSV file. QtCore only: it runs where there
// is no display at all.

namespace riga {

// Exit statuses.
enum Status {
    Success = 0, // every row succeeded (for verifica: every code is valid)
    RowFailed = 1, // at least one row did not
    BadUsage = 2, // bad arguments, an unreadable file, a header without the columns, output that could not be written
};

// Whether the arguments ask for the command line rather than the window: a
// first argument that does not start with "-" (a command, known or not),
// or --help, -h, --version. Qt's own options (-platform, -style...) leave
// the window to start; so does any other option where there is a display,
// while without one it gets the usage.
bool isCommandLine(int argc, char** argv);

// Runs the command line (it makes the QCoreApplication itself; no
// QGuiApplication may exist) and returns the exit status.
int run(int argc, char** argv);

} // namespace riga
