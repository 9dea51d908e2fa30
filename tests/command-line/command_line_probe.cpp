// The command line alone, without the program's windows around it.
#include "CommandLine.h"

int main(int argc, char* argv[]) { return riga::run(argc, argv); }
