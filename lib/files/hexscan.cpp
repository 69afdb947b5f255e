// The fast scan of image text.  A data record is decoded whole, 32
// characters at a time with SSE2 (every x86-64 processor has it): each
// character becomes its digit value (0 for a character that is no digit, as
// the plain scan reads it), pairs become bytes, and the record's sum comes
// from one sum-of-differences a block.  Everything else (address, start and
// end records, odd counts, the last bytes of a text) goes through the plain
// record reader, so both scans follow one rule book.
//
// A large text is split into pieces at line starts (Intel HEX: at an address
// record, which sets the base the records after it need) and the pieces are
// scanned at once, one per processor.  The result stands only when the pieces
// fit together as one scan would have read them; otherwise the image is put
// back and the text scanned from the start.
#include "files/hexscan.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "files/hexrecord.h"
#include "files/parts.h"
#include "qmr/qmr.h"

namespace qmr::files {

namespace {

#if defined(__SSE2__)

// Digit values of 16 characters; 0 for a character that is no hexadecimal digit.
inline __m128i digits(__m128i c)
{
    const __m128i d = _mm_sub_epi8(c, _mm_set1_epi8('0'));
    const __m128i isDigit = _mm_cmpeq_epi8(_mm_min_epu8(d, _mm_set1_epi8(9)), d);
    const __m128i l = _mm_sub_epi8(_mm_or_si128(c, _mm_set1_epi8(0x20)), _mm_set1_epi8('a'));
    const __m128i isLetter = _mm_cmpeq_epi8(_mm_min_epu8(l, _mm_set1_epi8(5)), l);
    return _mm_or_si128(_mm_and_si128(isDigit, d), _mm_and_si128(isLetter, _mm_add_epi8(l, _mm_set1_epi8(10))));
}

// 32 characters to 16 bytes (the first character of a pair is the high digit).
inline __m128i decode32(const char* p)
{
    const __m128i a = digits(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
    const __m128i b = digits(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16)));
    const __m128i low = _mm_set1_epi16(0x00FF);
    const __m128i x = _mm_or_si128(_mm_slli_epi16(_mm_and_si128(a, low), 4), _mm_srli_epi16(a, 8));
    const __m128i y = _mm_or_si128(_mm_slli_epi16(_mm_and_si128(b, low), 4), _mm_srli_epi16(b, 8));
    return _mm_packus_epi16(x, y);
}

alignas(16) const uint8_t kKeep[32] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                       0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

// The first k (1..16) bytes of v, the rest 0.
inline __m128i firstBytes(__m128i v, unsigned k)
{
    return _mm_and_si128(v, _mm_loadu_si128(reinterpret_cast<const __m128i*>(kKeep + 16 - k)));
}

constexpr unsigned kMaxBlocks = 17;  // 255 data bytes and 5 more: 520 characters

// A record's bytes decoded: v[0..blocks), v[blocks] zero; the 8-bit sum of the first total bytes.
struct Decoded {
    __m128i v[kMaxBlocks + 1];
    unsigned sum = 0;
};

inline unsigned lanesSum(__m128i acc)
{
    return static_cast<unsigned>(_mm_cvtsi128_si32(acc) + _mm_cvtsi128_si32(_mm_srli_si128(acc, 8)));
}

// Decodes Blocks blocks (32 characters each) from p, the first given; the
// sum is of the first total bytes.  Blocks is known when the compiler sees
// it for the common records (16 or 32 data bytes): no loop is left then.
template <unsigned Blocks>
inline void decodeBlocks(const char* p, __m128i first, unsigned total, Decoded& d)
{
    d.v[0] = first;
    for (unsigned i = 1; i < Blocks; ++i) d.v[i] = decode32(p + 32 * i);
    d.v[Blocks] = _mm_setzero_si128();
    __m128i acc = _mm_sad_epu8(firstBytes(d.v[Blocks - 1], total - 16 * (Blocks - 1)), _mm_setzero_si128());
    for (unsigned i = 0; i + 1 < Blocks; ++i) acc = _mm_add_epi64(acc, _mm_sad_epu8(d.v[i], _mm_setzero_si128()));
    d.sum = lanesSum(acc);
}

__attribute__((always_inline)) inline void decodeRecord(const char* p, __m128i first, unsigned total, Decoded& d)
{
    const unsigned blocks = (total + 15) / 16;
    switch (blocks) {
    case 2: return decodeBlocks<2>(p, first, total, d);
    case 3: return decodeBlocks<3>(p, first, total, d);
    default: break;
    }
    d.v[0] = first;
    for (unsigned i = 1; i < blocks; ++i) d.v[i] = decode32(p + 32 * i);
    d.v[blocks] = _mm_setzero_si128();
    __m128i acc = _mm_sad_epu8(firstBytes(d.v[blocks - 1], total - 16 * (blocks - 1)), _mm_setzero_si128());
    for (unsigned i = 0; i + 1 < blocks; ++i) acc = _mm_add_epi64(acc, _mm_sad_epu8(d.v[i], _mm_setzero_si128()));
    d.sum = lanesSum(acc);
}

// Copies n data bytes that begin Off bytes into the decoded record.
template <int Off>
inline void copyData(const Decoded& d, unsigned n, uint8_t* dst)
{
    auto chunk = [&](unsigned b) { return _mm_or_si128(_mm_srli_si128(d.v[b], Off), _mm_slli_si128(d.v[b + 1], 16 - Off)); };
    if (n == 16) {  // the common records
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), chunk(0));
        return;
    }
    if (n == 32) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), chunk(0));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 16), chunk(1));
        return;
    }
    unsigned j = 0;
    for (; j + 16 <= n; j += 16) _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + j), chunk(j / 16));
    if (j < n) {
        alignas(16) uint8_t tail[16];
        _mm_store_si128(reinterpret_cast<__m128i*>(tail), chunk(j / 16));
        std::memcpy(dst + j, tail, n - j);
    }
}

inline void noteRange(ScanState& s, uint32_t cur, uint32_t curEnd)
{
    s.cur = cur;
    s.curEnd = curEnd;
    if (cur < s.lowest) s.lowest = cur;
    if (curEnd > s.highest) s.highest = curEnd;
}

// An Intel HEX data record at pos with at least one data byte and room to
// read whole blocks; false leaves it to the plain reader.
inline bool fastIntel(const char* text, size_t n, size_t pos, uint8_t* image, ScanState& s, size_t& next)
{
    const char* p = text + pos + 1;
    const size_t room = n - pos - 1;
    if (room < 32) return false;
    const __m128i head = decode32(p);
    const unsigned ll = static_cast<unsigned>(_mm_cvtsi128_si32(head)) & 0xFF;
    const unsigned word = static_cast<unsigned>(_mm_cvtsi128_si32(head));
    if (ll == 0 || (word >> 24) != 0) return false;  // no data, or not a data record
    const unsigned total = ll + 5;
    if (room < 32 * size_t((total + 15) / 16)) return false;
    Decoded d;
    decodeRecord(p, head, total, d);
    const uint32_t addr = ((word >> 8) & 0xFF) << 8 | ((word >> 16) & 0xFF);
    const uint32_t start = s.base + addr;
    if (!s.baseSet) s.usedInheritedBase = true;
    noteRange(s, start, start + ll - 1);
    s.anyData = true;
    next = skipLineEnds(text, n, pos + 1 + 2 * size_t(total));
    if (start >= QMR_IMAGE_SIZE) {
        s.result = QMR_HEX_ERANGE;
        return true;
    }
    copyData<4>(d, ll, image + start);
    s.wrote(start, ll);
    if ((d.sum & 0xFF) != 0) s.result = QMR_HEX_ECHECKSUM;
    return true;
}

// An S1, S2 or S3 record at pos with at least one data byte and room to
// read whole blocks; false leaves it to the plain reader.
template <int AddrLen>
inline bool fastS(const char* text, size_t n, size_t pos, uint8_t* image, ScanState& s, size_t& next)
{
    const char* p = text + pos + 2;
    const size_t room = n - pos - 2;
    if (room < 32) return false;
    const __m128i head = decode32(p);
    alignas(16) uint8_t h[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(h), head);
    const unsigned count = h[0];
    if (count < AddrLen + 2) return false;  // no data byte: the plain reader's odd cases
    const unsigned total = count + 1;
    if (room < 32 * size_t((total + 15) / 16)) return false;
    Decoded d;
    decodeRecord(p, head, total, d);
    uint32_t addr = 0;
    for (int i = 1; i <= AddrLen; ++i) addr = addr << 8 | h[i];
    const unsigned dataLen = count - AddrLen - 1;
    noteRange(s, addr, addr + dataLen - 1);
    s.anyData = true;
    next = skipLineEnds(text, n, pos + 4 + 2 * size_t(count));
    if (addr >= QMR_IMAGE_SIZE) {
        s.result = QMR_HEX_ERANGE;
        return true;
    }
    copyData<1 + AddrLen>(d, dataLen, image + addr);
    s.wrote(addr, dataLen);
    if ((d.sum & 0xFF) != 0xFF) s.result = QMR_HEX_ECHECKSUM;
    return true;
}

inline bool fastRecord(const char* text, size_t n, size_t pos, uint8_t* image, ScanState& s, size_t& next)
{
    const char lead = text[pos];
    if (lead == ':') return fastIntel(text, n, pos, image, s, next);
    if (lead != 'S' || pos + 1 >= n) return false;
    switch (text[pos + 1]) {
    case '1': return fastS<2>(text, n, pos, image, s, next);
    case '2': return fastS<3>(text, n, pos, image, s, next);
    case '3': return fastS<4>(text, n, pos, image, s, next);
    default: return false;
    }
}

#else

inline bool fastRecord(const char*, size_t, size_t, uint8_t*, ScanState&, size_t&) { return false; }

#endif

// The bytes one piece wrote, as ranges (merged while the records follow one
// another); too many ranges and the piece cannot be checked against others.
struct Extents final : WriteLog {
    static constexpr size_t kMax = 4096;
    std::vector<std::pair<uint32_t, uint32_t>> ranges;  // [first, end)
    uint32_t lowest = 0xFFFFFFFFu, end = 0;
    bool tooMany = false;
    void wrote(uint32_t start, uint32_t length) override
    {
        const uint32_t stop = start + length;
        lowest = std::min(lowest, start);
        end = std::max(end, stop);
        if (!ranges.empty()) {
            auto& last = ranges.back();
            if (start <= last.second && stop >= last.first) {
                last.first = std::min(last.first, start);
                last.second = std::max(last.second, stop);
                return;
            }
        }
        if (ranges.size() < kMax) ranges.emplace_back(start, stop);
        else tooMany = true;
    }
};

struct Piece {
    size_t from = 0, to = 0;  // the records that begin in [from, to)
    size_t stop = 0;          // where the scan of the piece ended
    ScanState state;
    Extents extents;
    bool cancelled = false;
};

// Scans the records that begin in [from, to); the state comes in set.
void scanPiece(const char* text, size_t n, uint8_t* image, Piece& piece, CancelCheck cancel, void* arg,
               std::atomic<bool>& quit)
{
    ScanState& s = piece.state;
    size_t pos = piece.from;
    size_t stride = 0;  // the length of the last line
    unsigned countdown = 1;
    while (pos < piece.to) {
        if (--countdown == 0) {
            countdown = 4096;
            if (quit.load(std::memory_order_relaxed) || (cancel && cancel(arg))) {
                piece.cancelled = true;
                quit = true;
                return;
            }
        }
        size_t next;
        if (!fastRecord(text, n, pos, image, s, next)) next = stepRecord(text, n, pos, image, s);
        if (s.result || s.ended) {
            pos = next;
            break;
        }
        // Lines of a file mostly have one length.  The next record is taken
        // to begin one such length on, which the processor can run ahead
        // with while this record's count is still being decoded; where the
        // count says otherwise the guess is corrected.
        size_t guess = pos + stride;
        if (next != guess) [[unlikely]] {
            stride = next - pos;
            pos = next;
            continue;
        }
        asm("" : "+r"(guess));  // the guess, not the decoded length, feeds the next record
        pos = guess;
    }
    piece.stop = pos;
    s.flushWrites();
}

// Where the piece that starts at about offset may begin: a line start that
// is an address record (type 02 or 04 with two data bytes) for Intel HEX,
// any S-record for S-records; n when there is none before limit.
size_t pieceStart(const char* text, size_t n, size_t offset, size_t limit, bool intel)
{
    size_t p = offset;
    while (p < limit) {
        const void* lf = std::memchr(text + p, '\n', limit - p);
        if (!lf) return n;
        p = static_cast<size_t>(static_cast<const char*>(lf) - text) + 1;
        if (p >= limit || n - p < 9) return n;
        if (intel) {
            if (text[p] == ':' && text[p + 1] == '0' && text[p + 2] == '2' && text[p + 7] == '0' &&
                (text[p + 8] == '2' || text[p + 8] == '4'))
                return p;
        } else if (text[p] == 'S') {
            return p;
        }
    }
    return n;
}

ScanOutcome finish(const ScanState& s)
{
    ScanOutcome o;
    o.lowest = s.lowest;
    o.highest = s.highest;
    o.result = s.result;
    if (!o.result && (!s.ended || !s.anyData)) o.result = QMR_HEX_ECHECKSUM;
    return o;
}

ScanOutcome scanWhole(const char* text, size_t n, uint8_t* image, CancelCheck cancel, void* arg)
{
    Piece whole;
    whole.to = n;
    std::atomic<bool> quit{false};
    scanPiece(text, n, image, whole, cancel, arg, quit);
    if (whole.cancelled) {
        ScanOutcome o;
        o.cancelled = true;
        return o;
    }
    return finish(whole.state);
}

// True when the pieces read the text as one scan from the start would have.
bool piecesFit(const std::vector<Piece>& pieces)
{
    std::vector<std::pair<uint32_t, uint32_t>> all;
    for (size_t k = 0; k < pieces.size(); ++k) {
        const Piece& p = pieces[k];
        const bool last = k + 1 == pieces.size();
        if (p.extents.tooMany) return false;
        if (p.state.result) return false;                               // the whole scan finds the first error
        if (!last && (p.state.ended || p.stop != pieces[k + 1].from)) return false;  // ended early, or ran over
        if (k > 0 && p.state.usedInheritedBase) return false;           // needed the base of an earlier piece
        all.insert(all.end(), p.extents.ranges.begin(), p.extents.ranges.end());
    }
    // Two records that write the same byte must be written in their order.
    std::sort(all.begin(), all.end());
    for (size_t i = 1; i < all.size(); ++i)
        if (all[i].first < all[i - 1].second) return false;
    return true;
}

// The scan in pieces at once; false when it could not be set up (no memory,
// no thread): nothing was written then.
bool scanInPieces(const char* text, size_t n, uint8_t* image, CancelCheck cancel, void* arg, unsigned parts,
                  ScanOutcome& out)
try {
    // Pieces of about n / parts bytes, each beginning where a scan may begin.
    const bool intel = text[0] != 'S';
    std::vector<Piece> pieces(1);
    for (unsigned k = 1; k < parts; ++k) {
        const size_t from = pieceStart(text, n, std::max(n / parts * k, pieces.back().from + 1), n / parts * (k + 1), intel);
        if (from >= n) continue;
        pieces.back().to = from;
        pieces.emplace_back().from = from;
    }
    pieces.back().to = n;
    if (pieces.size() < 2) return false;
    for (size_t k = 1; k < pieces.size(); ++k) {
        // What an earlier piece leaves is counted there: nothing carried in moves the range.
        pieces[k].state.cur = 0xFFFFFFFFu;
        pieces[k].state.curEnd = 0;
    }
    for (Piece& p : pieces) {
        p.state.log = &p.extents;
        p.extents.ranges.reserve(Extents::kMax);  // a scan allocates nothing once the threads run
    }
    // The margin past 8 MB holds whatever the caller left there: kept to put back.
    std::vector<uint8_t> margin(image + QMR_IMAGE_SIZE, image + QMR_IMAGE_ALLOC);
    std::atomic<bool> quit{false};
    // Only the calling thread asks whether to stop; it tells the others.
    runInParts(pieces.size(), [&](size_t k) {
        if (k == 0 || !quit) scanPiece(text, n, image, pieces[k], k == 0 ? cancel : nullptr, k == 0 ? arg : nullptr, quit);
    });
    if (quit) {
        out = ScanOutcome{};
        out.cancelled = true;
        return true;
    }
    if (piecesFit(pieces)) {
        ScanState all = pieces.back().state;
        for (const Piece& p : pieces) {
            all.lowest = std::min(all.lowest, p.state.lowest);
            all.highest = std::max(all.highest, p.state.highest);
            all.anyData |= p.state.anyData;
        }
        out = finish(all);
        out.pieces = static_cast<unsigned>(pieces.size());
        return true;
    }
    // Put the image back as it came and read the text from the start.
    for (const Piece& p : pieces) {
        const uint32_t end = std::min<uint32_t>(p.extents.end, QMR_IMAGE_SIZE);
        if (p.extents.lowest < end) std::memset(image + p.extents.lowest, 0xFF, end - p.extents.lowest);
    }
    std::memcpy(image + QMR_IMAGE_SIZE, margin.data(), margin.size());
    out = scanWhole(text, n, image, cancel, arg);
    return true;
} catch (...) {
    return false;  // the pieces are allocated before anything is written
}

}  // namespace

ScanOutcome scanImage(const char* text, size_t n, uint8_t* image, CancelCheck cancel, void* arg, const ScanOptions& options)
{
    const unsigned parts = partsFor(n, options.minPartBytes, options.parts);
    ScanOutcome o;
    if (parts >= 2 && scanInPieces(text, n, image, cancel, arg, parts, o)) return o;
    return scanWhole(text, n, image, cancel, arg);
}

uint16_t imageSum(const uint8_t* image, uint32_t lowest, uint32_t highest)
{
    if (lowest > highest || highest >= QMR_IMAGE_ALLOC) return 0;
    uint64_t sum = 0;
    uint32_t a = lowest;
#if defined(__SSE2__)
    __m128i acc = _mm_setzero_si128();
    for (; a + 16 <= highest + 1; a += 16)
        acc = _mm_add_epi64(acc, _mm_sad_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(image + a)), _mm_setzero_si128()));
    alignas(16) uint64_t lanes[2];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), acc);
    sum = lanes[0] + lanes[1];
#endif
    for (; a <= highest; ++a) sum += image[a];
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
