// CRC-32 in its three forms: the zip form (reflected, parameter files), the
// bzip2 form (MSB first, inverted: the loaded image's CRC) and the MPEG-2
// form (MSB first, not inverted: the checksum display and the text checksum).
#pragma once

#include <cstddef>
#include <cstdint>

namespace qmr::checks {

// Reflected CRC-32 state update (start with 0xFFFFFFFF, invert at the end).
uint32_t crc32ReflectedUpdate(uint32_t state, const uint8_t* data, size_t n);
// MSB-first CRC-32 state update, polynomial 0x04C11DB7.
uint32_t crc32MsbUpdate(uint32_t state, const uint8_t* data, size_t n);

inline uint32_t crc32Zip(const uint8_t* data, size_t n)
{
    return ~crc32ReflectedUpdate(0xFFFFFFFFu, data, n);
}
inline uint32_t crc32Bzip2(const uint8_t* data, size_t n)
{
    return ~crc32MsbUpdate(0xFFFFFFFFu, data, n);
}
inline uint32_t crc32Mpeg2(const uint8_t* data, size_t n)
{
    return crc32MsbUpdate(0xFFFFFFFFu, data, n);
}

}  // namespace qmr::checks
