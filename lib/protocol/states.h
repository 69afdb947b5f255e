// The state routines the command worker runs.
#pragma once

#include "qmr/qmr.h"

namespace qmr::protocol {

// A state routine runs one whole exchange with the unit and returns 0 or a
// code; it clears busy when its command has ended.
using StateRoutine = int (*)(FlshContext*);

// The routine of a state, or null when this library has none for it.
StateRoutine stateRoutine(int state);

// The abort completion every state routine runs first when an abort is asked.
void abortCompletion(FlshContext* c);

}  // namespace qmr::protocol
