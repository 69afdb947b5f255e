#include "files/hexscan.h"

#include <cstring>

#include "qmr/qmr.h"

namespace qmr::files {

namespace {

// Byte value of every pair of characters; a character that is not a
// hexadecimal digit counts as 0.
struct PairTable {
    uint8_t v[65536];
    PairTable()
    {
        uint8_t nib[256] = {};
        for (int c = '0'; c <= '9'; ++c) nib[c] = static_cast<uint8_t>(c - '0');
        for (int c = 'A'; c <= 'F'; ++c) nib[c] = static_cast<uint8_t>(c - 'A' + 10);
        for (int c = 'a'; c <= 'f'; ++c) nib[c] = static_cast<uint8_t>(c - 'a' + 10);
        for (int hi = 0; hi < 256; ++hi)
            for (int lo = 0; lo < 256; ++lo) v[hi | (lo << 8)] = static_cast<uint8_t>((nib[hi] << 4) | nib[lo]);
    }
};
const PairTable& pairs()
{
    static const PairTable t;
    return t;
}

inline uint8_t byteAt(const uint8_t* table, const char* p)
{
    uint16_t k;
    std::memcpy(&k, p, 2);  // little-endian pair: first character in the low byte
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    k = static_cast<uint16_t>((k >> 8) | (k << 8));
#endif
    return table[k];
}

// Decodes count bytes into dst, returning their 8-bit sum.
inline unsigned decodeInto(const uint8_t* table, const char* p, size_t count, uint8_t* dst)
{
    unsigned sum = 0;
    for (size_t i = 0; i < count; ++i) {
        uint8_t b = byteAt(table, p + 2 * i);
        dst[i] = b;
        sum += b;
    }
    return sum;
}

inline size_t skipLineEnds(const char* text, size_t n, size_t p)
{
    if (p < n && (text[p] == '\r' || text[p] == '\n')) {
        ++p;
        if (p < n && (text[p] == '\r' || text[p] == '\n')) ++p;
    }
    return p;
}

}  // namespace

ScanOutcome scanImage(const char* text, size_t n, uint8_t* image, CancelCheck cancel, void* arg)
{
    const uint8_t* T = pairs().v;
    ScanOutcome o;
    uint32_t cur = 0, curEnd = 0;
    uint32_t base = 0;  // segment * 16 or upper linear address, whichever came last
    size_t pos = 0;
    bool ended = false, anyData = false;
    while (pos < n) {
        if (cancel && cancel(arg)) {
            o.cancelled = true;
            return o;
        }
        char lead = text[pos];
        if (lead == ':') {
            size_t p = pos + 1;
            if (n - p < 8) {  // a record cut off by the end of the file
                o.result = QMR_HEX_ECHECKSUM;
                return o;
            }
            uint32_t ll = byteAt(T, text + p);
            uint32_t ah = byteAt(T, text + p + 2), al = byteAt(T, text + p + 4);
            uint32_t tt = byteAt(T, text + p + 6);
            uint32_t addr = (ah << 8) | al;
            p += 8;
            if (n - p < 2 * ll + 2) {
                o.result = QMR_HEX_ECHECKSUM;
                return o;
            }
            const char* data = text + p;
            uint32_t cc = byteAt(T, data + 2 * ll);
            size_t next = skipLineEnds(text, n, p + 2 * ll + 2);
            if (ll == 0 && addr == 0 && cc == 0) {
                pos = next;
                continue;
            }
            if (tt == 1) {
                ended = true;
                break;
            }
            uint32_t start = 0;
            if (tt == 0) {
                start = base + addr;
                cur = start;
                if (ll) curEnd = start + ll - 1;
            } else if (tt == 2 || tt == 4) {
                uint32_t d0 = ll > 0 ? byteAt(T, data) : 0;
                uint32_t d1 = ll > 1 ? byteAt(T, data + 2) : 0;
                uint32_t v = (d0 << 8) | d1;
                if (tt == 2) {
                    base = v << 4;
                    cur = base;
                } else {
                    base = v << 16;
                }
            }
            if (cur < o.lowest) o.lowest = cur;
            if (curEnd > o.highest) o.highest = curEnd;
            if (tt == 0) {
                anyData |= ll != 0;
                if (start >= QMR_IMAGE_SIZE) {
                    o.result = QMR_HEX_ERANGE;
                    return o;
                }
                unsigned sum = ll + ah + al + tt + decodeInto(T, data, ll, image + start);
                if (static_cast<uint8_t>(0u - sum) != cc) {
                    o.result = QMR_HEX_ECHECKSUM;
                    return o;
                }
            }
            pos = next;
        } else if (lead == 'S') {
            size_t p = pos + 1;
            if (n - p < 3) {
                o.result = QMR_HEX_ECHECKSUM;
                return o;
            }
            int type = static_cast<unsigned char>(text[p]) - '0';
            uint32_t count = byteAt(T, text + p + 1);
            p += 3;
            uint32_t addrLen = 0;
            if (type == 1 || type == 9) addrLen = 2;
            else if (type == 2 || type == 8) addrLen = 3;
            else if (type == 3 || type == 7) addrLen = 4;
            uint32_t bytes = count > addrLen + 1 ? count : addrLen + 1;  // never read past what exists
            if (n - p < 2 * static_cast<size_t>(bytes)) {
                o.result = QMR_HEX_ECHECKSUM;
                return o;
            }
            const char* rec = text + p;
            size_t next = skipLineEnds(text, n, p + 2 * static_cast<size_t>(count));
            if (type == 0) {
                pos = next;
                continue;
            }
            uint32_t addr = 0;
            unsigned addrSum = 0;
            for (uint32_t i = 0; i < addrLen; ++i) {
                uint32_t b = byteAt(T, rec + 2 * i);
                addr = (addr << 8) | b;
                addrSum += b;
            }
            uint32_t dataLen = count > addrLen + 1 ? count - addrLen - 1 : 0;
            bool isData = type >= 1 && type <= 3;
            bool isEnd = type >= 7 && type <= 9;
            if (isData || isEnd) cur = addr;
            if (isData && dataLen) curEnd = addr + dataLen - 1;
            if (cur < o.lowest) o.lowest = cur;
            if (curEnd > o.highest) o.highest = curEnd;
            if (isEnd) {
                ended = true;
                break;
            }
            if (isData) {
                anyData |= dataLen != 0;
                if (addr >= QMR_IMAGE_SIZE) {
                    o.result = QMR_HEX_ERANGE;
                    return o;
                }
                const char* data = rec + 2 * addrLen;
                unsigned sum = count + addrSum + decodeInto(T, data, dataLen, image + addr);
                uint32_t cs = count > addrLen ? byteAt(T, data + 2 * dataLen) : 0;
                if (static_cast<uint8_t>(~sum) != cs) {
                    o.result = QMR_HEX_ECHECKSUM;
                    return o;
                }
            }
            pos = next;
        } else {
            const void* lf = std::memchr(text + pos, '\n', n - pos);
            pos = lf ? static_cast<size_t>(static_cast<const char*>(lf) - text) + 1 : n;
        }
    }
    // A file cut off before its end record (an interrupted copy) or one
    // without any data is no image to program.
    if (!ended || !anyData) o.result = QMR_HEX_ECHECKSUM;
    return o;
}

uint16_t imageSum(const uint8_t* image, uint32_t lowest, uint32_t highest)
{
    if (lowest > highest || highest >= QMR_IMAGE_ALLOC) return 0;
    uint64_t sum = 0;
    for (uint32_t a = lowest; a <= highest; ++a) sum += image[a];
    return static_cast<uint16_t>(0u - static_cast<uint32_t>(sum));
}

bool hasFirmwareMarker(const uint8_t* image, uint32_t lowest, uint32_t kind)
{
    static const uint8_t unit[10] = {'v', 'e', 'x', 'o', 'r', 0x9F, 0x2F, 0xBF, 0x53, 0xDA};
    static const uint8_t gang[10] = {'v', 'e', 'x', 'o', 'r', 'g', 'a', 'n', 'g', 0xDA};
    const uint8_t* want = kind == 2 ? gang : unit;
    if (lowest > QMR_IMAGE_ALLOC - 0x70 - 10) return false;
    return std::memcmp(image + lowest + 0x70, want, 10) == 0;
}

}  // namespace qmr::files
