// Small parameter files, settings records and images for the tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "checks/crc32.h"

namespace qmrtest {

inline void putLe32(std::vector<uint8_t>& v, size_t at, uint32_t x)
{
    for (int i = 0; i < 4; ++i) v[at + i] = static_cast<uint8_t>(x >> (8 * i));
}

// A 16384-byte parameter file with identity `id` and a valid CRC.
inline std::vector<uint8_t> parameterFile(uint32_t id, const char* name = "TESTDEV.PRS", uint8_t deviceClass = 1)
{
    std::vector<uint8_t> p(16384, 0);
    p[0] = 4;  // format version
    for (int i = 0; i < 4; ++i) p[6 + i] = static_cast<uint8_t>(id >> (24 - 8 * i));
    std::strncpy(reinterpret_cast<char*>(&p[16]), name, 29);
    p[48] = deviceClass;
    uint32_t crc = qmr::checks::crc32Zip(p.data() + 6, p.size() - 6);
    putLe32(p, 2, crc);
    return p;
}

// A settings record for parameter file `prm`: operation range 0..end.
inline std::vector<uint8_t> settingsRecord(const std::vector<uint8_t>& prm, uint32_t end, const char* name = "TEST SETTING")
{
    std::vector<uint8_t> s(16384, 0);
    s[0] = 2;
    std::memcpy(&s[2], &prm[2], 44);
    std::strncpy(reinterpret_cast<char*>(&s[0x30]), name, 32);
    std::memcpy(&s[0x50], &prm[48], 16);
    for (int i = 0; i < 32; ++i) s[0xA0 + i] = static_cast<uint8_t>(0xA0 + i);  // expected signature
    putLe32(s, 0xC0, end);
    putLe32(s, 0xD0, 0);
    putLe32(s, 0xD4, end);
    return s;
}

// An image of `size` bytes with a recognisable pattern.
inline std::vector<uint8_t> pattern(size_t size, uint8_t seed = 1)
{
    std::vector<uint8_t> v(size);
    for (size_t i = 0; i < size; ++i) v[i] = static_cast<uint8_t>(i * 31 + seed + (i >> 9));
    return v;
}

}  // namespace qmrtest
