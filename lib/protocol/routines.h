// The state routines of the worker, by area.  Each returns 0 or a code and
// clears busy when its command has ended.
#pragma once

#include "qmr/qmr.h"

namespace qmr::protocol {

// device operations and polling
int stateBlank(FlshContext* c);
int stateErase(FlshContext* c);
int stateProgram(FlshContext* c);
int stateVerify(FlshContext* c);
int stateEpv(FlshContext* c);
int stateExpansionEpv(FlshContext* c);
int stateSecurity(FlshContext* c);
int stateDeviceChecksum(FlshContext* c);
int stateSignature(FlshContext* c);
int stateProgress(FlshContext* c);
int stateImageChecksum(FlshContext* c);
int stateBuildNo(FlshContext* c);
int stateQuit(FlshContext* c);
#ifdef QMR_GANG
int stateStartButtons(FlshContext* c);
int stateButtonMask(FlshContext* c);
#endif

// transfers
int statePrmDownload(FlshContext* c);
int statePrmUpload(FlshContext* c);
int statePrmList(FlshContext* c);
int stateSetList(FlshContext* c);
int statePrmSetList(FlshContext* c);
int stateSetDownload(FlshContext* c);
int stateSetUpload(FlshContext* c);
int stateSetPrmUpload(FlshContext* c);
int stateSetDelete(FlshContext* c);
int stateSetDefaultGet(FlshContext* c);
int stateSetDefaultSet(FlshContext* c);
int stateHexDownload(FlshContext* c);
int stateHexUpload(FlshContext* c);
int stateHexInfo(FlshContext* c);
int stateRead(FlshContext* c);
int stateFirmware(FlshContext* c);
int stateLogInfo(FlshContext* c);
int stateLogClear(FlshContext* c);
int stateSysRead(FlshContext* c);
int stateSysWrite(FlshContext* c);

// shared endings
// Ends a command with a completion record (code 0, 100 %).
int complete(FlshContext* c, const char* title, const char* text);
// Ends a command that failed: a link code gives an error record with the
// code's text; a unit status gives `title` with the status text.
int fail(FlshContext* c, int linkCode, const char* title, int tagB = -0x7fffffff);

}  // namespace qmr::protocol
