// A simulated programmer unit or gang box: it takes the bytes the host
// writes, answers frames as the unit does, and queues the answer bytes for
// the host to read.  One Device serves one link at a time; it is not
// thread-safe by itself (the in-process link and qm-unitsim serialise it).
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

namespace qmr::sim {

struct Config {
    bool gang = false;
    std::string serial = "QMSIM0001";
    // Firmware version word of each unit position (the single unit uses
    // position 0); 0xFFFF marks an empty position of the gang box.
    std::array<uint16_t, 8> versions{{0x0120, 0x0120, 0x0120, 0x0120,
                                      0x0120, 0x0120, 0x0120, 0x0120}};
    uint16_t build = 0x0102;
    uint8_t kind = 1;
    std::string systemText;          // name of the stored image
    uint8_t defaultSetting = 0xFF;   // 0xFF: no default settings file
};

const char* singleDescription();
const char* gangDescription();

class Device {
public:
    explicit Device(Config config);

    const Config& config() const { return config_; }
    const char* description() const;

    // ---- the byte stream ---------------------------------------------------
    void hostWrite(const uint8_t* data, size_t n);
    size_t hostRead(uint8_t* data, size_t max);
    size_t pendingOutput() const { return out_.size(); }
    void clearOutput() { out_.clear(); }

    // ---- control interface (tests, demos, qm-unitsim) ----------------------
    // After `skip` more answers to `command`, the next one is a status
    // answer with `status` instead of the right one.
    void injectStatus(uint8_t command, uint8_t status, size_t skip = 0);
    // After `skip` more answers to `command`, the next one is these bytes.
    void injectAnswer(uint8_t command, std::vector<uint8_t> bytes, size_t skip = 0);
    // A frame as the unit builds it (for injected answers).
    static std::vector<uint8_t> frame(uint8_t command, const uint8_t* data, uint16_t n);
    // After `bytes` more answer bytes the unit falls silent (answers nothing).
    void silenceAfter(size_t bytes);
    void speakAgain();
    bool silent() const { return silent_; }

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
    void parse();
    void onFrame(const Frame& f);
    void execute(const Frame& f);
    void answer(uint8_t command, const uint8_t* data, uint16_t n);
    void answerStatus(uint8_t command, uint8_t status);
    void emit(const std::vector<uint8_t>& bytes);
    static std::vector<uint8_t> statusFrame(uint8_t command, uint8_t status);
    std::vector<uint8_t> systemInformation() const;

    Config config_;
    std::vector<uint8_t> in_;
    std::deque<uint8_t> out_;
    // Answers the next "next data" (0x0E) requests take, in order.
    std::deque<std::vector<uint8_t>> next_;
    struct Injection {
        uint8_t command;
        size_t skip;
        std::vector<uint8_t> bytes;
    };
    std::deque<Injection> injected_;
    std::vector<Frame> frames_;
    bool silent_ = false;
    bool silenceArmed_ = false;
    size_t silenceBudget_ = 0;
};

}  // namespace qmr::sim
