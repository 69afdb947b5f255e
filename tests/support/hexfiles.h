// Program images written as Intel HEX and S-record text for tests and
// benchmarks: data at any address (with extended linear address records above
// 64 KB) and firmware images with or without the unit's or the gang box's
// marker.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace qmrtest {

using Runs = std::vector<std::pair<uint32_t, std::vector<uint8_t>>>;

// Intel HEX of these runs of bytes, perRecord (16) to a record, with an
// extended linear address record where the upper 16 address bits change,
// and the end record.
inline std::string intelHex(const Runs& runs, size_t perRecord = 16)
{
    std::string out;
    char b[32];
    uint32_t upper = 0;
    for (const auto& [start, bytes] : runs) {
        for (size_t off = 0; off < bytes.size(); off += perRecord) {
            uint32_t a = start + static_cast<uint32_t>(off);
            if ((a >> 16) != upper) {
                upper = a >> 16;
                unsigned sum = 2 + 4 + (upper >> 8) + (upper & 0xFF);
                std::snprintf(b, sizeof b, ":02000004%04X%02X\r\n", upper, (0u - sum) & 0xFF);
                out += b;
            }
            uint32_t n = static_cast<uint32_t>(std::min(perRecord, bytes.size() - off));
            unsigned sum = n + ((a >> 8) & 0xFF) + (a & 0xFF);
            std::snprintf(b, sizeof b, ":%02X%04X00", n, a & 0xFFFF);
            out += b;
            for (uint32_t i = 0; i < n; ++i) {
                std::snprintf(b, sizeof b, "%02X", bytes[off + i]);
                out += b;
                sum += bytes[off + i];
            }
            std::snprintf(b, sizeof b, "%02X\r\n", (0u - sum) & 0xFF);
            out += b;
        }
    }
    return out + ":00000001FF\r\n";
}

// S3 records of these runs, perRecord (16) bytes to a record, and an S7 end.
inline std::string sRecords(const Runs& runs, size_t perRecord = 16)
{
    std::string out;
    char b[32];
    for (const auto& [start, bytes] : runs) {
        for (size_t off = 0; off < bytes.size(); off += perRecord) {
            const uint32_t a = start + static_cast<uint32_t>(off);
            const uint32_t n = static_cast<uint32_t>(std::min(perRecord, bytes.size() - off));
            unsigned sum = n + 5 + (a >> 24) + ((a >> 16) & 0xFF) + ((a >> 8) & 0xFF) + (a & 0xFF);
            std::snprintf(b, sizeof b, "S3%02X%08X", n + 5, a);
            out += b;
            for (uint32_t i = 0; i < n; ++i) {
                std::snprintf(b, sizeof b, "%02X", bytes[off + i]);
                out += b;
                sum += bytes[off + i];
            }
            std::snprintf(b, sizeof b, "%02X\r\n", ~sum & 0xFF);
            out += b;
        }
    }
    return out + "S70500000000FA\r\n";
}

enum class Marker { None, Unit, Gang };

// A firmware image of `size` bytes from address 0, with its marker at 0x70.
inline std::string firmwareHex(uint32_t size, Marker marker = Marker::Unit)
{
    std::vector<uint8_t> img(size, 0x11);
    const uint8_t unit[10] = {'v', 'e', 'x', 'o', 'r', 0x9F, 0x2F, 0xBF, 0x53, 0xDA};
    const uint8_t gang[10] = {'v', 'e', 'x', 'o', 'r', 'g', 'a', 'n', 'g', 0xDA};
    if (marker != Marker::None && size >= 0x7A) std::memcpy(img.data() + 0x70, marker == Marker::Unit ? unit : gang, 10);
    return intelHex({{0, img}});
}

}  // namespace qmrtest
