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
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

#include "files/fileio.h"
#include "files/hexrecord.h"
#include "files/parts.h"
#include "qmr/qmr.h"

namespace qmr::files {

namespace {

#if defined(__SSE2__)

namespace sse2 {
#define QMR_SCAN_AVX2 0
#include "files/hexscan_records.inc"
#undef QMR_SCAN_AVX2
}  // namespace sse2

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif
namespace avx2 {
#define QMR_SCAN_AVX2 1
#include "files/hexscan_records.inc"
#undef QMR_SCAN_AVX2
}  // namespace avx2
#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

using RecordLoop = size_t (*)(const char*, size_t, size_t, size_t, size_t, uint8_t*, ScanState&, bool (*)(void*), void*);

RecordLoop recordLoop(bool portable)
{
    static const bool avx2 = __builtin_cpu_supports("avx2");
    return avx2 && !portable ? avx2::scanRecords : sse2::scanRecords;
}

#else

// Without vector instructions every record goes through the plain reader.
size_t plainRecords(const char* text, size_t n, size_t from, size_t to, size_t have, uint8_t* image, ScanState& s,
                    bool (*stop)(void*), void* stopArg)
{
    size_t pos = from;
    unsigned countdown = 1;
    while (pos < to) {
        if (have < n && (pos + 1024 > have || !std::memchr(text + pos, '\n', have - pos))) return pos;
        if (--countdown == 0) {
            countdown = 4096;
            if (stop(stopArg)) return pos;
        }
        pos = stepRecord(text, n, pos, image, s);
        if (s.result || s.ended) break;
    }
    return pos;
}
using RecordLoop = decltype(&plainRecords);
RecordLoop recordLoop(bool) { return plainRecords; }

#endif

// The bytes one piece wrote, as ranges (merged while the records follow one
// another); too many ranges and the piece cannot be checked against others.
struct Extents final : WriteLog {
    static constexpr size_t kMax = 65536;
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

// The owners of the image's 4 KB pages (0: none yet), shared by the pieces.
class PageOwners {
public:
    static constexpr size_t kPages = (QMR_IMAGE_ALLOC + (1u << PageClaims::kPageBits) - 1) >> PageClaims::kPageBits;
    PageOwners() : owner_(new std::atomic<uint8_t>[kPages]) {
        for (size_t i = 0; i < kPages; ++i) owner_[i].store(0, std::memory_order_relaxed);
    }
    bool claim(uint32_t first, uint32_t last, uint8_t me)
    {
        for (uint32_t p = first; p <= last && p < kPages; ++p) {
            uint8_t was = 0;
            if (!owner_[p].compare_exchange_strong(was, me, std::memory_order_relaxed) && was != me) return false;
        }
        return true;
    }

private:
    std::unique_ptr<std::atomic<uint8_t>[]> owner_;
};

struct Piece final : PageClaims {
    size_t from = 0;  // where its first record begins
    size_t stop = 0;  // where its scan ended
    ScanState state;
    Extents extents;
    PageOwners* owners = nullptr;
    uint8_t id = 0;
    bool claim(uint32_t first, uint32_t last) override { return owners->claim(first, last, id); }
};

ScanOutcome finish(const ScanState& s)
{
    ScanOutcome o;
    o.lowest = s.lowest;
    o.highest = s.highest;
    o.result = s.result;
    if (!o.result && (!s.ended || !s.anyData)) o.result = QMR_HEX_ECHECKSUM;
    return o;
}

struct Stop {
    std::atomic<bool>& quit;
    CancelCheck cancel;
    void* arg;
    static bool asked(void* self)
    {
        auto* s = static_cast<Stop*>(self);
        if (s->quit.load(std::memory_order_relaxed)) return true;
        if (s->cancel && s->cancel(s->arg)) {
            s->quit = true;
            return true;
        }
        return false;
    }
};

// The whole text from the start, in one piece.
ScanOutcome scanWhole(const char* text, size_t n, uint8_t* image, CancelCheck cancel, void* arg, bool portable)
{
    ScanState state;
    std::atomic<bool> quit{false};
    Stop stop{quit, cancel, arg};
    recordLoop(portable)(text, n, 0, n, n, image, state, Stop::asked, &stop);
    if (quit) {
        ScanOutcome o;
        o.cancelled = true;
        return o;
    }
    return finish(state);
}

// A line start where a piece may begin (16 characters are there): an
// address record (type 02 or 04 with two data bytes) for Intel HEX, a data
// record at the start of a 4 KB page for S-records (so that two pieces
// rarely write into one page).
bool startsPiece(const char* p, bool intel)
{
    if (intel) return p[0] == ':' && p[1] == '0' && p[2] == '2' && p[7] == '0' && (p[8] == '2' || p[8] == '4');
    if (p[0] != 'S' || p[1] < '1' || p[1] > '3') return false;
    const int addressBytes = p[1] - '0' + 1;
    auto digit = [](char c) { return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1; };
    if (digit(p[2]) < 0 || digit(p[3]) < 0 || digit(p[2]) * 16 + digit(p[3]) <= addressBytes + 1) return false;  // no data
    const char* end = p + 4 + 2 * addressBytes;  // after the address
    return end[-1] == '0' && end[-2] == '0' && end[-3] == '0';
}

// One scan split across the processors.  The text is cut into one range per
// processor; the thread of each range reads it (from the file, a chunk at a
// time, when there is one), looks in it for the first line where a piece may
// begin, and scans its piece from there while what it read is still in the
// cache.  A piece ends where the next range's piece begins; its last records
// may need text the next thread reads, which it waits for.
class Pieces {
public:
    static constexpr size_t kUnknown = ~size_t(0), kNone = ~size_t(0) - 1;

    Pieces(const char* text, char* writable, size_t n, files::File* file, unsigned parts, size_t chunk, bool intel,
           bool portable, uint8_t* image, CancelCheck cancel, void* arg)
        : text_(text), writable_(writable), n_(n), file_(file), parts_(parts), chunk_(std::max<size_t>(chunk, 1)),
          intel_(intel), portable_(portable), image_(image), cancel_(cancel), arg_(arg), from_(parts + 1),
          readTo_(new std::atomic<size_t>[parts]), startOf_(new std::atomic<size_t>[parts]), pieces_(parts)
    {
        for (unsigned k = 0; k <= parts; ++k) from_[k] = k == parts ? n : n / parts * k;
        for (unsigned k = 0; k < parts; ++k) {
            readTo_[k] = file ? from_[k] : from_[k + 1];
            startOf_[k] = k == 0 ? 0 : kUnknown;
            Piece& p = pieces_[k];
            p.state.log = &p.extents;
            p.owners = &owners_;
            p.id = static_cast<uint8_t>(k + 1);
            p.state.claims = &p;
            p.extents.ranges.reserve(Extents::kMax);  // nothing is allocated once the threads run
            if (k > 0) {
                // What an earlier piece leaves is counted there: nothing carried in moves the range.
                p.state.cur = 0xFFFFFFFFu;
                p.state.curEnd = 0;
            }
        }
    }

    // Runs every range on a thread of its own (the pieces wait for each
    // other, so none may run after another); false when a thread could not
    // be had: the others are stopped, and nothing of theirs counts.
    bool run()
    {
        std::vector<std::thread> threads;
        bool all = true;
        try {
            threads.reserve(parts_);
            for (unsigned k = 1; k < parts_; ++k) threads.emplace_back([this, k] { work(k); });
        } catch (...) {
            all = false;
            aborted_ = quit_ = true;
            notify();
        }
        if (all) work(0);
        for (auto& t : threads) t.join();
        return all;
    }
    bool readFailed() const { return failed_; }
    bool cancelled() const { return quit_ && !failed_ && !aborted_; }

    // The pieces in their order (those whose range had a place to begin).
    std::vector<const Piece*> pieces() const
    {
        std::vector<const Piece*> v;
        for (unsigned k = 0; k < parts_; ++k)
            if (startOf_[k] != kNone) v.push_back(&pieces_[k]);
        return v;
    }

private:
    // How far the text is there without a gap from pos on.
    size_t available(size_t pos) const
    {
        unsigned j = 0;
        while (j + 1 < parts_ && from_[j + 1] <= pos) ++j;
        size_t x = readTo_[j].load(std::memory_order_acquire);
        while (x == from_[j + 1] && j + 1 < parts_) x = readTo_[++j].load(std::memory_order_acquire);
        return x;
    }
    void notify()
    {
        { std::lock_guard<std::mutex> g(mutex_); }
        cv_.notify_all();
    }
    template <typename Pred>
    void waitFor(Pred ready)
    {
        std::unique_lock<std::mutex> g(mutex_);
        cv_.wait(g, [&] { return ready() || quit_ || failed_; });
    }

    // Scans piece k's records that begin before end as far as the text is
    // there; with wait, waits for the rest of it to be read by the others.
    void scanTo(unsigned k, size_t& pos, size_t end, bool& done, bool wait)
    {
        Piece& p = pieces_[k];
        Stop stop{quit_, k == 0 ? cancel_ : nullptr, k == 0 ? arg_ : nullptr};
        while (pos < end && !done && !quit_ && !failed_) {
            const size_t have = available(pos);
            pos = recordLoop(portable_)(text_, n_, pos, end, have, image_, p.state, Stop::asked, &stop);
            if (p.state.result || p.state.ended) done = true;
            else if (quit_) notify();
            else if (pos < end && !wait) return;
            else if (pos < end) waitFor([&] { return available(pos) > have; });
        }
    }

    // Looks for the first line of range k where a piece may begin, in what has been read.
    void seekStart(unsigned k, size_t& searched, size_t have, bool rangeRead)
    {
        const size_t end = from_[k + 1];
        while (startOf_[k] == kUnknown) {
            const void* lf = searched < have ? std::memchr(text_ + searched, '\n', have - searched) : nullptr;
            const size_t p = lf ? static_cast<size_t>(static_cast<const char*>(lf) - text_) + 1 : have;
            if (p >= end || (!lf && rangeRead) || (lf && p + 16 > have && rangeRead)) {
                startOf_[k] = kNone;  // (a line cut by the range's end is not taken)
            } else if (!lf || p + 16 > have) {
                return;  // the rest is not read yet
            } else if (startsPiece(text_ + p, intel_)) {
                pieces_[k].from = p;
                startOf_[k] = p;
            } else {
                searched = p;
                continue;
            }
            notify();
        }
    }

    void work(unsigned k)
    {
        const size_t a = from_[k], b = from_[k + 1];
        size_t pos = 0, searched = a;
        bool done = false;
        // Read the range a chunk at a time (nobody waits for anybody here),
        // scanning what has come in between.
        for (size_t off = file_ ? a : b; off < b && !quit_ && !failed_; off += chunk_) {
            const size_t len = std::min(chunk_, b - off);
            if (files::readAt(file_, writable_ + off, len, off) != len) {
                failed_ = true;
                notify();
                return;
            }
            readTo_[k].store(off + len, std::memory_order_release);
            notify();
            seekStart(k, searched, off + len, off + len == b);
            if (startOf_[k] < kNone) {
                if (pos < startOf_[k]) pos = startOf_[k];
                scanTo(k, pos, b, done, false);  // what is there: the rest of the range is this thread's to read
            }
            if (k == 0 && cancel_ && cancel_(arg_)) quit_ = true;
        }
        if (quit_ || failed_) {
            pieces_[k].state.flushWrites();
            notify();
            return;
        }
        seekStart(k, searched, available(a), true);
        if (startOf_[k] == kNone) return;
        if (pos < startOf_[k]) pos = startOf_[k];
        // The piece runs to where the next piece begins, over ranges without one.
        size_t end = b;
        for (unsigned j = k + 1;; ++j) {
            scanTo(k, pos, end, done, true);
            if (done || pos < end || j >= parts_) break;
            waitFor([&] { return startOf_[j] != kUnknown; });
            if (quit_ || failed_) break;
            const size_t s = startOf_[j];
            if (s != kNone) {
                scanTo(k, pos, s, done, true);
                break;
            }
            end = from_[j + 1];
        }
        Piece& p = pieces_[k];
        p.stop = pos;
        p.state.flushWrites();
    }

    const char* text_;
    char* writable_;
    size_t n_;
    files::File* file_;
    unsigned parts_;
    size_t chunk_;
    bool intel_, portable_;
    uint8_t* image_;
    CancelCheck cancel_;
    void* arg_;
    std::vector<size_t> from_;
    std::unique_ptr<std::atomic<size_t>[]> readTo_, startOf_;
    PageOwners owners_;
    std::vector<Piece> pieces_;
    std::atomic<bool> quit_{false}, failed_{false}, aborted_{false};
    std::mutex mutex_;
    std::condition_variable cv_;
};

// True when the pieces read the text as one scan from the start would have.
bool piecesFit(const std::vector<const Piece*>& pieces, size_t n)
{
    std::vector<std::pair<uint32_t, uint32_t>> all;
    for (size_t k = 0; k < pieces.size(); ++k) {
        const Piece& p = *pieces[k];
        const bool last = k + 1 == pieces.size();
        if (p.extents.tooMany) return false;
        if (p.state.result) return false;  // the whole scan finds the first error
        if (last ? (!p.state.ended && p.stop != n) : (p.state.ended || p.stop != pieces[k + 1]->from))
            return false;  // ended early, or ran over the next piece's start
        if (k > 0 && p.state.usedInheritedBase) return false;  // needed the base of an earlier piece
        all.insert(all.end(), p.extents.ranges.begin(), p.extents.ranges.end());
    }
    // Two records that write the same byte must be written in their order.
    std::sort(all.begin(), all.end());
    for (size_t i = 1; i < all.size(); ++i)
        if (all[i].first < all[i - 1].second) return false;
    return true;
}

// 0xFF into the first 8 MB wherever none of the pieces wrote.
void fillGaps(const std::vector<const Piece*>& pieces, uint8_t* image)
{
    std::vector<std::pair<uint32_t, uint32_t>> all;
    for (const Piece* p : pieces) all.insert(all.end(), p->extents.ranges.begin(), p->extents.ranges.end());
    std::sort(all.begin(), all.end());
    uint32_t at = 0;
    for (const auto& [first, end] : all) {
        if (first >= QMR_IMAGE_SIZE) break;
        if (first > at) std::memset(image + at, 0xFF, first - at);
        at = std::max(at, end);
    }
    if (at < QMR_IMAGE_SIZE) std::memset(image + at, 0xFF, QMR_IMAGE_SIZE - at);
}

// The scan in pieces (and, with a file, its reading); false when it could
// not be set up (no memory): nothing was read or written then.
bool scanInPieces(const char* text, char* writable, size_t n, files::File* file, uint8_t* image, bool imageFilled,
                  CancelCheck cancel, void* arg, unsigned parts, const ScanOptions& options, bool& readOk, ScanOutcome& out)
try {
    // The margin past 8 MB holds whatever the caller left there: kept to put back.
    std::vector<uint8_t> margin(image + QMR_IMAGE_SIZE, image + QMR_IMAGE_ALLOC);
    char first = 0;
    if (file ? files::readAt(file, &first, 1, 0) != 1 : false) {
        readOk = false;
        return true;
    }
    const bool intel = (file ? first : text[0]) != 'S';
    Pieces work(text, writable, n, file, parts, options.chunkBytes, intel, options.portable, image, cancel, arg);
    const bool ran = work.run();
    if (!ran && file && files::readAt(file, writable, n, 0) != n) {
        readOk = false;  // the whole text is read for the scan from the start below
        return true;
    }
    if (work.readFailed()) {
        readOk = false;
        return true;
    }
    if (work.cancelled()) {
        out = ScanOutcome{};
        out.cancelled = true;
        return true;
    }
    const auto pieces = work.pieces();
    if (ran && piecesFit(pieces, n)) {
        if (!imageFilled) fillGaps(pieces, image);
        ScanState all = pieces.back()->state;
        for (const Piece* p : pieces) {
            all.lowest = std::min(all.lowest, p->state.lowest);
            all.highest = std::max(all.highest, p->state.highest);
            all.anyData |= p->state.anyData;
        }
        out = finish(all);
        out.pieces = static_cast<unsigned>(pieces.size());
        return true;
    }
    // Put the image back as it came and read the text from the start.
    if (!imageFilled) {
        std::memset(image, 0xFF, QMR_IMAGE_SIZE);
    } else {
        for (const Piece* p : pieces) {
            const uint32_t end = std::min<uint32_t>(p->extents.end, QMR_IMAGE_SIZE);
            if (p->extents.lowest < end) std::memset(image + p->extents.lowest, 0xFF, end - p->extents.lowest);
        }
    }
    std::memcpy(image + QMR_IMAGE_SIZE, margin.data(), margin.size());
    out = scanWhole(text, n, image, cancel, arg, options.portable);
    return true;
} catch (...) {
    return false;
}

}  // namespace

ScanOutcome scanImage(const char* text, size_t n, uint8_t* image, CancelCheck cancel, void* arg, const ScanOptions& options)
{
    const unsigned parts = partsFor(n, options.minPartBytes, options.parts);
    ScanOutcome o;
    bool readOk = true;
    if (parts >= 2 && scanInPieces(text, nullptr, n, nullptr, image, true, cancel, arg, parts, options, readOk, o)) return o;
    return scanWhole(text, n, image, cancel, arg, options.portable);
}

ScanOutcome readAndScan(files::File* file, char* text, size_t n, uint8_t* image, bool& readOk, CancelCheck cancel,
                        void* arg, const ScanOptions& options)
{
    readOk = true;
    const unsigned parts = partsFor(n, options.minPartBytes, options.parts);
    ScanOutcome o;
    if (parts >= 2 && scanInPieces(text, text, n, file, image, false, cancel, arg, parts, options, readOk, o)) return o;
    // In one piece: read it all, then scan it.
    if (files::readAt(file, text, n, 0) != n) {
        readOk = false;
        return o;
    }
    std::memset(image, 0xFF, QMR_IMAGE_SIZE);
    return scanWhole(text, n, image, cancel, arg, options.portable);
}

namespace {

uint64_t byteSum(const uint8_t* p, size_t n)
{
    uint64_t sum = 0;
    size_t i = 0;
#if defined(__SSE2__)
    __m128i acc = _mm_setzero_si128();
    for (; i + 16 <= n; i += 16)
        acc = _mm_add_epi64(acc, _mm_sad_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)), _mm_setzero_si128()));
    alignas(16) uint64_t lanes[2];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), acc);
    sum = lanes[0] + lanes[1];
#endif
    for (; i < n; ++i) sum += p[i];
    return sum;
}

}  // namespace

uint16_t imageSum(const uint8_t* image, uint32_t lowest, uint32_t highest)
{
    if (lowest > highest || highest >= QMR_IMAGE_ALLOC) return 0;
    // A large image is summed by every processor, a part each.
    const size_t n = size_t(highest) - lowest + 1;
    const unsigned parts = partsFor(n, size_t(2) << 20);
    std::atomic<uint64_t> sum{0};
    runInParts(parts, [&](size_t k) {
        const size_t from = n / parts * k, to = k + 1 == parts ? n : n / parts * (k + 1);
        sum += byteSum(image + lowest + from, to - from);
    });
    return static_cast<uint16_t>(0u - static_cast<uint32_t>(sum.load()));
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
