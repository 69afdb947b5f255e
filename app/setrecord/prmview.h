// The fields of a parameter image that the Setup dialog reads, as named,
// bounds-checked accessors over a parameter record.  check() refuses an
// image whose tables point outside it; after a successful check every
// accessor stays inside the image.
#pragma once

#include <cstdint>
#include <string>

#include "qmr/qmr.h"

namespace qmr::app {

enum class PrmCheck {
    Ok,
    TooShort,             // the image ends before its device description
    NoDevice,             // no device slot has blocks
    BlockTableOutside,    // a device's blocks lie outside the block-end table
    TimingTableOutside,   // a device names a timing table outside the image
    SubTableOutside,      // timing words 50..52 point outside the image
    ZeroMethodClock,      // a method with a fixed clock gives 0 Hz
};
const char* prmCheckText(PrmCheck c);

struct CommMethod {
    uint8_t byte0 = 0, code = 0, flags = 0;
    uint32_t clock = 0;
    std::string name;
};

struct DeviceEntry {
    int slot = 0;
    uint16_t firstBlock = 0;
    uint32_t highestAddress = 0;
    uint16_t blocks = 0;
    uint8_t timingTable = 0;
    std::string name;
};

class PrmView {
public:
    static constexpr int kDevices = 32;
    static constexpr int kMethods = 8;
    static constexpr uint32_t kBlockEnds = 2944;
    static constexpr uint32_t kBlockEndCount = (7040 - 2944) / 4;
    static constexpr uint32_t kTimingTables = 7040;
    static constexpr uint32_t kTimingTableSize = 400;

    explicit PrmView(const PrmRecord& r);
    PrmCheck check() const;

    uint8_t byte(uint32_t off) const { return off < size_ ? img_[off] : 0; }
    uint16_t u16(uint32_t off) const { return static_cast<uint16_t>(byte(off) | (byte(off + 1) << 8)); }
    uint32_t u32(uint32_t off) const { return u16(off) | (uint32_t(u16(off + 2)) << 16); }
    uint32_t size() const { return size_; }
    const uint8_t* bytes(uint32_t off, uint32_t n) const { return off + n <= size_ ? img_ + off : nullptr; }

    uint8_t deviceClass() const { return byte(48); }
    uint8_t signatureKind() const { return byte(50); }
    uint8_t deviceSubtype() const { return byte(53); }
    uint8_t readSupported() const { return byte(54); }
    uint8_t multiplierCode(int i) const { return i >= 0 && i < 8 ? byte(64 + uint32_t(i)) : 0; }
    uint32_t maxOperatingHz() const { return u32(80); }
    uint32_t oscHighHz() const { return u32(84); }
    uint32_t oscLowHz() const { return u32(88); }
    uint8_t defaultOptions() const { return byte(93); }
    uint8_t defaultSecurity() const { return byte(94); }
    uint32_t clockLowHz() const { return u32(96); }
    uint32_t clockHighHz() const { return u32(100); }
    uint32_t baudLow() const { return u32(104); }
    uint32_t baudHigh() const { return u32(108); }
    uint32_t defaultOscHz() const { return u32(112); }
    uint32_t defaultClockHz() const { return u32(116); }
    uint32_t defaultBaud() const { return u32(120); }
    uint8_t voltageLimit() const { return byte(124); }

    // Methods up to the first with code 0.
    int methodCount() const;
    CommMethod method(int i) const;
    uint32_t methodOffset(int i) const { return 128 + 32 * uint32_t(i); }
    DeviceEntry device(int slot) const;
    uint32_t deviceOffset(int slot) const { return 384 + 80 * uint32_t(slot); }
    // End address of block k of a device (k below its block count).
    uint32_t blockEnd(const DeviceEntry& d, int k) const { return u32(kBlockEnds + 4 * (uint32_t(d.firstBlock) + uint32_t(k))); }
    // Word w of timing table n (1-based).
    uint32_t timingWord(int table, int w) const
    {
        return u32(kTimingTables + kTimingTableSize * uint32_t(table - 1) + 4 * uint32_t(w));
    }

private:
    std::string text(uint32_t off, uint32_t max) const;
    const uint8_t* img_;
    uint32_t size_;
};

}  // namespace qmr::app
