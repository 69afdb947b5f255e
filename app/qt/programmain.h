// The start of both windowed programs: the command line (--lang, --help),
// the check for a display (decided before the toolkit starts: without one it
// would end the process), the application with its name, icon and language;
// then the program's own window runs until it is closed.
#pragma once

#include <functional>

#include "qt/language.h"

namespace qmr::app {

struct ProgramStart {
    const char* name;         // the program's name: "QM"
    const char* description;  // one line for --help
    const char* simulated;    // what QMR_LINK=sim runs it on
    const char* icon;         // the window icon's resource path
};

// Returns the process's exit status: run's (given the language chosen), or
// 2 for a command line or a display that will not do, 0 for --help.
int runProgram(int argc, char** argv, const ProgramStart& program, const std::function<int(Language)>& run);

}  // namespace qmr::app
