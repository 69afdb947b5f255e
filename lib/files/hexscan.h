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
};

// Called between records; returning true stops the scan (cancelled).
using CancelCheck = bool (*)(void* arg);

// Scans text into image, which holds QMR_IMAGE_ALLOC bytes (the caller fills
// the first 8 MB with 0xFF).  Data records load at their addresses; a type 04
// record sets the upper linear address, a type 02 record the segment base,
// and whichever came last applies to the data records after it.  A text
// without an end record, or without a data record, fails with
// QMR_HEX_ECHECKSUM.
ScanOutcome scanImage(const char* text, size_t n, uint8_t* image, CancelCheck cancel = nullptr,
                      void* cancelArg = nullptr);

// 0 minus the sum of the image bytes lowest..highest, in 16 bits (0 for an
// empty range).
uint16_t imageSum(const uint8_t* image, uint32_t lowest, uint32_t highest);

// The firmware identity marker check at lowest + 0x70: kind 1 unit firmware
// ("vexor" 9F 2F BF 53 DA), kind 2 gang-box firmware ("vexorgang" DA).
bool hasFirmwareMarker(const uint8_t* image, uint32_t lowest, uint32_t kind);

}  // namespace qmr::files
