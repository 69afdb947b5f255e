// Writes large program images as Intel HEX and S3 text for the benchmarks.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace qmrbench {

inline std::vector<uint8_t> imageBytes(size_t size)
{
    std::vector<uint8_t> b(size);
    uint32_t x = 12345;
    for (auto& v : b) {
        x = x * 1664525u + 1013904223u;
        v = static_cast<uint8_t>(x >> 24);
    }
    return b;
}

inline void hex2(std::string& out, unsigned v)
{
    static const char* d = "0123456789ABCDEF";
    out += d[(v >> 4) & 15];
    out += d[v & 15];
}

// Intel HEX, 32 data bytes a record, type 04 records for every 64 KB.
inline std::string intelHex(const std::vector<uint8_t>& img)
{
    std::string out;
    out.reserve(img.size() * 2 + img.size() / 32 * 14);
    for (size_t off = 0; off < img.size(); off += 32) {
        if ((off & 0xFFFF) == 0) {
            unsigned up = static_cast<unsigned>(off >> 16);
            out += ":02000004";
            hex2(out, up >> 8);
            hex2(out, up);
            hex2(out, 0u - (6u + (up >> 8) + (up & 0xFF)));
            out += "\r\n";
        }
        unsigned a = static_cast<unsigned>(off & 0xFFFF);
        unsigned sum = 32 + (a >> 8) + (a & 0xFF);
        out += ":20";
        hex2(out, a >> 8);
        hex2(out, a);
        out += "00";
        for (size_t k = 0; k < 32; ++k) {
            hex2(out, img[off + k]);
            sum += img[off + k];
        }
        hex2(out, 0u - sum);
        out += "\r\n";
    }
    return out + ":00000001FF\r\n";
}

// S3 records of 32 data bytes and an S7 end.
inline std::string sRecords(const std::vector<uint8_t>& img)
{
    std::string out;
    out.reserve(img.size() * 2 + img.size() / 32 * 16);
    for (size_t off = 0; off < img.size(); off += 32) {
        uint32_t a = static_cast<uint32_t>(off);
        unsigned sum = 37;
        out += "S325";
        for (int i = 3; i >= 0; --i) {
            hex2(out, a >> (8 * i));
            sum += (a >> (8 * i)) & 0xFF;
        }
        for (size_t k = 0; k < 32; ++k) {
            hex2(out, img[off + k]);
            sum += img[off + k];
        }
        hex2(out, ~sum);
        out += "\r\n";
    }
    return out + "S70500000000FA\r\n";
}

inline bool writeFile(const std::string& path, const std::string& text)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace qmrbench
