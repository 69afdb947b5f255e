// The hand-written slicing-by-8 CRC-32 tables the library used before it
// took ISA-L's: kept here only as the reference the benchmark compares with.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qmrbench::slicing8 {

namespace detail {

struct Tables {
    uint32_t r[8][256];  // reflected
    uint32_t m[8][256];  // MSB first
    Tables()
    {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : (c >> 1);
            r[0][i] = c;
            uint32_t d = i << 24;
            for (int k = 0; k < 8; ++k) d = (d & 0x80000000u) ? (d << 1) ^ 0x04C11DB7u : (d << 1);
            m[0][i] = d;
        }
        for (int t = 1; t < 8; ++t) {
            for (uint32_t i = 0; i < 256; ++i) {
                r[t][i] = (r[t - 1][i] >> 8) ^ r[0][r[t - 1][i] & 0xFF];
                m[t][i] = (m[t - 1][i] << 8) ^ m[0][m[t - 1][i] >> 24];
            }
        }
    }
};

inline const Tables& tables()
{
    static const Tables t;
    return t;
}

inline uint32_t le32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline uint32_t be32(const uint8_t* p)
{
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}

}  // namespace detail

inline uint32_t crc32ReflectedUpdate(uint32_t crc, const uint8_t* p, size_t n)
{
    const auto& T = detail::tables().r;
    while (n >= 8) {
        uint32_t one = detail::le32(p) ^ crc;
        uint32_t two = detail::le32(p + 4);
        crc = T[7][one & 0xFF] ^ T[6][(one >> 8) & 0xFF] ^ T[5][(one >> 16) & 0xFF] ^ T[4][one >> 24] ^
              T[3][two & 0xFF] ^ T[2][(two >> 8) & 0xFF] ^ T[1][(two >> 16) & 0xFF] ^ T[0][two >> 24];
        p += 8;
        n -= 8;
    }
    while (n--) crc = (crc >> 8) ^ T[0][(crc ^ *p++) & 0xFF];
    return crc;
}

inline uint32_t crc32MsbUpdate(uint32_t crc, const uint8_t* p, size_t n)
{
    const auto& T = detail::tables().m;
    while (n >= 8) {
        uint32_t one = detail::be32(p) ^ crc;
        uint32_t two = detail::be32(p + 4);
        crc = T[7][one >> 24] ^ T[6][(one >> 16) & 0xFF] ^ T[5][(one >> 8) & 0xFF] ^ T[4][one & 0xFF] ^
              T[3][two >> 24] ^ T[2][(two >> 16) & 0xFF] ^ T[1][(two >> 8) & 0xFF] ^ T[0][two & 0xFF];
        p += 8;
        n -= 8;
    }
    while (n--) crc = (crc << 8) ^ T[0][(crc >> 24) ^ *p++];
    return crc;
}

inline uint32_t crc32Zip(const uint8_t* d, size_t n) { return ~crc32ReflectedUpdate(0xFFFFFFFFu, d, n); }
inline uint32_t crc32Bzip2(const uint8_t* d, size_t n) { return ~crc32MsbUpdate(0xFFFFFFFFu, d, n); }
inline uint32_t crc32Mpeg2(const uint8_t* d, size_t n) { return crc32MsbUpdate(0xFFFFFFFFu, d, n); }

}  // namespace qmrbench::slicing8
