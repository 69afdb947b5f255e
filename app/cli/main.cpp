// qmr-single and qmr-gang: the command line in each build of the library.
#include "cli/cli.h"

int main(int argc, char** argv) { return qmr::cli::runCli(argc, argv); }
