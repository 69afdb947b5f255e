// qmr, the command line: every subcommand a whole sequence through the
// library's exports, for the single unit (built against qmrctl) or the gang
// box (against qmrmulti).  The qmr program picks the build by --gang.
#pragma once

#include <cstdio>

namespace qmr::cli {

// Runs one command line; returns the exit code.
int runCli(int argc, char** argv, FILE* out = stdout, FILE* err = stderr);

}  // namespace qmr::cli
