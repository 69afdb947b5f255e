// The plain scan: one record after the other, one character pair at a time.
// It is the rule book: the fast scan must give the same image, range and
// result for every text, and the fuzzer and the tests hold it to that.
#include <cstring>

#include "files/hexrecord.h"
#include "files/hexscan.h"
#include "qmr/qmr.h"

namespace qmr::files {

namespace {

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

size_t intelRecord(const char* text, size_t n, size_t pos, uint8_t* image, ScanState& o)
{
    const uint8_t* T = pairTable();
    size_t p = pos + 1;
    if (n - p < 8) {  // a record cut off by the end of the file
        o.result = QMR_HEX_ECHECKSUM;
        return n;
    }
    uint32_t ll = byteAt(T, text + p);
    uint32_t ah = byteAt(T, text + p + 2), al = byteAt(T, text + p + 4);
    uint32_t tt = byteAt(T, text + p + 6);
    uint32_t addr = (ah << 8) | al;
    p += 8;
    if (n - p < 2 * ll + 2) {
        o.result = QMR_HEX_ECHECKSUM;
        return n;
    }
    const char* data = text + p;
    uint32_t cc = byteAt(T, data + 2 * ll);
    size_t next = skipLineEnds(text, n, p + 2 * ll + 2);
    if (ll == 0 && addr == 0 && cc == 0) return next;
    if (tt == 1) {
        o.ended = true;
        return next;
    }
    uint32_t start = 0;
    if (tt == 0) {
        start = o.base + addr;
        o.cur = start;
        if (ll) o.curEnd = start + ll - 1;
        if (!o.baseSet) o.usedInheritedBase = true;
    } else if (tt == 2 || tt == 4) {
        uint32_t d0 = ll > 0 ? byteAt(T, data) : 0;
        uint32_t d1 = ll > 1 ? byteAt(T, data + 2) : 0;
        uint32_t v = (d0 << 8) | d1;
        if (tt == 2) {
            o.base = v << 4;
            o.cur = o.base;
        } else {
            o.base = v << 16;
        }
        o.baseSet = true;
    }
    if (o.cur < o.lowest) o.lowest = o.cur;
    if (o.curEnd > o.highest) o.highest = o.curEnd;
    if (tt == 0) {
        o.anyData |= ll != 0;
        if (start >= QMR_IMAGE_SIZE) {
            o.result = QMR_HEX_ERANGE;
            return next;
        }
        if (ll && !o.mayWrite(start, ll)) {
            o.result = kConflict;
            return next;
        }
        unsigned sum = ll + ah + al + tt + decodeInto(T, data, ll, image + start);
        if (ll) o.wrote(start, ll);
        if (static_cast<uint8_t>(0u - sum) != cc) o.result = QMR_HEX_ECHECKSUM;
    }
    return next;
}

size_t sRecord(const char* text, size_t n, size_t pos, uint8_t* image, ScanState& o)
{
    const uint8_t* T = pairTable();
    size_t p = pos + 1;
    if (n - p < 3) {
        o.result = QMR_HEX_ECHECKSUM;
        return n;
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
        return n;
    }
    const char* rec = text + p;
    size_t next = skipLineEnds(text, n, p + 2 * static_cast<size_t>(count));
    if (type == 0) return next;
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
    if (isData || isEnd) o.cur = addr;
    if (isData && dataLen) o.curEnd = addr + dataLen - 1;
    if (o.cur < o.lowest) o.lowest = o.cur;
    if (o.curEnd > o.highest) o.highest = o.curEnd;
    if (isEnd) {
        o.ended = true;
        return next;
    }
    if (isData) {
        o.anyData |= dataLen != 0;
        if (addr >= QMR_IMAGE_SIZE) {
            o.result = QMR_HEX_ERANGE;
            return next;
        }
        const char* data = rec + 2 * addrLen;
        if (dataLen && !o.mayWrite(addr, dataLen)) {
            o.result = kConflict;
            return next;
        }
        unsigned sum = count + addrSum + decodeInto(T, data, dataLen, image + addr);
        if (dataLen) o.wrote(addr, dataLen);
        uint32_t cs = count > addrLen ? byteAt(T, data + 2 * dataLen) : 0;
        if (static_cast<uint8_t>(~sum) != cs) o.result = QMR_HEX_ECHECKSUM;
    }
    return next;
}

}  // namespace

const uint8_t* pairTable()
{
    static const PairTable t;
    return t.v;
}

size_t stepRecord(const char* text, size_t n, size_t pos, uint8_t* image, ScanState& o)
{
    const char lead = text[pos];
    if (lead == ':') return intelRecord(text, n, pos, image, o);
    if (lead == 'S') return sRecord(text, n, pos, image, o);
    const void* lf = std::memchr(text + pos, '\n', n - pos);
    return lf ? static_cast<size_t>(static_cast<const char*>(lf) - text) + 1 : n;
}

ScanOutcome scanImageReference(const char* text, size_t n, uint8_t* image, CancelCheck cancel, void* arg)
{
    ScanState s;
    ScanOutcome o;
    size_t pos = 0;
    while (pos < n) {
        if (cancel && cancel(arg)) {
            o.cancelled = true;
            return o;
        }
        pos = stepRecord(text, n, pos, image, s);
        if (s.result || s.ended) break;
    }
    o.lowest = s.lowest;
    o.highest = s.highest;
    o.result = s.result;
    // A file cut off before its end record (an interrupted copy) or one
    // without any data is no image to program.
    if (!o.result && (!s.ended || !s.anyData)) o.result = QMR_HEX_ECHECKSUM;
    return o;
}

}  // namespace qmr::files
