// qmr, killed by SIGKILL at the point of a serial-number cycle that
// QMRTEST_CRASH_AT names ("reserved", "programming", "recording"): a crash or
// a power cut at that moment, for the records' tests.
#include <signal.h>

#include <cstdlib>
#include <cstring>

#include "cli/cli.h"

namespace {
const char* g_point = nullptr;
void stopHere(const char* point)
{
    if (g_point && std::strcmp(point, g_point) == 0) raise(SIGKILL);
}
}  // namespace

int main(int argc, char** argv)
{
    g_point = std::getenv("QMRTEST_CRASH_AT");
    qmr::cli::setCycleHook(stopHere);
    return qmr::cli::runCli(argc, argv);
}
