// Device operations started in the unit, the progress poll that follows
// them, and the small unit commands.
#include <cstdio>
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

namespace {

constexpr int kPollIntervalMs = 10;  // between passes over the units

struct Operation {
    uint8_t command;
    const char* title;
    const char* text;
};

int startOperation(FlshContext* c, const Operation& op, const uint8_t* data = nullptr, uint16_t n = 0)
{
    sendButtonMask(c, 1);
    sendCommand(c, op.command, data, n);
    uint8_t status = 0;
#ifdef QMR_GANG
    uint8_t f[14];
    int rc = readFixed(c, f, sizeof f);
    if (rc == kRefused) {
        status = c->lastStatus;  // a status answer: refused, no unit flags
        rc = status == 1 ? QMR_E_SHORTREAD : 0;
    } else if (rc == 0) {
        status = f[3];
        c->lastStatus = status;
        if (status == 1) {
            for (int i = 0; i < QMR_UNITS; ++i) {
                UnitSlot& u = c->units[i];
                u.active = f[4 + i] == 1 ? 1 : 0;
                u.finished = 0;
                u.error = 0;
                u.percent = 0;
            }
        }
    }
#else
    int rc = readStatus(c, status);
    if (rc == 0 && status == 1) {
        UnitSlot& u = workerOf(c)->poll.single;
        u.active = 1;
        u.finished = 0;
        u.error = 0;
        u.percent = 0;
    }
#endif
    c->busy = 0;
    if (rc) {
        postStatusError(c, rc);
        return rc;
    }
    if (status != 1) {
        // Refused by the unit: nothing runs, so there is nothing to poll.
        sendButtonMask(c, 0);
        postStatusError(c, status);
        return status;
    }
    Rec r;
    r.title = op.title;
    r.percent = 2;
    post(c, r, "%s", op.text);
    return 0;
}

// Short name of an operation byte for the poll's titles.
const char* operationName(uint8_t op)
{
    static const char* const kNames[] = {"Erase", "Blank Check", "Program", "Verify", "EPV", "Read",
                                         "Security", "Check Sum", "Signature", "Expansion EPV"};
    if (op < 0x21 || op > 0x2A) return "";
    return kNames[op - 0x21];
}

UnitSlot* slotOf(FlshContext* c, int i)
{
#ifdef QMR_GANG
    return &c->units[i];
#else
    (void)i;
    return &workerOf(c)->poll.single;
#endif
}

constexpr int kSlots =
#ifdef QMR_GANG
    QMR_UNITS;
#else
    1;
#endif

uint32_t le32(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24); }

// One progress query of unit slot i; 0 or a link code / unit status.
int pollUnit(FlshContext* c, int i, PollState& ps)
{
#ifdef QMR_GANG
    uint8_t position = static_cast<uint8_t>(i + 1);
    sendCommand(c, cmd::kProgress, &position, 1);
#else
    sendBare(c, cmd::kProgress);
#endif
    uint8_t a[64] = {};
    VariableAnswer v;
    int rc = readVariable(c, a, sizeof a, v);
    if (rc) return rc;
    if (v.isStatus) return v.status == 1 ? 0 : v.status;
    UnitSlot& u = *slotOf(c, i);
    uint32_t count = qmr_be32(a);
    bool done = a[4] != 0;
    uint8_t op = a[5];
    uint16_t result = qmr_be16(a + 7);
    ps.operation = op;
    if (result != 0 && result != 6) {
        u.error = result;
        u.finished = 1;
        return 0;
    }
    uint32_t start = le32(c->settingsRecord + 0x0D0);
    uint32_t end = le32(c->settingsRecord + 0x0D4);
    uint64_t range = end > start ? end - start : 0;
    // A zero range cannot give a percentage: the operation is whole when done.
    uint64_t pct = range ? uint64_t(count) * 100 / range : (done ? 100 : 0);
    if (pct > 100) pct = 100;
    u.percent = static_cast<int32_t>(pct);
    ps.percent = u.percent;
    if (done && u.percent == 100) u.finished = 1;
    if (done) {
        uint8_t* security = &u.securityOk;
        uint8_t* checksum = u.deviceChecksum;
        uint8_t* signature = u.signature;
#ifndef QMR_GANG
        security = &c->securityResult;
        checksum = c->deviceChecksum;
        signature = c->signature;
#endif
        if (op == cmd::kSecurity) *security = a[6] == 6 ? 1 : 0;
        if (op == cmd::kDeviceChecksum) std::memcpy(checksum, a + 9, 2);
        if (op == cmd::kSignature) {
            size_t n = c->settingsRecord[0x050] == 3 ? 27 : 17;
            size_t have = v.length > 13 ? v.length - 13u : 0u;
            std::memcpy(signature, a + 13, n < have ? n : have);
        }
    }
    return 0;
}

void postPollLine(FlshContext* c, const char* title, int percent, int tagA)
{
    Rec r;
    r.title = title;
    r.percent = percent < 0 ? 0 : percent;
    r.tagA = tagA;
    r.tagB = c->tagB;
    post(c, r, "PROGRESS %d Completion", percent);
}

}  // namespace

int stateBlank(FlshContext* c) { return startOperation(c, {cmd::kBlank, "Blank", "BLANK Command ..."}); }
int stateErase(FlshContext* c) { return startOperation(c, {cmd::kErase, "Erase", "ERASE Command ..."}); }
int stateProgram(FlshContext* c) { return startOperation(c, {cmd::kProgram, "Program", "PROGRAM Command ..."}); }
int stateVerify(FlshContext* c) { return startOperation(c, {cmd::kVerify, "Verify", "VERIFY Command ..."}); }
int stateEpv(FlshContext* c) { return startOperation(c, {cmd::kEpv, "Epv ...", "EPV Command ..."}); }
int stateSecurity(FlshContext* c)
{
    return startOperation(c, {cmd::kSecurity, "Device Security", "Device Security Command Completion"});
}
int stateDeviceChecksum(FlshContext* c)
{
    return startOperation(c, {cmd::kDeviceChecksum, "Device Check Sum", "Device Check Sum Command Completion"});
}
int stateSignature(FlshContext* c)
{
    return startOperation(c, {cmd::kSignature, "Device Signature", "Device Signature Command Completion"});
}

int stateExpansionEpv(FlshContext* c)
{
    uint8_t d[69] = {};
    auto put32 = [](uint8_t* p, uint32_t v) {
        for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (24 - 8 * i));
    };
    put32(d, c->serialAddress);
    d[4] = c->serialSize;
#ifdef QMR_GANG
    for (int i = 0; i < QMR_UNITS; ++i) {
        if (qmr_info_version(c, i) == 0xFFFF) continue;  // no unit at this position
        put32(d + 5 + 8 * i, c->unitSerial[i][0]);
        put32(d + 9 + 8 * i, c->unitSerial[i][1]);
    }
    const uint16_t n = 69;
#else
    put32(d + 5, c->serialValue);
    const uint16_t n = 9;
#endif
    return startOperation(c, {cmd::kExpEpv, "Expansion Epv ...", "EXPANSION EPV Command ..."}, d, n);
}

int stateProgress(FlshContext* c)
{
    PollState& ps = workerOf(c)->poll;
    if (!ps.running) {
        ps.running = true;
        ps.percent = 100;  // nothing to poll is complete
        ps.operation = 0;
    }
    bool allFinished = true;
    for (int i = 0; i < kSlots; ++i) {
        UnitSlot& u = *slotOf(c, i);
        if (!u.active || u.finished) continue;
        int rc = pollUnit(c, i, ps);
        if (rc) {
            ps.running = false;
            c->busy = 0;
            postStatusError(c, rc, c->tagB);  // a link code, or the unit refused the query
            return rc;
        }
        if (!u.finished) allFinished = false;
    }
    const char* name = operationName(ps.operation);
    if (!allFinished) {
        postPollLine(c, name, ps.percent, c->tagA);
        // Let the unit work before the next pass; a quit or an abort ends the wait.
        workerOf(c)->thread.queue().waitFor(QMR_TM_FIRST, QMR_TM_LAST_DEVICE, kPollIntervalMs);
        return 0;  // busy stays set: the worker runs the next pass
    }
    ps.running = false;
    int n = ps.percent;
    postPollLine(c, name, n - 1, c->tagA);
    int error = 0;
    for (int i = 0; i < kSlots && !error; ++i) {
        UnitSlot& u = *slotOf(c, i);
        if (u.active && u.error) error = u.error;
    }
    c->busy = 0;
    if (!error) {
        sendButtonMask(c, 0);
        char title[QMR_TEXT_SIZE];
        std::snprintf(title, sizeof title, "%s Completion", name);
        Rec r;
        r.title = title;
        r.percent = 100;
        r.tagB = c->tagB;
        post(c, r, "PROGRESS %d Completion", n);
        return 0;
    }
#ifdef QMR_GANG
    c->startButtons = 0;
#endif
    postTargetError(c, error, c->tagB);
    return error;
}

int stateImageChecksum(FlshContext* c)
{
    sendButtonMask(c, 1);
#ifdef QMR_GANG
    sendCommand(c, cmd::kHexChecksum, &c->settingsNumber, 1);
#else
    sendCommand(c, cmd::kHexChecksum);
#endif
    uint8_t a[8];
    VariableAnswer v;
    int rc = readVariable(c, a, sizeof a, v);
    c->busy = 0;
    if (rc) {
        postStatusError(c, rc, QMR_PHASE_CHECKSUM, "Check Sum Command failure");
        return rc;
    }
    if (v.isStatus) {
        c->lastStatus = v.status;
    } else if (v.length == 2) {
        c->imageChecksum = qmr_be16(a);
        c->lastStatus = 1;
    } else {
        c->lastStatus = 35;
    }
    if (c->lastStatus != 1) {
        postStatusError(c, c->lastStatus, QMR_PHASE_CHECKSUM, "Check Sum Command failure");
        return c->lastStatus;
    }
    return complete(c, "", "Check Sum Command Completion");
}

int stateBuildNo(FlshContext* c)
{
    int rc = readBuildNumber(c);
    if (rc) return fail(c, rc, "Build No failure");
    return complete(c, "Build No Completion", "Build No Command Completion");
}

int stateQuit(FlshContext* c)
{
    sendCommand(c, cmd::kQuit);
    return complete(c, "Quit Completion", "Quit Command Completion");
}

#ifdef QMR_GANG
int stateStartButtons(FlshContext* c)
{
    sendCommand(c, cmd::kBuildNo);
    uint8_t a[8] = {};
    VariableAnswer v;
    int rc = readVariable(c, a, sizeof a, v);
    c->busy = 0;
    if (rc == QMR_E_SHORTWRITE || rc == QMR_E_SHORTREAD || rc == QMR_E_READ) {
        Rec r;
        r.title = "USB error";
        r.code = rc;
        r.percent = 100;
        post(c, r, "USB error");
        return rc;
    }
    if (rc == 0) c->startButtons = v.isStatus ? v.status : (v.length >= 3 ? a[2] : 0);
    Rec r;
    r.percent = 100;
    post(c, r, "%s", "");
    return 0;
}

int stateButtonMask(FlshContext* c)
{
    int rc = sendButtonMask(c, c->buttonMask);
    if (rc) return fail(c, rc, "");
    return complete(c, "", "Button mask Completion");
}
#endif

}  // namespace qmr::protocol
