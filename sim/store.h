// The simulated unit's NAND store: parameter files, settings files with the
// default number, one program image, the standalone log and the system
// values.  It persists in a directory, written atomically (a crash leaves
// the previous store or the new one, never half of one).
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qmr::sim {

struct StoredImage {
    std::string name;
    uint8_t kind = 0;  // security byte of the header
    uint32_t start = 0, end = 0, size = 0, crc = 0;
    std::string timestamp;  // 14 characters
    std::vector<uint8_t> data;  // size bytes
};

struct Store {
    static constexpr size_t kMaxPrm = 16;
    // Parameter files by their 4 identity bytes (image bytes 6..9, as sent).
    std::map<uint32_t, std::vector<uint8_t>> prm;
    std::vector<std::optional<std::vector<uint8_t>>> settings;  // 16384-byte records by slot
    uint8_t defaultSetting = 0xFF;
    std::optional<StoredImage> image;
    uint32_t okCount = 0, ngCount = 0;
    std::array<uint16_t, 32> ngList{};  // newest first
    uint8_t sysValues[2] = {0, 0};

    explicit Store(size_t settingSlots = 8) : settings(settingSlots) {}

    enum class Loaded { Yes, None, Damaged };
    // Loads the store from path; None when there is no file, Damaged (with
    // the reason in why) when it cannot be read or is not a whole store.  The
    // store stays as it is unless it loaded.
    Loaded load(const std::string& path, std::string* why = nullptr);
    // Writes the store to path atomically; false on failure.
    bool save(const std::string& path) const;
};

// The store directory: QMR_SIM_DIR, else $XDG_STATE_HOME/quillmarker-sim,
// else ~/.local/state/quillmarker-sim.  An empty QMR_SIM_DIR keeps the store
// in memory only ("").
std::string defaultStoreDir();

}  // namespace qmr::sim
