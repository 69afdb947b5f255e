#include "protocol/transfers.h"

#include <cstring>

#include "link/link.h"
#include "protocol/commands.h"
#include "checks/codes.h"
#include "protocol/context.h"
#include "protocol/routines.h"

namespace qmr::protocol {

using namespace checks;

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

// The end-of-transfer exchange: an empty answer, or kRefused when the unit
// answers a status instead.
int endTransfer(FlshContext* c)
{
    sendCommand(c, cmd::kEnd);
    uint8_t f[5];
    int rc = readFixed(c, f, sizeof f);
    if (rc == 0) c->lastStatus = 1;
    return rc;
}

// For the uploads whose callers read a refusal from lastStatus.
int linkCodeOnly(int rc) { return rc == kRefused ? 0 : rc; }
}  // namespace

int uploadPrmNames(FlshContext* c)
{
    sendCommand(c, cmd::kPrmList);
    uint8_t f[7];
    int rc = readFixed(c, f, sizeof f);
    if (rc) return linkCodeOnly(rc);
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
    return linkCodeOnly(endTransfer(c));
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
    return linkCodeOnly(endTransfer(c));
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
#ifdef QMR_GANG
    // The gang box answers 0x1C with the build number and its start-button
    // state: read it as a variable answer.
    uint8_t a[8];
    VariableAnswer v;
    int rc = readVariable(c, a, sizeof a, v);
    if (rc) return rc;
    if (v.isStatus) return kRefused;
    if (v.length < 2) return QMR_E_SHORTREAD;
    c->buildNumber = static_cast<uint16_t>((a[0] << 8) | a[1]);
    return 0;
#else
    uint8_t f[7];
    int rc = readFixed(c, f, sizeof f);
    if (rc == 0) c->buildNumber = static_cast<uint16_t>((f[3] << 8) | f[4]);
    return rc;
#endif
}

// ---- state routines of the transfers ---------------------------------------------

namespace {

constexpr uint32_t kImageMax = 0x800000;  // the caller's image buffers
constexpr uint32_t kReadMax = 0x400000;   // the caller's read buffer

#ifdef QMR_GANG
constexpr bool kGang = true;
#else
constexpr bool kGang = false;
#endif

// The start command of an image transfer: with the settings number in the gang build.
int sendImageCommand(FlshContext* c, uint8_t command)
{
    if (kGang) return sendCommand(c, command, &c->settingsNumber, 1);
    return sendCommand(c, command);
}

// The progress of an image stream of `size` bytes: calls line(percent) at
// the points the lines are posted, block(i, bytes) for every frame.
template <class Line, class Block>
int streamImage(uint32_t size, Line line, Block block)
{
    uint32_t u = size / 512, r = size % 512;
    int rc = 0;
    if (u == 0) {
        for (int p = 10; p <= 100; p += 10) line(p);
        return block(0u, r);
    }
    if (u >= 10) {
        uint32_t step = (u + 9) / 10;
        int k = 0;
        for (uint32_t i = 0; i < u; ++i) {
            if ((rc = block(i, 512u)) != 0) return rc;
            if ((i + 1) % step == 0) {
                ++k;
                line(10 * k >= 100 ? 99 : 10 * k);
            }
        }
        line(99);
        if (r) rc = block(u, 512u);  // the tail, padded with 0xFF
        return rc;
    }
    for (uint32_t p = 10; p <= (10 - u) * 10; p += 10) line(static_cast<int>(p));
    for (uint32_t i = 0; i < u; ++i) {
        if ((rc = block(i, 512u)) != 0) return rc;
        int p = static_cast<int>((10 - u + i + 1) * 10);
        line(p >= 100 ? 99 : p);
    }
    if (r) rc = block(u, r);
    return rc;
}

}  // namespace

int complete(FlshContext* c, const char* title, const char* text)
{
    c->busy = 0;
    Rec r;
    r.title = title;
    r.percent = 100;
    post(c, r, "%s", text);
    return 0;
}

int fail(FlshContext* c, int linkCode, const char* title, int tagB)
{
    c->busy = 0;
    if (linkCode == kRefused) linkCode = 0;  // the unit's status says why
    if (linkCode) {
        postStatusError(c, linkCode, tagB);
        return linkCode;
    }
    int status = c->lastStatus == 1 ? QMR_E_SHORTREAD : c->lastStatus;
    postStatusError(c, status, tagB, title);
    return status;
}

int statePrmDownload(FlshContext* c)
{
    uint8_t st = 0;
    int rc = statusExchange(c, cmd::kPrmDownload, c->prm.prmImage + 6, 4, st);
    if (rc || st != 1) return fail(c, rc, "Parameter File Download failure");
    uint32_t size = c->prm.prmFileSize < sizeof c->prm.prmImage ? c->prm.prmFileSize : sizeof c->prm.prmImage;
    uint32_t n = size / 512;
    for (uint32_t i = 0; i < n; ++i) {
        postProgress(c, "Parameter File Download ...", "PRM File Download Command ...%d %%%%", static_cast<int>(3 * i));
        rc = statusExchange(c, cmd::kPrmData, c->prm.prmImage + 512 * i, 512, st);
        if (rc || st != 1) return fail(c, rc, "Parameter File Download failure");
    }
    if ((rc = endTransfer(c)) != 0) return fail(c, rc, "Parameter File Download failure");
    postProgress(c, "Parameter File Download ...", "PRM File Download Command ...%d %%%%", 99);
    return complete(c, "Parameter File Download Completion", "PRM File Send Command Completion");
}

int statePrmUpload(FlshContext* c)
{
    int rc = uploadPrm(c, c->settingsRecord + 6);
    if (rc || c->lastStatus != 1) return fail(c, rc, "Initialization failure");
    return complete(c, "", "PRM File Up Load Command Completion");
}

int statePrmList(FlshContext* c)
{
    int rc = uploadPrmNames(c);
    if (rc || c->lastStatus != 1) return fail(c, rc, "");
    return complete(c, "", "PRM Name List Up Load Command Completion");
}

int stateSetList(FlshContext* c)
{
    int rc = uploadSetNames(c);
    if (rc || c->lastStatus != 1) return fail(c, rc, "");
    return complete(c, "", "SET Name List Up Load Command Completion");
}

int statePrmSetList(FlshContext* c)
{
    int rc = uploadPrmNames(c);
    if (rc == 0 && c->lastStatus == 1) rc = uploadSetNames(c);
    if (rc || c->lastStatus != 1) return fail(c, rc, "");
    return complete(c, "", "SET Default No Up Load Command Completion");
}

int stateSetDownload(FlshContext* c)
{
    uint8_t st = 0;
    int rc = statusExchange(c, cmd::kSetDownload, &c->settingsNumber, 1, st);
    if (rc || st != 1) return fail(c, rc, "Setting File Download failure");
    for (int i = 0; i < 32; ++i) {
        postProgress(c, "Setting File Download ...", "SET File Download Command ...%d %%%%", 3 * i);
        rc = statusExchange(c, cmd::kSetData, c->settingsRecord + 512 * i, 512, st);
        if (rc || st != 1) return fail(c, rc, "Setting File Download failure");
    }
    if ((rc = endTransfer(c)) != 0) return fail(c, rc, "Setting File Download failure");
    return complete(c, "Setting File Download Completion", "SET File Send Command Completion");
}

int stateSetUpload(FlshContext* c)
{
    sendButtonMask(c, 1);
    int rc = uploadSettings(c, c->settingsNumberChosen, true);
    uint8_t status = c->lastStatus;
    c->setupInfoValid = status == 6 ? 0 : 1;
    sendButtonMask(c, 0);
    c->lastStatus = status;
    if (rc) return fail(c, rc, "Initialization failure", QMR_PHASE_SET_UPLOAD);
    if (status != 1) {
        c->busy = 0;
        postStatusError(c, status, QMR_PHASE_SET_UPLOAD, "Initialization failure");
        return status;
    }
    c->busy = 0;
    Rec r;
    r.title = "Setting File Upload Completion";
    r.percent = 100;
    r.done = 1;
    post(c, r, "SET File Upload Command Completion");
    r.done = 0;
    post(c, r, "SET File Upload Command Completion");
    return 0;
}

int stateSetPrmUpload(FlshContext* c)
{
    // A failure carries the phase it happened in, as initialization's do.
    int phase = QMR_PHASE_SET_UPLOAD;
    int rc = uploadSettings(c, c->settingsNumber, true);
    if (rc == 0) {
        if (c->lastStatus == 6) {
            c->setupInfoValid = 0;
            int k = c->prmListSelection;
            phase = QMR_PHASE_PRM_UPLOAD;
            if (k >= 0 && k < c->prmNameCount && k < QMR_PRM_NAME_MAX) rc = uploadPrm(c, c->prmNameList[k]);
        } else if (c->lastStatus == 1) {
            c->setupInfoValid = 1;
            phase = QMR_PHASE_PRM_UPLOAD;
            rc = uploadPrm(c, c->settingsRecord + 6);
        }
    }
    c->busy = 0;
    Rec r;
    r.percent = 100;
    if (rc || (c->lastStatus != 1 && c->lastStatus != 6)) r.tagB = phase;
    // The completion line comes whatever the result; its code tells the result.
    r.code = rc ? rc : (c->lastStatus == 1 || c->lastStatus == 6 ? 0 : c->lastStatus);
    post(c, r, "SET, PRM File Up Load Command Completion");
    return 0;
}

int stateSetDelete(FlshContext* c)
{
    uint8_t st = 1;
    int rc = 0;
    if (kGang && c->multiDelete) {
        for (int i = 0; i < QMR_SET_ENTRIES && i < 8; ++i) {
            uint8_t number = c->setNameList[i][0];
            if ((number & 0xF0) == 0) continue;
            uint8_t slot = number & 0x0F;
            rc = statusExchange(c, cmd::kSetDelete, &slot, 1, st);
            if (rc || st != 1) break;
        }
        if (rc == 0 && st == 1) c->lastStatus = 1;
    } else {
        rc = statusExchange(c, cmd::kSetDelete, &c->setDeleteNumber, 1, st);
    }
    if (rc || c->lastStatus != 1) {
        c->busy = 0;
        Rec r;
        r.title = "Setting File Delete Failed";
        r.code = rc ? rc : c->lastStatus;
        r.percent = 100;
        post(c, r, "SET File Delete Command Failed");
        return r.code;
    }
    return complete(c, "Setting File Delete Completion", "SET File Delete Command Completion");
}

int stateSetDefaultGet(FlshContext* c)
{
    sendCommand(c, cmd::kSetDefaultGet);
    uint8_t f[6];
    int rc = readFixed(c, f, sizeof f);
    if (rc) return fail(c, rc, "");
    if (f[3] == 0xFF) {
        c->settingsNumberValid = 0;
    } else {
        c->settingsNumber = f[3];
        c->settingsNumberValid = 1;
    }
    c->lastStatus = 1;
    return complete(c, "", "SET Default No Getting Command Completion");
}

int stateSetDefaultSet(FlshContext* c)
{
    uint8_t st = 0;
    int rc = statusExchange(c, cmd::kSetDefaultSet, &c->settingsNumber, 1, st);
    if (rc || st != 1) return fail(c, rc, "");
    return complete(c, "", "SET Default No Setting Command Completion");
}

int stateHexDownload(FlshContext* c)
{
    const char* failure = "HEX File Download failure";
    uint32_t size = c->hexSize;
    if (!c->hexImage || size > kImageMax) return fail(c, QMR_E_RANGE, failure);
    uint8_t st = 0;
    sendImageCommand(c, cmd::kHexDownload);
    int rc = readStatus(c, st);
    if (rc || st != 1) return fail(c, rc, failure);

    size_t nameLen = strnlen(c->hexFileName, sizeof c->hexFileName - 1);
    sendCommand(c, cmd::kHexData, reinterpret_cast<const uint8_t*>(c->hexFileName), static_cast<uint16_t>(nameLen));
    uint8_t header[31] = {};
    header[0] = c->hexSecurity;
    auto put32 = [&](int at, uint32_t v) {
        for (int i = 0; i < 4; ++i) header[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
    };
    put32(1, c->hexStart);
    put32(5, c->hexHighest);
    put32(9, size);
    put32(13, c->hexCrc);
    std::memcpy(header + 17, c->hexTimestamp, 14);
    sendCommand(c, cmd::kHexData, header, sizeof header);

    uint8_t frame[kBlockFrame];
    rc = streamImage(
        size,
        [&](int p) { postProgress(c, "HEX File Download ...", "HEX File Download Command ...%d %%%%", p); },
        [&](uint32_t i, uint32_t n) {
            uint8_t data[kBlock];
            uint32_t have = size - 512 * i < 512 ? size - 512 * i : 512;
            std::memcpy(data, c->hexImage + 512 * i, have);
            if (have < n) std::memset(data + have, 0xFF, n - have);
            size_t len = buildFrame(cmd::kHexData, data, static_cast<uint16_t>(n), frame);
            return send(c, frame, static_cast<uint32_t>(len));
        });
    if (rc) return fail(c, rc, failure);
    sendCommand(c, cmd::kEnd);
    if ((rc = readStatus(c, st)) != 0 || st != 1) return fail(c, rc, failure);
    return complete(c, "HEX File Download Completion", "HEX File Download Command Completion");
}

// The start of the image upload and of the image information: the command,
// its status, then the image name block.  0, or what fail() ended it with.
int beginImageUpload(FlshContext* c, uint8_t command, const char* failure, uint8_t* block, VariableAnswer& a)
{
    uint8_t st = 0;
    sendImageCommand(c, command);
    int rc = readStatus(c, st);
    if (rc || st != 1) return fail(c, rc, failure);
    if ((rc = nextData(c, block, kBlock, a)) != 0) return fail(c, rc, failure);
    if (a.isStatus) return fail(c, 0, failure);
    return 0;
}

int stateHexUpload(FlshContext* c)
{
    const char* failure = "HEX File upload failure";
    if (!c->uploadBuffer) return fail(c, QMR_E_RANGE, failure);
    uint8_t block[kBlock];
    VariableAnswer a;
    int rc = beginImageUpload(c, cmd::kHexUpload, failure, block, a);
    if (rc) return rc;
    if ((rc = nextData(c, block, sizeof block, a)) != 0) return fail(c, rc, failure);
    if (a.isStatus) return fail(c, 0, failure);
    if (a.length < 12) return fail(c, QMR_E_SHORTREAD, failure);
    uint32_t size = qmr_be32(block + 8);
    if (size > kImageMax) return fail(c, QMR_E_RANGE, failure);
    c->hexStart = qmr_be32(block);
    c->hexHighest = qmr_be32(block + 4);
    c->hexSize = size;
    rc = streamImage(
        size,
        [&](int p) { postProgress(c, "HEX File Upload ...", "HEX File Upload Command ...%d %%%%", p); },
        [&](uint32_t i, uint32_t) {
            VariableAnswer b;
            int r = nextData(c, block, sizeof block, b);
            if (r) return r;
            if (b.isStatus) return b.status == 1 ? 0 : kRefused;
            uint32_t off = 512 * i;
            uint32_t n = size - off < b.length ? size - off : b.length;
            std::memcpy(c->uploadBuffer + off, block, n);
            return 0;
        });
    if (rc) return fail(c, rc, failure);
    if ((rc = endTransfer(c)) != 0) return fail(c, rc, failure);
    return complete(c, "HEX File Upload Completion", "HEX File Upload Command Completion");
}

int stateHexInfo(FlshContext* c)
{
    const char* failure = "HEX File Infomation Upload failure";
    uint8_t block[kBlock];
    VariableAnswer a;
    int rc = beginImageUpload(c, cmd::kHexInfo, failure, block, a);
    if (rc) return rc;
    std::memset(c->systemText, 0, sizeof c->systemText);
    std::memcpy(c->systemText, block, a.length < QMR_SYSTEM_TEXT_MAX ? a.length : QMR_SYSTEM_TEXT_MAX);
    if ((rc = nextData(c, block, sizeof block, a)) != 0) return fail(c, rc, failure);
    if (a.isStatus) return fail(c, 0, failure);
    if (a.length < 17) return fail(c, QMR_E_SHORTREAD, failure);
    c->unitImageStart = qmr_be32(block);
    c->unitImageEnd = qmr_be32(block + 4);
    c->unitImageSize = qmr_be32(block + 8);
    c->unitImageCrc = qmr_be32(block + 12);
    c->unitImageKind = block[16];
    if ((rc = nextData(c, block, sizeof block, a)) != 0) return fail(c, rc, failure);
    if (a.isStatus && a.status != 1) return fail(c, 0, failure);
    c->lastStatus = 1;
    return complete(c, "HEX File Infomation Upload Completion", "HEX File Infomation Upload Command Completion");
}

int stateRead(FlshContext* c)
{
#ifdef QMR_GANG
    int unit = c->readUnit >= 1 && c->readUnit <= 8 ? c->readUnit - 1 : 0;
    UnitSlot* slot = &c->units[unit];
    sendCommand(c, cmd::kRead, &c->readUnit, 1);
#else
    UnitSlot* slot = nullptr;
    sendCommand(c, cmd::kRead);
#endif
    uint8_t st = 0;
    int rc = readStatus(c, st);
    if (rc == 0 && st != 1) {
        if (slot) slot->finished = slot->active = slot->error = 0;
        return fail(c, 0, "Error notice from the Target");
    }
    uint32_t size = c->readEnd;
    if (rc == 0 && (!c->readBuffer || size > kReadMax)) rc = QMR_E_RANGE;
    uint32_t blocks = (size + 511) / 512;
    uint32_t percent = 0, offset = 0;
    bool ended = false;
    uint8_t frame[kBlockFrame];
    for (uint32_t k = 0; rc == 0 && k <= blocks; ++k) {
        if ((rc = readFixed(c, frame, kBlockFrame)) != 0) break;
        if (frame[0] == cmd::kEnd) {
            ended = true;
            break;
        }
        if (offset < kReadMax) std::memcpy(c->readBuffer + offset, frame + 3, kReadMax - offset < 512 ? kReadMax - offset : 512);
        offset += 512;
        if (blocks == 0) {
            // nothing was asked for: no progress to show
        } else if (blocks <= 100) {
            percent += 100 / blocks;
            postProgress(c, "Read ...", "Read Command ...%d %%%%", static_cast<int>(percent > 100 ? 100 : percent));
        } else if ((k + 1) % (blocks / 100) == 0 && percent < 100) {
            ++percent;
            postProgress(c, "Read ...", "Read Command ...%d %%%%", static_cast<int>(percent));
        }
    }
    if (rc == 0 && !ended) purgeReceive(c);  // the unit sent more than asked for
    if (slot) {
        slot->finished = 0;
        slot->active = 1;
        slot->error = endCode(c, rc);
    }
    if (rc) return fail(c, rc, "Error notice from the Target");
    c->lastStatus = 1;
    return complete(c, "Read Completion", "Read Command Completion");
}

int stateFirmware(FlshContext* c)
{
    const char* failure = "Error notice from the Target";
    if (!c->firmwareImage || c->firmwareSize == 0 || c->firmwareSize > kImageMax)
        return fail(c, QMR_E_RANGE, failure);
    uint8_t command = cmd::kFirmwareStart;
    uint32_t answerLength = 6;
#ifdef QMR_GANG
    if (c->firmwareTarget != 1) {
        command = cmd::kUnitFirmwareStart;
        answerLength = 14;
    }
#endif
    uint8_t a[14];
    sendCommand(c, command);
    int rc = readFixed(c, a, answerLength);
    if (rc == 0) c->lastStatus = a[3];
    if (rc || a[3] != 1) return fail(c, rc, failure);
    uint32_t size = c->firmwareSize;
    uint8_t frame[kBlockFrame];
    uint32_t blocks = (size + 511) / 512;
    rc = streamImage(
        blocks * 512,
        [&](int p) {
            if (p >= 10) postProgress(c, "Firmware Update ...", "Firmware Update Command ...%d %%%%", p);
        },
        [&](uint32_t i, uint32_t) {
            uint8_t data[kBlock];
            uint32_t off = 512 * i;
            uint32_t have = size - off < 512 ? size - off : 512;
            std::memcpy(data, c->firmwareImage + off, have);
            std::memset(data + have, 0xFF, 512 - have);
            size_t len = buildFrame(cmd::kFirmwareData, data, 512, frame);
            send(c, frame, static_cast<uint32_t>(len));
            int r = readFixed(c, a, answerLength);
            if (r) return r;
            c->lastStatus = a[3];
            return a[3] == 1 ? 0 : kRefused;
        });
    if (rc) return fail(c, rc, failure);
    sendCommand(c, cmd::kEnd);
    uint8_t sink[64];
    VariableAnswer v;
    if ((rc = readVariable(c, sink, sizeof sink, v)) != 0) return fail(c, rc, failure);
    if (v.isStatus && v.status != 1) return fail(c, 0, failure);
    return complete(c, "Firmware Update Completion", "Firmware Update Command Completion");
}

// The answer to 0x11 serves the system-information and the log readers:
// 0 or the code its failure ended the command with.
int readInformation(FlshContext* c, uint8_t* a, VariableAnswer& v)
{
    sendCommand(c, cmd::kInfoRead);
    int rc = readVariable(c, a, kBlock, v);
    if (rc) return fail(c, rc, "");
    if (v.isStatus) return fail(c, 0, "");
    if (v.length < 21) return fail(c, QMR_E_SHORTREAD, "");
    c->lastStatus = 1;
    return 0;
}

int stateLogInfo(FlshContext* c)
{
    uint8_t a[kBlock];
    VariableAnswer v;
    if (int rc = readInformation(c, a, v)) return rc;
    // Data bytes 21 on: OK count, NG count, 32 NG status codes.
    if (v.length >= 21 + 8) {
        c->okCount = qmr_be32(a + 21);
        c->ngCount = qmr_be32(a + 25);
        for (int i = 0; i < 32; ++i)
            c->ngList[i] = 29u + 2u * i + 2u <= v.length ? qmr_be16(a + 29 + 2 * i) : 0;
    }
    return complete(c, "Log data Infomation Upload Completion", "Log data Infomation Upload Command Completion");
}

int stateLogClear(FlshContext* c)
{
    uint8_t st = 0;
    int rc = statusExchange(c, cmd::kLogClear, nullptr, 0, st);
    if (rc || st != 1) return fail(c, rc, "");
    return complete(c, "", "Log OK/NG cnt Clear Completion");
}

int stateSysRead(FlshContext* c)
{
    uint8_t a[kBlock];
    VariableAnswer v;
    if (int rc = readInformation(c, a, v)) return rc;
    c->sysValues[0] = a[19];
    c->sysValues[1] = a[20];
    return complete(c, "System Infomation read Completion", "System Infomation read Command Completion");
}

int stateSysWrite(FlshContext* c)
{
    uint8_t d[21] = {};
    d[19] = c->sysValues[0];
    d[20] = c->sysValues[1];
    uint8_t st = 0;
    int rc = statusExchange(c, cmd::kInfoWrite, d, sizeof d, st);
    if (rc || st != 1) return fail(c, rc, "");
    return complete(c, "System Infomation write Completion", "System Infomation write Command Completion");
}

}  // namespace qmr::protocol
