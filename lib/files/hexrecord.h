// One record of Intel HEX or Motorola S-record text, read the plain way:
// the rules every scan of image text follows.  The plain scan runs every
// record through it; the fast scan runs the records it has no fast path for
// (address, start and end records, odd counts, a file's last bytes).
#pragma once

#include <cstddef>
#include <cstdint>

namespace qmr::files {

// Where a scan wrote into the image (the fast scan keeps track of it).
struct WriteLog {
    virtual void wrote(uint32_t start, uint32_t length) = 0;

protected:
    ~WriteLog() = default;
};

// Scans that run at once write into one image: each takes the 4 KB pages
// it writes before it writes them, and a page another scan has taken is not
// written (two threads never write one byte).
struct PageClaims {
    static constexpr unsigned kPageBits = 12;
    // True when the pages first..last are this scan's (taken now or before).
    virtual bool claim(uint32_t first, uint32_t last) = 0;

protected:
    ~PageClaims() = default;
};

// The result of a piece that met another piece's page: it is scanned again whole.
constexpr int kConflict = -1;

struct ScanState {
    uint32_t cur = 0, curEnd = 0;  // the last record's start and the last data record's end
    uint32_t base = 0;             // segment * 16 or upper linear address, whichever came last
    bool baseSet = false;          // an address record (type 02 or 04) was read in this scan
    uint32_t lowest = 0xFFFFFFFFu, highest = 0;
    bool ended = false, anyData = false;
    int result = 0;               // the first error
    bool usedInheritedBase = false;  // a data record relied on a base this scan did not read
    WriteLog* log = nullptr;
    PageClaims* claims = nullptr;

    // Whether length bytes at start may be written (always, for a scan alone).
    bool mayWrite(uint32_t start, uint32_t length)
    {
        if (!claims) return true;
        const uint32_t first = start >> PageClaims::kPageBits, last = (start + length - 1) >> PageClaims::kPageBits;
        if (first == lastPage && last == lastPage) return true;
        if (!claims->claim(first, last)) return false;
        lastPage = last;
        return true;
    }

    // Data written at start: told to the log (when there is one) a run of
    // records that follow one another at a time.
    void wrote(uint32_t start, uint32_t length)
    {
        if (!log) return;
        if (runOpen && start == runEnd) {
            runEnd += length;
            return;
        }
        flushWrites();
        runOpen = true;
        runStart = start;
        runEnd = start + length;
    }
    void flushWrites()
    {
        if (runOpen) log->wrote(runStart, runEnd - runStart);
        runOpen = false;
    }

private:
    uint32_t lastPage = 0xFFFFFFFFu;
    bool runOpen = false;
    uint32_t runStart = 0, runEnd = 0;
};

// Hexadecimal digit pairs to bytes; a character that is not a digit counts as 0.
const uint8_t* pairTable();

inline size_t skipLineEnds(const char* text, size_t n, size_t p)
{
    if (p < n && (text[p] == '\r' || text[p] == '\n')) {
        ++p;
        if (p < n && (text[p] == '\r' || text[p] == '\n')) ++p;
    }
    return p;
}

// Reads the record (or skips the line) at text[pos] into image and state;
// returns where the next one begins.  An error sets state.result, an end
// record state.ended: the scan stops there.
size_t stepRecord(const char* text, size_t n, size_t pos, uint8_t* image, ScanState& state);

}  // namespace qmr::files
