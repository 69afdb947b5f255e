// A simulated programmer unit or gang box: it takes the bytes the host
// writes, answers frames as the unit does, and queues the answer bytes for
// the host to read.  It keeps a store like the unit's NAND (parameter files,
// settings files, one image, the log) and one target microcontroller per
// unit, whose operations take simulated time.  Not thread-safe by itself:
// the in-process link and qm-unitsim serialise their calls.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "sim/store.h"

namespace qmr::sim {

struct Config {
    bool gang = false;
    std::string serial = "QMSIM0001";
    // Firmware version word of each unit position (the single unit uses
    // position 0); 0xFFFF marks an empty position of the gang box.
    std::array<uint16_t, 8> versions{{0x0205, 0x0205, 0x0205, 0x0205,
                                      0x0205, 0x0205, 0x0205, 0x0205}};
    uint16_t build = 0x0102;
    uint16_t gangVersion = 0x0105;  // the gang box's own firmware (major in the high byte)
    uint8_t kind = 1;
    // Where the store persists; empty keeps it in memory.
    std::string storeDir;
    // Target operations process this many bytes per millisecond of the
    // clock; 0 finishes them at once.
    uint32_t paceBytesPerMs = 0;
    // Milliseconds; defaults to a monotonic clock.
    std::function<uint64_t()> clock;
};

const char* singleDescription();
const char* gangDescription();

class Device {
public:
    explicit Device(Config config);

    const Config& config() const { return config_; }
    const char* description() const;
    Store& store() { return store_; }
    // Writes the store to its directory (done by the unit after each change);
    // when that fails the store goes back to what was saved last, and the
    // command answers the NAND write error.
    bool persist();

    // ---- the byte stream ---------------------------------------------------
    void hostWrite(const uint8_t* data, size_t n);
    size_t hostRead(uint8_t* data, size_t max);
    size_t pendingOutput() const { return out_.size(); }
    void clearOutput() { out_.clear(); }
    // True once the unit is unplugged: the link fails from then on.
    bool unplugged() const { return unplugged_; }

    // ---- control interface (tests, demos, qm-unitsim) ----------------------
    // After `skip` more answers to `command`, the next one is a status
    // answer with `status` instead of the right one.
    void injectStatus(uint8_t command, uint8_t status, size_t skip = 0);
    // After `skip` more answers to `command`, the next one is these bytes.
    void injectAnswer(uint8_t command, std::vector<uint8_t> bytes, size_t skip = 0);
    // The next device operation on unit position 1..8 (1 for the single
    // unit) fails on the target with this target error code.
    void injectTargetError(int unit, uint16_t code);
    // After `bytes` more answer bytes the unit falls silent (answers nothing).
    void silenceAfter(size_t bytes);
    void speakAgain();
    bool silent() const { return silent_; }
    // After `bytes` more answer bytes the unit is unplugged.
    void unplugAfter(size_t bytes);
    // Presses the gang box's start button (ignored while masked): the box
    // reports it pressed once; releasing it before then takes it back.
    void pressStartButton();
    void releaseStartButton() { buttons_ = 0; }
    bool buttonsMasked() const { return buttonMask_ != 0; }
    // The target memory of unit position 1..8 (1 for the single unit).
    std::vector<uint8_t>& targetMemory(int unit) { return targets_[index(unit)].flash; }

    // A frame as the unit builds it (for injected answers).
    static std::vector<uint8_t> frame(uint8_t command, const uint8_t* data, uint16_t n);
    static std::vector<uint8_t> statusFrame(uint8_t command, uint8_t status);

    // ---- what the unit saw --------------------------------------------------
    struct Frame {
        uint8_t command;
        std::vector<uint8_t> data;
        bool crcOk;
        bool bare;
    };
    const std::vector<Frame>& frames() const { return frames_; }
    void clearFrames() { frames_.clear(); }

private:
    struct Target {
        std::vector<uint8_t> flash;
        uint8_t securityFlags = 0xFF;
        bool running = false;
        std::vector<uint8_t> phases;  // operation byte shown in each phase
        uint32_t range = 0;           // bytes of one phase (end - start)
        uint64_t startMs = 0;
        uint16_t result = 0;
        size_t failPhase = 0;
        uint8_t security = 0;
        uint8_t checksum[2] = {0, 0};
        uint8_t signature[27] = {};
        uint16_t injectedError = 0;
    };
    enum class Receiving { None, HexName, HexHeader, HexData, Prm, Settings, Firmware };

    void parse();
    void onFrame(const Frame& f);
    void execute(const Frame& f);
    void emit(const std::vector<uint8_t>& bytes);
    void answer(uint8_t command, const uint8_t* data, uint16_t n) { emit(frame(command, data, n)); }
    void answerStatus(uint8_t command, uint8_t status) { emit(statusFrame(command, status)); }
    void queueNext(const std::vector<uint8_t>& data) { next_.push_back(frame(0x0E, data.data(), static_cast<uint16_t>(data.size()))); }
    uint64_t now() const;
    size_t index(int unit) const;
    bool present(size_t i) const;
    size_t slots() const { return config_.gang ? 8 : 50; }
    std::string storePath() const;
    std::vector<uint8_t> systemInformation() const;
    const std::vector<uint8_t>* defaultRecord() const;
    // n when settings slot n holds a file, else -1.
    int storedSlot(int n) const;
    std::vector<uint8_t> settingsEntry(size_t slot) const;

    // command handlers
    void deviceOperation(const Frame& f);
    uint8_t startOperation(size_t unit, uint8_t command, const Frame& f);
    void progress(size_t unit, uint8_t command);
    void readTarget(const Frame& f);
    void endTransfer(uint8_t command);

    Config config_;
    Store store_;
    std::vector<uint8_t> in_;
    std::deque<uint8_t> out_;
    std::deque<std::vector<uint8_t>> next_;  // answers of the next "next data" requests
    struct Injection {
        uint8_t command;
        size_t skip;
        std::vector<uint8_t> bytes;
        int status = -1;  // a status injection: the answer is built in the command's shape
    };
    std::vector<uint8_t> statusAnswer(uint8_t command, uint8_t status) const;
    std::deque<Injection> injected_;
    std::vector<Frame> frames_;
    std::array<Target, 8> targets_;
    bool silent_ = false;
    bool silenceArmed_ = false;
    size_t silenceBudget_ = 0;
    bool unplugArmed_ = false;
    size_t unplugBudget_ = 0;
    bool unplugged_ = false;
    uint8_t buttonMask_ = 1;
    uint8_t buttons_ = 0;
    // an open transfer
    Receiving receiving_ = Receiving::None;
    uint8_t rxCommand_ = 0;
    std::vector<uint8_t> rx_;
    uint32_t rxId_ = 0;
    uint8_t rxSlot_ = 0;
    StoredImage rxImage_;
    uint8_t firmwareAnswer_ = 0;  // 0x02 or 0x2C
    bool storeBlocked_ = false;   // a store that could not be loaded nor kept aside
};

}  // namespace qmr::sim
