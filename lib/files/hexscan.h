// The scan of an Intel HEX or Motorola S-record text into the 8 MB image.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qmr::files {

struct ScanOutcome {
    int result = 0;              // 0, or QMR_HEX_ERANGE / QMR_HEX_ECHECKSUM
    bool cancelled = false;
    uint32_t lowest = 0xFFFFFFFFu;
    uint32_t highest = 0;
    unsigned pieces = 1;         // how many pieces the outcome came from (1: scanned whole)
};

// Called between records (the fast scan: every few thousand); returning
// true stops the scan (cancelled).
using CancelCheck = bool (*)(void* arg);

// How the fast scan may split a large text: into at most parts pieces (0:
// one for each processor) of at least minPartBytes each.
struct ScanOptions {
    unsigned parts = 0;
    size_t minPartBytes = size_t(1) << 20;
    bool portable = false;  // the SSE2 decoder even where AVX2 is there (for tests)
    size_t chunkBytes = size_t(256) << 10;  // what readAndScan reads at a time
};

// Scans text into image, which holds QMR_IMAGE_ALLOC bytes (the caller fills
// the first 8 MB with 0xFF).  Data records load at their addresses; a type 04
// record sets the upper linear address, a type 02 record the segment base,
// and whichever came last applies to the data records after it.  The first
// error wins; an end record ends the scan.  A text without an end record, or
// without a data record, fails with QMR_HEX_ECHECKSUM.
//
// The scan decodes whole records with vector instructions and splits a large
// text by lines across the processors (Intel HEX at its address records);
// where the pieces could disagree with a scan from the start (an error, an
// end record before the last piece, records of two pieces writing the same
// bytes, a piece relying on an address record of another), it scans the
// text again from the start.
ScanOutcome scanImage(const char* text, size_t n, uint8_t* image, CancelCheck cancel = nullptr,
                      void* cancelArg = nullptr, const ScanOptions& options = {});

struct File;

// Reads n bytes of file into text and scans them into image as scanImage
// does, reading and scanning at once: each processor reads its share of the
// file a chunk at a time and scans it while it is still in the cache.  The
// image may hold anything: where no record wrote it ends up 0xFF (past 8 MB
// it keeps what the caller put there).  readOk is false when the file could
// not be read whole; nothing else is then to be used.
ScanOutcome readAndScan(File* file, char* text, size_t n, uint8_t* image, bool& readOk, CancelCheck cancel = nullptr,
                        void* cancelArg = nullptr, const ScanOptions& options = {});

// The same scan, one record after the other and one character pair at a
// time: the rules the fast scan is held to.
ScanOutcome scanImageReference(const char* text, size_t n, uint8_t* image, CancelCheck cancel = nullptr,
                               void* cancelArg = nullptr);

// 0 minus the sum of the image bytes lowest..highest, in 16 bits (0 for an
// empty range).
uint16_t imageSum(const uint8_t* image, uint32_t lowest, uint32_t highest);

// The firmware identity marker check at lowest + 0x70: kind 1 unit firmware
// ("vexor" 9F 2F BF 53 DA), kind 2 gang-box firmware ("vexorgang" DA).
bool hasFirmwareMarker(const uint8_t* image, uint32_t lowest, uint32_t kind);

}  // namespace qmr::files
