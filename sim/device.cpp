#include "sim/device.h"

#include <algorithm>
#include <cstring>

namespace qmr::sim {

namespace {
uint16_t crc16(const uint8_t* p, size_t n)
{
    uint16_t crc = 0;
    for (size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k) crc = (crc & 1) ? (crc >> 1) ^ 0x8408 : (crc >> 1);
    }
    return crc;
}

enum : uint8_t {
    kStart = 0x01,
    kPrmList = 0x04,
    kSetList = 0x07,
    kSetUpload = 0x09,
    kNext = 0x0E,
    kEnd = 0x0F,
    kLogClear = 0x10,
    kQuit = 0x16,
    kBuild = 0x1C,
    kButtonMask = 0x1D,
    kProgress = 0x20,
    kUnclear = 30,  // status: an unclear command was taken
};
}  // namespace

const char* singleDescription() { return "Brennagrove Quillmarker-01"; }
const char* gangDescription() { return "Brennagrove Quill GANG-01"; }

Device::Device(Config config) : config_(std::move(config)) {}

const char* Device::description() const
{
    return config_.gang ? gangDescription() : singleDescription();
}

void Device::injectStatus(uint8_t command, uint8_t status, size_t skip)
{
    injected_.push_back(Injection{command, skip, statusFrame(command, status)});
}

void Device::injectAnswer(uint8_t command, std::vector<uint8_t> bytes, size_t skip)
{
    injected_.push_back(Injection{command, skip, std::move(bytes)});
}

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

void Device::hostWrite(const uint8_t* data, size_t n)
{
    in_.insert(in_.end(), data, data + n);
    parse();
}

size_t Device::hostRead(uint8_t* data, size_t max)
{
    size_t k = 0;
    while (k < max && !out_.empty()) {
        data[k++] = out_.front();
        out_.pop_front();
    }
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
        Frame fr{cmd, std::vector<uint8_t>(f + 3, f + 3 + n), crc16(f, n + 3) == got, false};
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
    uint16_t c = crc16(f.data(), n + 3u);
    f[3 + n] = static_cast<uint8_t>(c);
    f[4 + n] = static_cast<uint8_t>(c >> 8);
    return f;
}

std::vector<uint8_t> Device::statusFrame(uint8_t command, uint8_t status)
{
    return frame(command, &status, 1);
}

void Device::emit(const std::vector<uint8_t>& bytes)
{
    for (uint8_t b : bytes) {
        if (silent_) return;
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

void Device::answer(uint8_t command, const uint8_t* data, uint16_t n) { emit(frame(command, data, n)); }

void Device::answerStatus(uint8_t command, uint8_t status) { emit(statusFrame(command, status)); }

std::vector<uint8_t> Device::systemInformation() const
{
    std::vector<uint8_t> d(57, 0);
    d[1] = config_.kind;
    d[2] = config_.defaultSetting;
    for (int i = 0; i < 8; ++i) {
        uint16_t v = config_.versions[static_cast<size_t>(i)];
        if (!config_.gang && i > 0) v = 0xFFFF;
        d[5 + 2 * i] = static_cast<uint8_t>(v >> 8);
        d[6 + 2 * i] = static_cast<uint8_t>(v);
    }
    d[21] = static_cast<uint8_t>(config_.build >> 8);
    d[22] = static_cast<uint8_t>(config_.build);
    // Time stamp (39..52) and image CRC (53..56) stay zero: no image stored.
    return d;
}

void Device::onFrame(const Frame& f)
{
    frames_.push_back(f);
    for (auto it = injected_.begin(); it != injected_.end(); ++it) {
        if (it->command != f.command) continue;
        if (it->skip) {
            --it->skip;
            break;
        }
        // The command takes effect as usual; only its answer is replaced.
        auto bytes = std::move(it->bytes);
        injected_.erase(it);
        bool wasSilent = silent_;
        size_t before = out_.size();
        silent_ = false;
        bool armed = silenceArmed_;
        silenceArmed_ = false;
        execute(f);
        out_.resize(before);
        silent_ = wasSilent;
        silenceArmed_ = armed;
        emit(bytes);
        return;
    }
    execute(f);
}

void Device::execute(const Frame& f)
{
    if (!f.crcOk) {
        answerStatus(f.command, 16);  // CRC error
        return;
    }
    switch (f.command) {
    case kStart: {
        answerStatus(kStart, 1);
        next_.clear();
        std::vector<uint8_t> text(512, 0);
        std::memcpy(text.data(), config_.systemText.data(), std::min<size_t>(config_.systemText.size(), 64));
        next_.push_back(frame(kNext, text.data(), 512));
        auto info = systemInformation();
        next_.push_back(frame(kNext, info.data(), static_cast<uint16_t>(info.size())));
        next_.push_back(statusFrame(kNext, 1));
        break;
    }
    case kPrmList: {
        uint8_t d[2] = {1, 0};  // status, no parameter files stored
        answer(kPrmList, d, 2);
        next_.clear();
        next_.push_back(statusFrame(kNext, 1));
        break;
    }
    case kSetList: {
        answerStatus(kSetList, 1);
        next_.clear();
        size_t entries = config_.gang ? 8 : 50;
        for (size_t i = 0; i < entries; ++i) {
            uint8_t e[65] = {};
            e[0] = static_cast<uint8_t>(i);
            next_.push_back(frame(kNext, e, sizeof e));
        }
        next_.push_back(frame(kNext, nullptr, 0));
        break;
    }
    case kSetUpload:
        answerStatus(kSetUpload, 6);  // no settings file stored
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
    case kEnd:
        next_.clear();
        answer(kEnd, nullptr, 0);
        break;
    case kLogClear:
    case kButtonMask:
        answerStatus(f.command, 1);
        break;
    case kBuild: {
        uint8_t d[2] = {static_cast<uint8_t>(config_.build >> 8), static_cast<uint8_t>(config_.build)};
        answer(kBuild, d, 2);
        break;
    }
    case kQuit:
        break;  // the program closes; nothing is answered
    default:
        answerStatus(f.command, kUnclear);
        break;
    }
}

}  // namespace qmr::sim
