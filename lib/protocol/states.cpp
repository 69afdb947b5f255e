#include "protocol/states.h"

#include <cstring>

#include "link/link.h"
#include "checks/codes.h"
#include "protocol/commands.h"
#include "protocol/context.h"
#include "protocol/routines.h"
#include "protocol/transfers.h"

namespace qmr::protocol {

using namespace checks;

using namespace qmr::link;

void abortCompletion(FlshContext* c)
{
    if (isOpen(c)) purgeReceive(c);
    c->busy = 0;
    c->state = QMR_STATE_IDLE;
    Rec r;
    r.percent = 100;
    post(c, r, "Sequence Aborted.");
    c->abortRequested = 0;
}

namespace {

Rec rec(const char* title, int percent, int code = 0)
{
    Rec r;
    r.title = title;
    r.percent = percent;
    r.code = code;
    return r;
}

// ---- reset ------------------------------------------------------------------
int stateReset(FlshContext* c)
{
    if (!isOpen(c)) return QMR_E_LINK;
    c->busy = 0;
    post(c, rec("", 100), "RESET Command Completion");
    return 0;
}

// ---- initialization -----------------------------------------------------------
constexpr const char* kInit = "Initialization ...";
constexpr const char* kInitFail = "Initialization failure";

// The failure record that ends initialization with the unit's status text.
int initFailure(FlshContext* c, int code, int tagB)
{
    c->busy = 0;
    code = endCode(c, code);
    postStatusError(c, code, tagB, kInitFail);
    return code ? code : 1;
}

// A progress-style failure line ("Initialization startcmd failure" ...).
int initLineFailure(FlshContext* c, const char* text, int percent, int code)
{
    c->busy = 0;
    code = endCode(c, code);
    post(c, rec(kInitFail, percent, code ? code : c->lastStatus), "%s", text);
    return code ? code : 1;
}

bool anyVersionByteEE(const FlshContext* c)
{
    for (int i = 5; i <= 20; ++i)
        if (c->unitInfo[i] == 0xEE) return true;
    return false;
}

void finishInitialization(FlshContext* c)
{
    c->busy = 0;
    Rec r = rec(kInit, 100);
    r.done = 1;
    post(c, r, "Initialization Completion");
    r.done = 0;
    post(c, r, "Initialization Completion");
}

int stateInitialize(FlshContext* c)
{
#ifndef QMR_GANG
    if (!isOpen(c)) return QMR_E_LINK;
    if (c->logClearPending) {
        uint8_t st = 0;
        int rc = statusExchange(c, cmd::kLogClear, nullptr, 0, st);
        if (rc) return initFailure(c, rc, QMR_PHASE_START_STATUS);
        c->okCount = 0;
        c->ngCount = 0;
        c->logClearPending = 0;
    }
#endif
    uint8_t st = 0;
    int rc = statusExchange(c, cmd::kStart, nullptr, 0, st);
    if (rc) return initFailure(c, rc, QMR_PHASE_START_STATUS);
    int result = 0;
    if (st != 1) {
#ifdef QMR_GANG
        return initFailure(c, st, QMR_PHASE_START_STATUS);
#else
        if (st != QMR_ST_FIRMWARE) return initFailure(c, st, QMR_PHASE_START_STATUS);
        result = QMR_ST_FIRMWARE;  // the unit needs a firmware update: read on, then report it
#endif
    }

    uint8_t block[kBlockFrame];
    sendCommand(c, cmd::kNext);
    if ((rc = readFixed(c, block, kBlockFrame)) != 0) return initFailure(c, rc, QMR_PHASE_START_STATUS);
    std::memset(c->systemText, 0, sizeof c->systemText);
    std::memcpy(c->systemText, block + 3, QMR_SYSTEM_TEXT_MAX);
    c->systemText[QMR_SYSTEM_TEXT_MAX] = 0;

    sendCommand(c, cmd::kNext);
    if ((rc = readFixed(c, block, QMR_UNIT_INFO_SIZE + 5)) != 0) return initFailure(c, rc, QMR_PHASE_START_STATUS);
    std::memcpy(c->unitInfo, block + 3, QMR_UNIT_INFO_SIZE);
    uint8_t def = c->unitInfo[2];
#ifdef QMR_GANG
    if (def <= 8) {
        c->settingsNumber = def;
        c->settingsNumberValid = 1;
    } else {
        c->settingsNumberValid = 0;
    }
#else
    if (def < 50) {
        c->settingsNumber = def;
        c->settingsNumberValid = 1;
        c->setValid = 1;
    } else {
        c->settingsNumberValid = 0;
        c->setValid = 0;
    }
#endif

    uint8_t st3 = 0;
    sendCommand(c, cmd::kNext);
    if ((rc = readStatus(c, st3)) != 0) return initFailure(c, rc, QMR_PHASE_START_STATUS);
    if (anyVersionByteEE(c)) result = QMR_E_FIRMWARE;
#ifndef QMR_GANG
    if (result == QMR_ST_FIRMWARE) c->lastStatus = 1;  // carry on to the end
#endif
    if (c->lastStatus != 1) return initFailure(c, c->lastStatus, QMR_PHASE_START_STATUS);

    post(c, rec(kInit, 25), "Initialization startcmd Completion");
    if ((rc = uploadPrmNames(c)) != 0 || c->lastStatus != 1)
        return initLineFailure(c, "Initialization startcmd failure", 50, rc);
    post(c, rec(kInit, 50), "Initialization prm name upload Completion");
    if ((rc = uploadSetNames(c)) != 0 || c->lastStatus != 1)
        return initLineFailure(c, "Initialization set name upload failure", 75, rc);

    // Settings numbers above 15 mean a broken name list.
    for (int i = 0; i < 8; ++i) {
        if (c->setNameList[i][0] > 15) {
            c->lastStatus = 35;
            return initFailure(c, QMR_ST_NAND_READ, QMR_PHASE_SET_LIST);
        }
    }
    post(c, rec(kInit, 75), "Initialization set name upload Completion");

#ifdef QMR_GANG
    if ((rc = uploadSettings(c, c->settingsNumber, false)) != 0) return initFailure(c, rc, QMR_PHASE_SET_UPLOAD);
    // The gang box holds a default settings file when it sends one: setValid
    // says so, as the single unit's default number does.
    if (c->lastStatus == 6) {
        c->setupInfoValid = 0;
        c->setValid = 0;
    } else {
        c->setupInfoValid = 1;
        c->setValid = c->settingsNumberValid;
        if (c->lastStatus == 1) {
            if ((rc = uploadPrm(c, c->settingsRecord + 6)) != 0) return initFailure(c, rc, QMR_PHASE_PRM_UPLOAD);
        }
        if (c->lastStatus != 1) return initFailure(c, c->lastStatus, QMR_PHASE_PRM_UPLOAD);
    }
    if (result == QMR_E_FIRMWARE) {
        c->busy = 0;
        Rec r = rec(kInitFail, 100, QMR_ST_FIRMWARE);
        r.tagA = QMR_PHASE_START;
        r.tagB = QMR_PHASE_START;
        post(c, r, "%s", unitStatusText(15, english(c)));
        return 15;
    }
    uint8_t mask = (c->setupInfoValid == 1 && qmr_info_hex_crc(c) != 0) ? 0 : 1;
    sendButtonMask(c, mask);
    post(c, rec(kInit, 99), "Initialization prs file upload Completion");
#else
    if (c->setValid) {
        if ((rc = uploadSettings(c, c->settingsNumber, false)) != 0)
            return initLineFailure(c, "Initialization set file upload failure", 85, rc);
        if (c->lastStatus == 6) return initFailure(c, 6, QMR_PHASE_SET_UPLOAD);
        if (c->lastStatus != 1)
            return initLineFailure(c, "Initialization set file upload failure", 85, c->lastStatus);
        c->setupInfoValid = 1;
        if ((rc = uploadPrm(c, c->settingsRecord + 6)) != 0) return initFailure(c, rc, QMR_PHASE_PRM_UPLOAD);
        if (c->lastStatus != 1) return initFailure(c, c->lastStatus, QMR_PHASE_PRM_UPLOAD);
    } else {
        c->setupInfoValid = 0;
    }
    if ((rc = readBuildNumber(c)) != 0) return initFailure(c, rc, QMR_PHASE_START_STATUS);
    if (result) {
        c->busy = 0;
        Rec r = rec(kInitFail, 100, QMR_ST_FIRMWARE);
        r.tagA = QMR_PHASE_START;
        r.tagB = QMR_PHASE_START;
        post(c, r, "%s", unitStatusText(15, english(c)));
        return 15;
    }
#endif
    finishInitialization(c);
    return 0;
}

}  // namespace

StateRoutine stateRoutine(int state)
{
    switch (state) {
    case 0: return stateReset;
    case 1: return stateBlank;
    case 2: return stateErase;
    case 3: return stateProgram;
    case 4: return stateVerify;
    case 5: return stateDeviceChecksum;
    case 20: return stateInitialize;
    case 21: return statePrmDownload;
    case 22: return statePrmUpload;
    case 23: return statePrmList;
    case 24: return stateHexDownload;
    case 25: return stateHexUpload;
    case 26: return stateHexInfo;
    case 27: return stateSetDownload;
    case 28: return stateSetUpload;
    case 29: return stateSetList;
    case 30: return statePrmSetList;
    case 31: return stateSetDelete;
    case 32: return stateSetPrmUpload;
    case 33: return stateSetDefaultGet;
    case 34: return stateSetDefaultSet;
    case 35: return stateEpv;
    case 36: return stateExpansionEpv;
    case 37: return stateProgress;
    case 38: return stateSysRead;
    case 39: return stateSysWrite;
    case 40: return stateImageChecksum;
    case 41: return stateSignature;
    case 42: return stateSecurity;
    case 43: return stateLogInfo;
    case 44: return stateLogClear;
    case 45: return stateBuildNo;
    case 46: return stateQuit;
    case 47: return stateRead;
#ifdef QMR_GANG
    case 48: return stateStartButtons;
    case 49: return stateButtonMask;
    case 50: return stateFirmware;
#else
    case 48: return stateFirmware;
#endif
    default: return nullptr;
    }
}

}  // namespace qmr::protocol
