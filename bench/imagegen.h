// Writes large program images as Intel HEX and S3 text for the benchmarks.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "support/hexfiles.h"

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

// Intel HEX, 32 data bytes a record, type 04 records for every 64 KB.
inline std::string intelHex(const std::vector<uint8_t>& img) { return qmrtest::intelHex({{0, img}}, 32); }

// S3 records of 32 data bytes and an S7 end.
inline std::string sRecords(const std::vector<uint8_t>& img) { return qmrtest::sRecords({{0, img}}, 32); }

inline bool writeFile(const std::string& path, const std::string& text)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace qmrbench
