// Program images written as Intel HEX text for tests: data at any address
// (with extended linear address records above 64 KB) and firmware images
// with or without the unit's or the gang box's marker.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace qmrtest {

// Intel HEX of these runs of bytes, 16 to a record, and the end record.
inline std::string intelHex(const std::vector<std::pair<uint32_t, std::vector<uint8_t>>>& runs)
{
    std::string out;
    char b[80];
    uint32_t upper = 0;
    for (const auto& [start, bytes] : runs) {
        for (size_t off = 0; off < bytes.size(); off += 16) {
            uint32_t a = start + static_cast<uint32_t>(off);
            if ((a >> 16) != upper) {
                upper = a >> 16;
                unsigned sum = 2 + 4 + (upper >> 8) + (upper & 0xFF);
                std::snprintf(b, sizeof b, ":02000004%04X%02X\r\n", upper, (0u - sum) & 0xFF);
                out += b;
            }
            uint32_t n = static_cast<uint32_t>(std::min<size_t>(16, bytes.size() - off));
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
