// The exported command interface: every command export records its
// arguments under the context's lock and hands a thread message to the
// worker; the outcome arrives as progress records.
#include <cstdlib>
#include <cstring>
#include <new>

#include "link/link.h"
#include "protocol/context.h"

using namespace qmr;
using namespace qmr::protocol;

namespace {

int postCommand(FlshContext* c, uint32_t message)
{
    if (!c) return QMR_E_NULL;
    platform::postThreadMessage(c->workerThreadId, message);
    return 0;
}

void copyPrm(FlshContext* c, const PrmRecord* record)
{
    if (!record) return;
    platform::SemaphoreLock g(lockOf(c));
    std::memcpy(&c->prm, record, sizeof c->prm);
}

uint8_t mirrorFlags(int flags)
{
    uint8_t out = 0;
    if (flags & 4) out |= 1;
    if (flags & 2) out |= 2;
    if (flags & 1) out |= 4;
    return out;
}

int resetCommand(FlshContext* c, const ResetParams* params, bool clearFlags)
{
    if (!c) return QMR_E_NULL;
    {
        platform::SemaphoreLock g(lockOf(c));
        if (params) {
            std::memcpy(&c->resetParams, params, sizeof c->resetParams);
            c->cmdOption = params->cmdOption;
            c->seqFlags = clearFlags ? 0 : mirrorFlags(params->seqFlags);
            c->resetWord = static_cast<int32_t>(params->resetWord);
        } else if (clearFlags) {
            c->seqFlags = 0;
        }
    }
    platform::postThreadMessage(c->workerThreadId, QMR_TM_RESET);
    return 0;
}

void destroy(FlshContext* c)
{
    if (c->lock) platform::closeSemaphore(lockOf(c));
    if (c->event) platform::closeEvent(static_cast<platform::Event*>(c->event));
    delete workerOf(c);
    std::free(c);
}

}  // namespace

extern "C" {

int QMRGetVersion(void)
{
#ifdef QMR_GANG
    return 113;
#else
    return 134;
#endif
}

FlshContext* QMRFlshOpen(QmrWindow* window, uint32_t message, const char* name)
{
    auto* c = static_cast<FlshContext*>(std::calloc(1, sizeof(FlshContext)));
    if (!c) return nullptr;
    if (name) {
        std::strncpy(c->name, name, sizeof c->name - 1);
    }
    c->notifyWindow = window;
    c->notifyMessage = message;
    c->link = -1;
    c->link2 = -1;
    c->ringRead = c->ringWrite = c->ringSpare = 0;
    c->lastStatus = 1;
    c->event = platform::openEvent("FlshQmrEv", false, false);
    c->lock = platform::openSemaphore("FlshQmrSem", 1, 1);
    auto* w = new (std::nothrow) Worker;
    c->workerThread = w;
    if (!c->event || !c->lock || !w || !w->thread.start([c] { runWorker(c); })) {
        destroy(c);
        return nullptr;
    }
    c->workerThreadId = w->thread.id();
    return c;
}

void QMRFlshClose(FlshContext* c)
{
    if (!c) return;
    Worker* w = workerOf(c);
    platform::postThreadMessage(c->workerThreadId, QMR_TM_QUIT);
    if (!w->thread.waitFor(3000)) {
        // The worker is inside a long exchange: make it give up now.
        w->closing = true;
        link::interruptLink(c);
    }
    w->thread.join();
    if (link::isOpen(c)) link::closeLink(c);
    destroy(c);
}

int QMRFlshReset(FlshContext* c, const ResetParams* p, int) { return resetCommand(c, p, false); }
int QMRUSBOpen(FlshContext* c, const ResetParams* p, int) { return resetCommand(c, p, true); }

int QMRFlshCmdOpt(FlshContext* c, int option)
{
    if (!c) return QMR_E_NULL;
    platform::SemaphoreLock g(lockOf(c));
    c->cmdOption = static_cast<uint8_t>(option);
    return 0;
}

int QMRFlshSeqFlg(FlshContext* c, int flags)
{
    if (!c) return QMR_E_NULL;
    platform::SemaphoreLock g(lockOf(c));
    c->seqFlags = mirrorFlags(flags);
    return 0;
}

int QMRFlshAbort(FlshContext* c, const PrmRecord* record)
{
    if (!c) return QMR_E_NULL;
    copyPrm(c, record);
    return postCommand(c, QMR_TM_ABORT);
}

int QMRFlshModeChange(FlshContext* c, const PrmRecord* record, int mode)
{
    if (!c) return QMR_E_NULL;
    copyPrm(c, record);
    {
        platform::SemaphoreLock g(lockOf(c));
        c->mode = mode;
    }
    return postCommand(c, QMR_TM_MODECHANGE);
}

int QMRFlshV850Self(FlshContext* c, const PrmRecord* record)
{
    if (!c) return QMR_E_NULL;
    copyPrm(c, record);
    return postCommand(c, QMR_TM_V850SELF);
}

ProgressRecord* QMRFlshGetProg(FlshContext* c)
{
    if (!c) return nullptr;
    return takeRecord(c);
}

int QMRFlshEPV(FlshContext* c, int) { return postCommand(c, QMR_TM_EPV); }
int QMRFlshBlnk(FlshContext* c, int) { return postCommand(c, QMR_TM_BLANK); }
int QMRFlshErase(FlshContext* c, int, int, int) { return postCommand(c, QMR_TM_ERASE); }
int QMRFlshProgram(FlshContext* c, int) { return postCommand(c, QMR_TM_PROGRAM); }
int QMRFlshVerify(FlshContext* c, int) { return postCommand(c, QMR_TM_VERIFY); }
int QMRFlshSecurity(FlshContext* c, int) { return postCommand(c, QMR_TM_SECURITY); }
int QMRCheckSum(FlshContext* c, int) { return postCommand(c, QMR_TM_CHECKSUM); }
int QMRFlshSigread(FlshContext* c, int) { return postCommand(c, QMR_TM_SIGREAD); }
int QMRLogInfoUpLoad(FlshContext* c, int) { return postCommand(c, QMR_TM_LOGINFO); }
int QMRLogCntClear(FlshContext* c, int) { return postCommand(c, QMR_TM_LOGCLEAR); }
int QMRFlshBuildNo(FlshContext* c, int) { return postCommand(c, QMR_TM_BUILDNO); }
int QMRFlshGUIQuit(FlshContext* c) { return postCommand(c, QMR_TM_GUIQUIT); }
int QMRFlshRead(FlshContext* c, int) { return postCommand(c, QMR_TM_READ); }
int QMRFIRMUpdate(FlshContext* c, int) { return postCommand(c, QMR_TM_FIRMUPDATE); }
int QMRFlashCheckSum(FlshContext* c, int) { return postCommand(c, QMR_TM_FLASHCHECKSUM); }
int QMRFlshEXPEPV(FlshContext* c, int) { return postCommand(c, QMR_TM_EXPEPV); }
int QMRGetDeviceInfo(FlshContext* c, int) { return postCommand(c, QMR_TM_DEVICEINFO); }
int QMRHexDownLoad(FlshContext* c, int) { return postCommand(c, QMR_TM_HEXDOWNLOAD); }
int QMRHexInfoUpLoad(FlshContext* c, int) { return postCommand(c, QMR_TM_HEXINFO); }
int QMRHexUpLoad(FlshContext* c, int) { return postCommand(c, QMR_TM_HEXUPLOAD); }
int QMRPRMListUpLoad(FlshContext* c, int) { return postCommand(c, QMR_TM_PRMLIST); }
int QMRPRMSETListUpLoad(FlshContext* c, int) { return postCommand(c, QMR_TM_PRMSETLIST); }
int QMRPRMSend(FlshContext* c, int) { return postCommand(c, QMR_TM_PRMSEND); }
int QMRPRMUpLoad(FlshContext* c, int) { return postCommand(c, QMR_TM_PRMUPLOAD); }
int QMRProgress(FlshContext* c, int) { return postCommand(c, QMR_TM_PROGRESS); }
int QMRSETDefaultGet(FlshContext* c, int) { return postCommand(c, QMR_TM_SETDEFGET); }
int QMRSETDefaultSet(FlshContext* c, int) { return postCommand(c, QMR_TM_SETDEFSET); }
int QMRSETFileDelete(FlshContext* c, int) { return postCommand(c, QMR_TM_SETDELETE); }
int QMRSETListUpLoad(FlshContext* c, int) { return postCommand(c, QMR_TM_SETLIST); }
int QMRSETPRMUpLoad(FlshContext* c, int) { return postCommand(c, QMR_TM_SETPRMUPLOAD); }
int QMRSETSend(FlshContext* c, int) { return postCommand(c, QMR_TM_SETSEND); }
int QMRSETUpLoad(FlshContext* c, int) { return postCommand(c, QMR_TM_SETUPLOAD); }
int QMRStartCmd(FlshContext* c, int) { return postCommand(c, QMR_TM_STARTCMD); }
int QMRSysinforead(FlshContext* c, int) { return postCommand(c, QMR_TM_SYSREAD); }
int QMRSysinfowrite(FlshContext* c, int) { return postCommand(c, QMR_TM_SYSWRITE); }
#ifdef QMR_GANG
int QMRFlshBtnMask(FlshContext* c, int) { return postCommand(c, QMR_TM_BTNMASK); }
int QMRFlshSBtnInfo(FlshContext* c, int) { return postCommand(c, QMR_TM_SBTNINFO); }
#endif

}  // extern "C"
