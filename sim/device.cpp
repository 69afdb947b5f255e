#include "sim/device.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "checks/crc32.h"
#include "link/crc16.h"
#include "protocol/commands.h"

namespace qmr::sim {

namespace {

using namespace qmr::protocol::cmd;

// Unit status codes the simulated unit answers.
enum : uint8_t {
    kOk = 1,
    kNoRoom = 4,
    kNoPrm = 5,
    kNoSetting = 6,
    kAlreadyDefault = 7,
    kNoHex = 8,
    kCrcError = 16,
    kNandWrite = 18,
    kNoDefault = 26,
    kUnclear = 30,
    kHexTooBig = 33,
};

// Target error codes.
enum : uint16_t {
    kTeAck = 6,  // the normal answer, not a failure
    kTeVerify = 15,
    kTeRange = 36,
    kTeNotBlank = 40,
};

constexpr uint32_t kImageMax = 0x800000;

uint32_t be32(const uint8_t* p) { return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3]; }
uint32_t le32(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24); }
void putBe32(std::vector<uint8_t>& v, uint32_t x)
{
    for (int i = 3; i >= 0; --i) v.push_back(static_cast<uint8_t>(x >> (8 * i)));
}
void putBe16(std::vector<uint8_t>& v, uint16_t x)
{
    v.push_back(static_cast<uint8_t>(x >> 8));
    v.push_back(static_cast<uint8_t>(x));
}

}  // namespace

const char* singleDescription() { return "Brennagrove Quillmarker-01"; }
const char* gangDescription() { return "Brennagrove Quill GANG-01"; }

Device::Device(Config config) : config_(std::move(config)), store_(config_.gang ? 8 : 50)
{
    if (config_.storeDir.empty()) return;
    std::string why;
    if (store_.load(storePath(), &why) != Store::Loaded::Damaged) return;
    // Never overwrite a store that could not be read: keep it aside.
    std::string aside;
    for (int i = 0; i < 100 && aside.empty(); ++i) {
        std::string name = storePath() + ".damaged" + (i ? "." + std::to_string(i) : std::string());
        struct stat st;
        if (lstat(name.c_str(), &st) != 0 && std::rename(storePath().c_str(), name.c_str()) == 0) aside = name;
    }
    if (aside.empty()) {
        storeBlocked_ = true;
        std::fprintf(stderr, "simulated unit: the store %s cannot be loaded (%s) nor kept aside; "
                     "the unit keeps nothing until it is moved away\n", storePath().c_str(), why.c_str());
    } else {
        std::fprintf(stderr, "simulated unit: the store %s cannot be loaded (%s); kept as %s, "
                     "the unit starts empty\n", storePath().c_str(), why.c_str(), aside.c_str());
    }
}

std::string Device::storePath() const { return config_.storeDir + (config_.gang ? "/gang.store" : "/single.store"); }

const char* Device::description() const { return config_.gang ? gangDescription() : singleDescription(); }

bool Device::persist()
{
    if (config_.storeDir.empty()) return true;
    if (!storeBlocked_ && store_.save(storePath())) return true;
    // Like a unit whose NAND write failed: it holds what it held before.
    Store before(slots());
    if (!storeBlocked_) before.load(storePath());
    store_ = std::move(before);
    return false;
}

uint64_t Device::now() const
{
    if (config_.clock) return config_.clock();
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

size_t Device::index(int unit) const
{
    if (!config_.gang) return 0;
    return static_cast<size_t>(std::clamp(unit, 1, 8) - 1);
}

bool Device::present(size_t i) const
{
    if (!config_.gang) return i == 0;
    return i < 8 && config_.versions[i] != 0xFFFF;
}

// ---- control interface ----------------------------------------------------------
void Device::injectStatus(uint8_t command, uint8_t status, size_t skip)
{
    injected_.push_back(Injection{command, skip, {}, status});
}

// A status in the shape the command is answered with: the gang box answers
// device operations and the units' firmware blocks with eight unit flags.
std::vector<uint8_t> Device::statusAnswer(uint8_t command, uint8_t status) const
{
    bool withFlags = false;
    if (config_.gang) {
        withFlags = (command >= kErase && command <= kEpv) || (command >= kSecurity && command <= kExpEpv) ||
                    command == kUnitFirmwareStart || (command == kFirmwareData && firmwareAnswer_ == kUnitFirmwareStart);
    }
    if (!withFlags) return statusFrame(command, status);
    std::vector<uint8_t> a(9, 0);
    a[0] = status;
    return frame(command, a.data(), 9);
}

void Device::injectAnswer(uint8_t command, std::vector<uint8_t> bytes, size_t skip)
{
    injected_.push_back(Injection{command, skip, std::move(bytes)});
}

void Device::injectTargetError(int unit, uint16_t code) { targets_[index(unit)].injectedError = code; }

void Device::silenceAfter(size_t bytes)
{
    silenceArmed_ = true;
    silenceBudget_ = bytes;
    if (bytes == 0) silent_ = true;
}

void Device::speakAgain()
{
    silent_ = false;
    silenceArmed_ = false;
}

void Device::unplugAfter(size_t bytes)
{
    unplugArmed_ = true;
    unplugBudget_ = bytes;
    if (bytes == 0) unplugged_ = true;
}

void Device::pressStartButton()
{
    if (!buttonMask_) buttons_ = 1;
}

// ---- the byte stream --------------------------------------------------------------
void Device::hostWrite(const uint8_t* data, size_t n)
{
    if (unplugged_) return;
    in_.insert(in_.end(), data, data + n);
    parse();
}

size_t Device::hostRead(uint8_t* data, size_t max)
{
    size_t k = std::min(max, out_.size());
    std::copy(out_.begin(), out_.begin() + static_cast<std::ptrdiff_t>(k), data);
    out_.erase(out_.begin(), out_.begin() + static_cast<std::ptrdiff_t>(k));
    return k;
}

void Device::parse()
{
    size_t pos = 0;
    while (pos < in_.size()) {
        uint8_t cmd = in_[pos];
        if (!config_.gang && cmd == kProgress) {
            // The single unit takes its progress query as one bare byte.
            onFrame(Frame{cmd, {}, true, true});
            pos += 1;
            continue;
        }
        if (in_.size() - pos < 3) break;
        size_t n = (static_cast<size_t>(in_[pos + 1]) << 8) | in_[pos + 2];
        if (in_.size() - pos < n + 5) break;
        const uint8_t* f = &in_[pos];
        uint16_t got = static_cast<uint16_t>(f[3 + n] | (f[4 + n] << 8));
        Frame fr{cmd, std::vector<uint8_t>(f + 3, f + 3 + n), link::crc16(f, n + 3) == got, false};
        pos += n + 5;
        onFrame(fr);
    }
    in_.erase(in_.begin(), in_.begin() + static_cast<std::ptrdiff_t>(pos));
}

std::vector<uint8_t> Device::frame(uint8_t command, const uint8_t* data, uint16_t n)
{
    std::vector<uint8_t> f(n + 5u);
    f[0] = command;
    f[1] = static_cast<uint8_t>(n >> 8);
    f[2] = static_cast<uint8_t>(n);
    if (n) std::memcpy(&f[3], data, n);
    uint16_t c = link::crc16(f.data(), n + 3u);
    f[3 + n] = static_cast<uint8_t>(c);
    f[4 + n] = static_cast<uint8_t>(c >> 8);
    return f;
}

std::vector<uint8_t> Device::statusFrame(uint8_t command, uint8_t status) { return frame(command, &status, 1); }

void Device::emit(const std::vector<uint8_t>& bytes)
{
    for (uint8_t b : bytes) {
        if (silent_ || unplugged_) return;
        if (unplugArmed_) {
            if (unplugBudget_ == 0) {
                unplugged_ = true;
                return;
            }
            --unplugBudget_;
        }
        if (silenceArmed_) {
            if (silenceBudget_ == 0) {
                silent_ = true;
                return;
            }
            --silenceBudget_;
        }
        out_.push_back(b);
    }
}

void Device::onFrame(const Frame& f)
{
    if (frames_.size() < 100000) frames_.push_back(Frame{f.command, f.data.size() <= 128 ? f.data : std::vector<uint8_t>{}, f.crcOk, f.bare});
    for (auto it = injected_.begin(); it != injected_.end(); ++it) {
        if (it->command != f.command) continue;
        if (it->skip) {
            --it->skip;
            break;
        }
        // The command takes effect as usual; only its answer is replaced.
        auto bytes = it->status >= 0 ? statusAnswer(f.command, static_cast<uint8_t>(it->status)) : std::move(it->bytes);
        injected_.erase(it);
        size_t before = out_.size();
        bool silent = silent_, armed = silenceArmed_, unplugArmed = unplugArmed_;
        silent_ = silenceArmed_ = unplugArmed_ = false;
        execute(f);
        out_.resize(before);
        silent_ = silent;
        silenceArmed_ = armed;
        unplugArmed_ = unplugArmed;
        emit(bytes);
        return;
    }
    execute(f);
}

// ---- what the unit keeps ------------------------------------------------------------
std::vector<uint8_t> Device::systemInformation() const
{
    std::vector<uint8_t> d(57, 0);
    d[1] = config_.kind;
    d[2] = store_.defaultSetting;
    if (config_.gang) {  // the gang box's own firmware, minor byte first
        d[3] = static_cast<uint8_t>(config_.gangVersion);
        d[4] = static_cast<uint8_t>(config_.gangVersion >> 8);
    }
    for (int i = 0; i < 8; ++i) {
        uint16_t v = config_.versions[static_cast<size_t>(i)];
        if (!config_.gang && i > 0) v = 0xFFFF;
        d[5 + 2 * i] = static_cast<uint8_t>(v >> 8);
        d[6 + 2 * i] = static_cast<uint8_t>(v);
    }
    d[21] = static_cast<uint8_t>(config_.build >> 8);
    d[22] = static_cast<uint8_t>(config_.build);
    for (int i = 0; i < 8; ++i) {  // build of each unit position
        uint16_t b = present(static_cast<size_t>(i)) ? config_.build : 0xFFFF;
        d[23 + 2 * i] = static_cast<uint8_t>(b >> 8);
        d[24 + 2 * i] = static_cast<uint8_t>(b);
    }
    if (store_.image) {
        std::memcpy(&d[39], store_.image->timestamp.data(), std::min<size_t>(14, store_.image->timestamp.size()));
        uint32_t crc = store_.image->crc;
        for (int i = 0; i < 4; ++i) d[53 + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
    }
    return d;
}

int Device::storedSlot(int n) const
{
    return n >= 0 && static_cast<size_t>(n) < slots() && store_.settings[static_cast<size_t>(n)] ? n : -1;
}

const std::vector<uint8_t>* Device::defaultRecord() const
{
    if (store_.defaultSetting >= store_.settings.size()) return nullptr;
    const auto& s = store_.settings[store_.defaultSetting];
    return s ? &*s : nullptr;
}

// A settings name entry: the number, the parameter file name and the
// setting file name (32 characters each).
std::vector<uint8_t> Device::settingsEntry(size_t slot) const
{
    std::vector<uint8_t> e(65, 0);
    e[0] = static_cast<uint8_t>(slot);
    const auto& s = store_.settings[slot];
    if (s) {
        std::memcpy(&e[1], s->data() + 0x10, 30);
        std::memcpy(&e[33], s->data() + 0x30, 32);
        if (e[33] == 0) e[33] = '?';  // a stored file always has a name
    }
    return e;
}

// ---- commands --------------------------------------------------------------------------
void Device::execute(const Frame& f)
{
    if (!f.crcOk) {
        answerStatus(f.command, kCrcError);
        return;
    }
    const auto& d = f.data;
    auto slotByte = [&](size_t k) -> int { return d.size() > k ? d[k] : -1; };
    switch (f.command) {
    case kStart: {
        answerStatus(kStart, kOk);
        next_.clear();
        std::vector<uint8_t> text(512, 0);
        if (store_.image) std::memcpy(text.data(), store_.image->name.data(), std::min<size_t>(store_.image->name.size(), 64));
        queueNext(text);
        queueNext(systemInformation());
        next_.push_back(statusFrame(kNext, kOk));
        break;
    }
    case kPrmList: {
        uint8_t a[2] = {kOk, static_cast<uint8_t>(store_.prm.size())};
        answer(kPrmList, a, 2);
        next_.clear();
        for (const auto& [id, img] : store_.prm) {
            std::vector<uint8_t> e(36, 0);
            for (int i = 0; i < 4; ++i) e[i] = static_cast<uint8_t>(id >> (24 - 8 * i));
            if (img.size() > 16) std::memcpy(&e[4], img.data() + 16, std::min<size_t>(30, img.size() - 16));
            queueNext(e);
        }
        queueNext({});
        break;
    }
    case kPrmUpload: {
        if (d.size() < 4 || !store_.prm.count(be32(d.data()))) {
            answerStatus(kPrmUpload, kNoPrm);
            break;
        }
        answerStatus(kPrmUpload, kOk);
        next_.clear();
        std::vector<uint8_t> img = store_.prm[be32(d.data())];
        img.resize(16384, 0);
        for (size_t i = 0; i < 32; ++i) queueNext(std::vector<uint8_t>(img.begin() + 512 * i, img.begin() + 512 * (i + 1)));
        break;
    }
    case kPrmDownload: {
        if (d.size() < 4) {
            answerStatus(kPrmDownload, kUnclear);
        } else if (!store_.prm.count(be32(d.data())) && store_.prm.size() >= Store::kMaxPrm) {
            answerStatus(kPrmDownload, kNoRoom);
        } else {
            receiving_ = Receiving::Prm;
            rxId_ = be32(d.data());
            rx_.clear();
            answerStatus(kPrmDownload, kOk);
        }
        break;
    }
    case kSetList: {
        answerStatus(kSetList, kOk);
        next_.clear();
        for (size_t i = 0; i < slots(); ++i) queueNext(settingsEntry(i));
        queueNext({});
        break;
    }
    case kSetDownload: {
        int n = slotByte(0);
        if (n < 0 || static_cast<size_t>(n) >= slots()) {
            answerStatus(kSetDownload, kNoRoom);
            break;
        }
        receiving_ = Receiving::Settings;
        rxSlot_ = static_cast<uint8_t>(n);
        rx_.clear();
        answerStatus(kSetDownload, kOk);
        break;
    }
    case kSetUpload: {
        int n = storedSlot(slotByte(0));
        if (n < 0) {
            answerStatus(kSetUpload, kNoSetting);
            break;
        }
        answerStatus(kSetUpload, kOk);
        next_.clear();
        const auto& rec = *store_.settings[static_cast<size_t>(n)];
        for (size_t i = 0; i < 32; ++i) queueNext(std::vector<uint8_t>(rec.begin() + 512 * i, rec.begin() + 512 * (i + 1)));
        break;
    }
    case kSetDelete: {
        int n = storedSlot(slotByte(0));
        if (n < 0) {
            answerStatus(kSetDelete, kNoSetting);
            break;
        }
        store_.settings[static_cast<size_t>(n)].reset();
        if (store_.defaultSetting == n) store_.defaultSetting = 0xFF;
        answerStatus(kSetDelete, persist() ? kOk : kNandWrite);
        break;
    }
    case kSetDefaultGet: {
        uint8_t v = store_.defaultSetting;
        answer(kSetDefaultGet, &v, 1);
        break;
    }
    case kSetDefaultSet: {
        int n = storedSlot(slotByte(0));
        if (n < 0) {
            answerStatus(kSetDefaultSet, kNoSetting);
        } else if (store_.defaultSetting == n) {
            answerStatus(kSetDefaultSet, kAlreadyDefault);
        } else {
            store_.defaultSetting = static_cast<uint8_t>(n);
            answerStatus(kSetDefaultSet, persist() ? kOk : kNandWrite);
        }
        break;
    }
    case kHexDownload:
        receiving_ = Receiving::HexName;
        rxImage_ = StoredImage{};
        answerStatus(kHexDownload, kOk);
        break;
    case kHexData:
        if (receiving_ == Receiving::HexName) {
            rxImage_.name.assign(d.begin(), d.end());
            receiving_ = Receiving::HexHeader;
        } else if (receiving_ == Receiving::HexHeader && d.size() >= 17) {
            rxImage_.kind = d[0];
            rxImage_.start = be32(&d[1]);
            rxImage_.end = be32(&d[5]);
            rxImage_.size = be32(&d[9]);
            rxImage_.crc = be32(&d[13]);
            rxImage_.timestamp.assign(d.begin() + 17, d.begin() + static_cast<std::ptrdiff_t>(std::min<size_t>(d.size(), 31)));
            rxImage_.data.clear();
            rxImage_.data.reserve(std::min(rxImage_.size, kImageMax));
            receiving_ = Receiving::HexData;
        } else if (receiving_ == Receiving::HexData) {
            size_t room = rxImage_.size > rxImage_.data.size() ? rxImage_.size - rxImage_.data.size() : 0;
            size_t take = std::min({room, d.size(), static_cast<size_t>(kImageMax) - std::min<size_t>(kImageMax, rxImage_.data.size())});
            rxImage_.data.insert(rxImage_.data.end(), d.begin(), d.begin() + static_cast<std::ptrdiff_t>(take));
        }
        break;  // image frames are not answered
    case kPrmData:
    case kSetData:
        if ((f.command == kPrmData && receiving_ == Receiving::Prm) ||
            (f.command == kSetData && receiving_ == Receiving::Settings)) {
            if (rx_.size() + d.size() <= 23712) rx_.insert(rx_.end(), d.begin(), d.end());
            answerStatus(f.command, kOk);
        } else {
            answerStatus(f.command, kUnclear);
        }
        break;
    case kFirmwareStart:
    case kUnitFirmwareStart:
        receiving_ = Receiving::Firmware;
        firmwareAnswer_ = f.command;
        rx_.clear();
        if (f.command == kUnitFirmwareStart) {
            std::vector<uint8_t> a(9, 0);
            a[0] = kOk;
            for (size_t i = 0; i < 8; ++i) a[1 + i] = present(i) ? 1 : 0;
            answer(f.command, a.data(), 9);
        } else {
            answerStatus(f.command, kOk);
        }
        break;
    case kFirmwareData:
        if (receiving_ != Receiving::Firmware) {
            answerStatus(kFirmwareData, kUnclear);
        } else if (firmwareAnswer_ == kUnitFirmwareStart) {
            std::vector<uint8_t> a(9, 0);
            a[0] = kOk;
            for (size_t i = 0; i < 8; ++i) a[1 + i] = present(i) ? 1 : 0;
            answer(kFirmwareData, a.data(), 9);
        } else {
            answerStatus(kFirmwareData, kOk);
        }
        break;
    case kEnd:
        endTransfer(kEnd);
        break;
    case kNext:
        if (next_.empty()) {
            answerStatus(kNext, kUnclear);
        } else {
            auto a = std::move(next_.front());
            next_.pop_front();
            emit(a);
        }
        break;
    case kHexUpload:
    case kHexInfo: {
        if (!store_.image) {
            answerStatus(f.command, kNoHex);
            break;
        }
        answerStatus(f.command, kOk);
        next_.clear();
        // Both begin with the image name and its start, end and size; the
        // upload goes on with the image, the information with its CRC.
        const auto& im = *store_.image;
        std::vector<uint8_t> name(512, 0);
        std::memcpy(name.data(), im.name.data(), std::min<size_t>(511, im.name.size()));
        queueNext(name);
        std::vector<uint8_t> desc;
        putBe32(desc, im.start);
        putBe32(desc, im.end);
        putBe32(desc, im.size);
        if (f.command == kHexInfo) {
            putBe32(desc, im.crc);
            desc.push_back(im.kind);
            desc.push_back(0);
            queueNext(desc);
            queueNext({});
            break;
        }
        queueNext(desc);
        for (size_t off = 0; off < im.data.size(); off += 512) {
            std::vector<uint8_t> b(512, 0xFF);
            std::copy(im.data.begin() + static_cast<std::ptrdiff_t>(off),
                      im.data.begin() + static_cast<std::ptrdiff_t>(std::min(im.data.size(), off + 512)), b.begin());
            queueNext(b);
        }
        break;
    }
    case kHexChecksum: {
        if (!store_.image) {
            answerStatus(kHexChecksum, kNoHex);
            break;
        }
        uint32_t sum = 0;
        for (uint8_t b : store_.image->data) sum += b;
        std::vector<uint8_t> a;
        putBe16(a, static_cast<uint16_t>(sum));
        answer(kHexChecksum, a.data(), 2);
        break;
    }
    case kLogClear:
        store_.okCount = store_.ngCount = 0;
        store_.ngList.fill(0);
        answerStatus(kLogClear, persist() ? kOk : kNandWrite);
        break;
    case kInfoRead: {
        // One answer serves both readers: the system-information values at
        // data bytes 19 and 20, the log information from byte 21 on.
        std::vector<uint8_t> a(21, 0);
        a[0] = kOk;
        a[19] = store_.sysValues[0];
        a[20] = store_.sysValues[1];
        putBe32(a, store_.okCount);
        putBe32(a, store_.ngCount);
        for (uint16_t c : store_.ngList) putBe16(a, c);
        answer(kInfoRead, a.data(), static_cast<uint16_t>(a.size()));
        break;
    }
    case kInfoWrite: {
        bool saved = true;
        if (d.size() >= 21) {
            store_.sysValues[0] = d[19];
            store_.sysValues[1] = d[20];
            saved = persist();
        }
        answerStatus(kInfoWrite, d.size() != 21 ? kUnclear : saved ? kOk : kNandWrite);
        break;
    }
    case kBuildNo: {
        std::vector<uint8_t> a;
        putBe16(a, config_.build);
        if (config_.gang) {
            a.push_back(buttons_);  // the gang box adds its start-button state
            buttons_ = 0;
        }
        answer(kBuildNo, a.data(), static_cast<uint16_t>(a.size()));
        break;
    }
    case kButtonMask:
        if (!config_.gang) {
            answerStatus(kButtonMask, kUnclear);
            break;
        }
        buttonMask_ = d.empty() ? 0 : d[0];
        if (buttonMask_) buttons_ = 0;
        answerStatus(kButtonMask, kOk);
        break;
    case kQuit:
        break;  // the program closes; nothing is answered
    case kProgress:
        progress(config_.gang ? index(slotByte(0)) : 0, kProgress);
        break;
    case kErase:
    case kBlank:
    case kProgram:
    case kVerify:
    case kEpv:
    case kSecurity:
    case kDeviceChecksum:
    case kSignature:
    case kExpEpv:
        deviceOperation(f);
        break;
    case kRead:
        readTarget(f);
        break;
    default:
        answerStatus(f.command, kUnclear);
        break;
    }
}

void Device::endTransfer(uint8_t command)
{
    Receiving r = receiving_;
    receiving_ = Receiving::None;
    next_.clear();
    switch (r) {
    case Receiving::Prm: {
        std::vector<uint8_t> img = rx_;
        if (img.size() >= 10) store_.prm[rxId_] = std::move(img);
        if (persist()) answer(command, nullptr, 0);
        else answerStatus(command, kNandWrite);
        return;
    }
    case Receiving::Settings: {
        std::vector<uint8_t> rec = rx_;
        rec.resize(16384, 0);
        if (!store_.prm.count(be32(&rec[6]))) {  // a settings file needs its parameter file
            answerStatus(command, kNoPrm);
            return;
        }
        store_.settings[rxSlot_] = std::move(rec);
        store_.defaultSetting = rxSlot_;  // the setting just registered is the one the unit runs
        if (persist()) answer(command, nullptr, 0);
        else answerStatus(command, kNandWrite);
        return;
    }
    case Receiving::HexName:
    case Receiving::HexHeader:
    case Receiving::HexData: {
        if (rxImage_.size > kImageMax) {
            answerStatus(command, kHexTooBig);
            return;
        }
        if (rxImage_.data.size() != rxImage_.size ||
            checks::crc32Bzip2(rxImage_.data.data(), rxImage_.data.size()) != rxImage_.crc) {
            answerStatus(command, kCrcError);
            return;
        }
        store_.image = std::move(rxImage_);
        rxImage_ = StoredImage{};
        answerStatus(command, persist() ? kOk : kNandWrite);
        return;
    }
    case Receiving::Firmware:
        answerStatus(command, kOk);
        return;
    case Receiving::None:
        answer(command, nullptr, 0);
        return;
    }
}

// ---- target operations -------------------------------------------------------------------
void Device::deviceOperation(const Frame& f)
{
    const std::vector<uint8_t>* rec = defaultRecord();
    uint8_t status = kOk;
    if (!rec) status = kNoDefault;
    bool needsImage = f.command == kProgram || f.command == kVerify || f.command == kEpv || f.command == kExpEpv;
    if (status == kOk && needsImage && !store_.image) status = kNoHex;
    std::vector<uint8_t> flags(8, 0);
    if (status == kOk) {
        for (size_t i = 0; i < 8; ++i) {
            if (!present(i)) continue;
            startOperation(i, f.command, f);
            flags[i] = 1;
        }
    }
    if (!config_.gang) {
        answerStatus(f.command, status);
        return;
    }
    std::vector<uint8_t> a(9, 0);
    a[0] = status;
    if (status == kOk) std::copy(flags.begin(), flags.end(), a.begin() + 1);
    answer(f.command, a.data(), 9);
}

uint8_t Device::startOperation(size_t unit, uint8_t command, const Frame& f)
{
    Target& t = targets_[unit];
    const std::vector<uint8_t>& rec = *defaultRecord();
    uint32_t start = le32(&rec[0x0D0]);
    uint32_t end = le32(&rec[0x0D4]);
    uint16_t injected = t.injectedError;
    t = Target{std::move(t.flash), t.securityFlags};
    t.running = true;
    t.startMs = now();
    switch (command) {
    case kEpv:
    case kExpEpv: t.phases = {kErase, kProgram, kVerify}; break;
    default: t.phases = {command}; break;
    }
    if (end < start || end >= kImageMax) {
        t.range = 0;
        t.result = kTeRange;
        t.failPhase = 0;
        return kOk;
    }
    t.range = end - start;
    if (t.flash.size() < size_t(end) + 1) t.flash.resize(size_t(end) + 1, 0xFF);  // a fresh device is blank
    auto imageByte = [&](uint32_t a) -> uint8_t {
        const auto& im = store_.image->data;
        return a < im.size() ? im[a] : 0xFF;
    };
    std::vector<uint8_t> expected;
    if (store_.image) {
        expected.resize(size_t(end - start) + 1);
        for (uint32_t a = start; a <= end; ++a) expected[a - start] = imageByte(a);
        if (command == kExpEpv) {
            // The unit's serial number, high byte first, at the serial address.
            uint32_t address = f.data.size() >= 4 ? be32(&f.data[0]) : 0;
            uint8_t size = f.data.size() >= 5 ? f.data[4] : 0;
            // The gang box takes each position's number as its high and low word.
            uint64_t value = 0;
            if (config_.gang && f.data.size() >= 69)
                value = (uint64_t(be32(&f.data[5 + 8 * unit])) << 32) | be32(&f.data[9 + 8 * unit]);
            else if (!config_.gang && f.data.size() >= 9) value = be32(&f.data[5]);
            if (size > 8) size = 8;
            if (!config_.gang && size > 4) size = 4;
            for (uint8_t k = 0; k < size; ++k) {
                uint32_t a = address + k;
                if (a >= start && a <= end) expected[a - start] = static_cast<uint8_t>(value >> (8 * (size - 1 - k)));
            }
        }
    }
    auto blank = [&]() {
        for (uint32_t a = start; a <= end; ++a)
            if (t.flash[a] != 0xFF) return false;
        return true;
    };
    auto erase = [&]() { std::fill(t.flash.begin() + start, t.flash.begin() + end + 1, 0xFF); };
    auto program = [&]() {
        for (uint32_t a = start; a <= end; ++a) t.flash[a] &= expected[a - start];  // flash only clears bits
    };
    auto verify = [&]() {
        for (uint32_t a = start; a <= end; ++a)
            if (t.flash[a] != expected[a - start]) return false;
        return true;
    };
    switch (command) {
    case kBlank:
        if (!blank()) t.result = kTeNotBlank;
        break;
    case kErase: erase(); break;
    case kProgram: program(); break;
    case kVerify:
        if (!verify()) t.result = kTeVerify;
        break;
    case kEpv:
    case kExpEpv:
        erase();
        program();
        if (!verify()) {
            t.result = kTeVerify;
            t.failPhase = 2;
        }
        break;
    case kSecurity:
        t.securityFlags = rec[0x064];
        t.security = 6;
        break;
    case kDeviceChecksum: {
        uint32_t sum = 0;
        for (uint32_t a = start; a <= end; ++a) sum += t.flash[a];
        t.checksum[0] = static_cast<uint8_t>(sum >> 8);
        t.checksum[1] = static_cast<uint8_t>(sum);
        break;
    }
    case kSignature:
        std::memcpy(t.signature, &rec[0x0A0], sizeof t.signature);
        break;
    default: break;
    }
    if (injected) {
        t.result = injected;
        t.failPhase = t.phases.size() - 1;
    }
    if (t.result && t.failPhase >= t.phases.size()) t.failPhase = t.phases.size() - 1;
    return kOk;
}

// Progress answer: count, done flag, operation byte, security result,
// result code, device checksum, two reserved bytes, signature bytes.
void Device::progress(size_t unit, uint8_t command)
{
    Target& t = targets_[unit];
    std::vector<uint8_t> a;
    uint64_t total = uint64_t(t.range) * (t.result ? t.failPhase + 1 : t.phases.size());
    uint64_t doneBytes = total;
    if (t.running && config_.paceBytesPerMs) doneBytes = std::min<uint64_t>(total, (now() - t.startMs) * config_.paceBytesPerMs);
    bool done = !t.running || doneBytes >= total;
    size_t phase = t.phases.empty() ? 0 : std::min<size_t>(t.range ? doneBytes / t.range : 0, t.phases.size() - 1);
    uint32_t count = done ? t.range : static_cast<uint32_t>(doneBytes - uint64_t(phase) * t.range);
    if (done && t.result) phase = t.failPhase;
    putBe32(a, count);
    a.push_back(done ? 1 : 0);
    a.push_back(t.phases.empty() ? 0 : t.phases[phase]);
    a.push_back(done ? t.security : 0);
    putBe16(a, done ? t.result : 0);
    a.push_back(done ? t.checksum[0] : 0);
    a.push_back(done ? t.checksum[1] : 0);
    a.push_back(0);
    a.push_back(0);
    for (uint8_t s : t.signature) a.push_back(done ? s : 0);
    if (done && t.running) {
        // The unit's log: OK and NG counts, and the reasons of the last NGs.
        if (t.result == 0 || t.result == kTeAck) {
            ++store_.okCount;
        } else {
            ++store_.ngCount;
            std::copy_backward(store_.ngList.begin(), store_.ngList.end() - 1, store_.ngList.end());
            store_.ngList[0] = t.result;
        }
        persist();
    }
    if (done) t.running = false;
    answer(command, a.data(), static_cast<uint16_t>(a.size()));
}

void Device::readTarget(const Frame& f)
{
    const std::vector<uint8_t>* rec = defaultRecord();
    if (!rec) {
        answerStatus(kRead, kNoDefault);
        return;
    }
    size_t unit = config_.gang ? index(f.data.empty() ? 1 : f.data[0]) : 0;
    if (!present(unit)) {
        answerStatus(kRead, kUnclear);
        return;
    }
    uint32_t start = le32(&(*rec)[0x0D0]);
    uint32_t end = le32(&(*rec)[0x0D4]);
    if (end < start || end >= kImageMax) {
        answerStatus(kRead, kUnclear);
        return;
    }
    Target& t = targets_[unit];
    if (t.flash.size() < size_t(end) + 1) t.flash.resize(size_t(end) + 1, 0xFF);
    answerStatus(kRead, kOk);
    for (uint32_t off = start; off <= end; off += 512) {
        std::vector<uint8_t> b(512, 0xFF);
        for (uint32_t k = 0; k < 512 && off + k <= end; ++k) b[k] = t.flash[off + k];
        answer(kRead, b.data(), 512);
        if (end - off < 512) break;
    }
    std::vector<uint8_t> last(512, 0);
    answer(kEnd, last.data(), 512);
}

}  // namespace qmr::sim
