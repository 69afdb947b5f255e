// qmr, the command line: every subcommand a whole sequence through the
// library's exports, for the single unit (built against qmrctl) or the gang
// box (against qmrmulti).  The qmr program picks the build by --gang.
#pragma once

#include <cstdio>

namespace qmr::cli {

// Runs one command line; returns the exit code.
int runCli(int argc, char** argv, FILE* out = stdout, FILE* err = stderr);

// Called at the points of a serial-number cycle with the records: "reserved"
// (the numbers are committed), "programming" (the EPV's first record),
// "recording" (the results are about to be written).  For tests that stop
// the program there.
void setCycleHook(void (*hook)(const char* point));

}  // namespace qmr::cli
