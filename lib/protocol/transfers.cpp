#include "protocol/transfers.h"

#include <cstring>

#include "link/link.h"
#include "protocol/commands.h"
#include "protocol/context.h"

namespace qmr::protocol {

using namespace qmr::link;

int statusExchange(FlshContext* c, uint8_t command, const uint8_t* data, uint16_t n, uint8_t& status)
{
    sendCommand(c, command, data, n);
    return readStatus(c, status);
}

namespace {
// One "next data" exchange into dst (capacity bytes).
int nextData(FlshContext* c, uint8_t* dst, uint32_t capacity, VariableAnswer& a)
{
    sendCommand(c, cmd::kNext);
    return readVariable(c, dst, capacity, a);
}

// The end-of-transfer exchange: an empty answer.
int endTransfer(FlshContext* c)
{
    sendCommand(c, cmd::kEnd);
    uint8_t f[5];
    int rc = readFixed(c, f, sizeof f);
    if (rc == 0) c->lastStatus = 1;
    return rc;
}
}  // namespace

int uploadPrmNames(FlshContext* c)
{
    sendCommand(c, cmd::kPrmList);
    uint8_t f[7];
    int rc = readFixed(c, f, sizeof f);
    if (rc) return rc;
    c->lastStatus = f[3];
    if (f[3] != 1) return 0;
    int count = f[4];
    c->prmNameCount = 0;
    std::memset(c->prmNameList, 0, sizeof c->prmNameList);
    for (int i = 0; i < count; ++i) {
        VariableAnswer a;
        rc = nextData(c, c->prmNameList[i], QMR_PRM_NAME_ENTRY, a);
        if (rc) return rc;
        if (a.isStatus) return 0;
        c->prmNameCount = i + 1;
    }
    uint8_t sink[kBlock];
    VariableAnswer a;
    rc = nextData(c, sink, sizeof sink, a);
    if (rc) return rc;
    if (!a.isStatus) c->lastStatus = 1;
    return 0;
}

int uploadSetNames(FlshContext* c)
{
    uint8_t st = 0;
    int rc = statusExchange(c, cmd::kSetList, nullptr, 0, st);
    if (rc || st != 1) return rc;
    std::memset(c->setNameList, 0, sizeof c->setNameList);
    c->setNameCount = 0;
    for (int i = 0; i < QMR_SET_ENTRIES; ++i) {
        VariableAnswer a;
        rc = nextData(c, c->setNameList[i], QMR_SET_NAME_DATA, a);
        if (rc) return rc;
        if (a.isStatus) return 0;
        uint8_t first = c->setNameList[i][33];  // the second text field
        if (first != ' ' && first != 0) c->setNameCount++;
    }
    uint8_t sink[kBlock];
    VariableAnswer a;
    rc = nextData(c, sink, sizeof sink, a);
    if (rc) return rc;
    if (!a.isStatus) c->lastStatus = 1;
    return 0;
}

int uploadSettings(FlshContext* c, uint8_t number, bool progress)
{
    uint8_t st = 0;
    int rc = statusExchange(c, cmd::kSetUpload, &number, 1, st);
    if (rc || st != 1) return rc;
    for (int i = 0; i < 32; ++i) {
        if (progress)
            postProgress(c, "Setting File Upload ...", "SET File Upload Command ...%d %%%%", 3 * i);
        VariableAnswer a;
        rc = nextData(c, c->settingsRecord + kBlock * i, kBlock, a);
        if (rc) return rc;
        if (a.isStatus) return 0;
    }
    return endTransfer(c);
}

int uploadPrm(FlshContext* c, const uint8_t id[4])
{
    uint8_t st = 0;
    int rc = statusExchange(c, cmd::kPrmUpload, id, 4, st);
    if (rc || st != 1) return rc;
    uint32_t got = 0;
    for (int i = 0; i < 32; ++i) {
        VariableAnswer a;
        rc = nextData(c, c->prm.prmImage + kBlock * i, kBlock, a);
        if (rc) return rc;
        if (a.isStatus) return 0;
        got = kBlock * i + a.length;
    }
    c->prm.prmFileSize = got;
    return endTransfer(c);
}

int sendButtonMask(FlshContext* c, uint8_t mask)
{
#ifdef QMR_GANG
    c->buttonMask = mask;
    uint8_t st = 0;
    return statusExchange(c, cmd::kButtonMask, &mask, 1, st);
#else
    (void)c;
    (void)mask;
    return 0;
#endif
}

int readBuildNumber(FlshContext* c)
{
    sendCommand(c, cmd::kBuildNo);
    uint8_t f[7];
    int rc = readFixed(c, f, sizeof f);
    if (rc == 0) c->buildNumber = static_cast<uint16_t>((f[3] << 8) | f[4]);
    return rc;
}

}  // namespace qmr::protocol
