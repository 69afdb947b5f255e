// The in-process simulated unit and gang box stocked with the example files:
// for the tests, the screenshots and the benchmarks, which show or measure a
// program on a unit that is ready to program.  They link the library's
// static twin, which reaches the simulated unit's store.
#pragma once

#include <cstdint>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "checks/crc32.h"
#include "link/sim/sim_driver.h"

namespace qmr::app {

inline std::vector<uint8_t> readExampleFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

// The identity a parameter file is stored under (image bytes 6..9).
inline uint32_t prmIdentityOf(const std::vector<uint8_t>& prm)
{
    return prm.size() < 10 ? 0 : (uint32_t(prm[6]) << 24) | (uint32_t(prm[7]) << 16) | (uint32_t(prm[8]) << 8) | prm[9];
}

// A fresh simulated unit (the gang box in the gang build) that keeps its
// store in memory.
inline void resetSimulatedUnit(const std::function<void(sim::Config&)>& tweak = {})
{
    auto c = link::defaultSimConfig();
    c.storeDir.clear();
    if (tweak) tweak(c);
    link::resetSimDevice(c);
}

// A fresh simulated gang box with units in these positions (1..8) only.
inline void resetSimulatedGangBox(std::initializer_list<int> positions,
                                  const std::function<void(sim::Config&)>& tweak = {})
{
    resetSimulatedUnit([&](sim::Config& c) {
        c.gang = true;
        c.versions.fill(0xFFFF);
        for (int p : positions)
            if (p >= 1 && p <= 8) c.versions[size_t(p - 1)] = 0x0205;
        if (tweak) tweak(c);
    });
}

// Stores the parameter file prs, the setting file set (when given) as slot
// 0, its default, and an image of imageSize bytes of a pattern (none for 0).
inline void stockSimulatedUnit(const std::string& dataDir, const char* prs, const char* set, size_t imageSize)
{
    auto prm = readExampleFile(dataDir + "/" + prs);
    auto rec = set ? readExampleFile(dataDir + "/" + set) : std::vector<uint8_t>();
    link::withSimDevice([&](sim::Device& d) {
        d.store().prm[prmIdentityOf(prm)] = prm;
        if (set) {
            d.store().settings[0] = rec;
            d.store().defaultSetting = 0;
        }
        if (imageSize) {
            sim::StoredImage im;
            im.name = "blinky.hex";
            im.data.resize(imageSize);
            for (size_t i = 0; i < imageSize; ++i) im.data[i] = static_cast<uint8_t>(i * 7 + 3);
            im.size = static_cast<uint32_t>(imageSize);
            im.end = im.size - 1;
            im.crc = checks::crc32Bzip2(im.data.data(), im.data.size());
            im.timestamp = "20261209103015";
            d.store().image = im;
        }
    });
}

}  // namespace qmr::app
