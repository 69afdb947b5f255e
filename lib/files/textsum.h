// The checksum of a parameter file kept as text: every significant character
// up to and including the "[CHECKSUM" line, then the key name SUM, through
// the MSB-first CRC-32 without final inversion.
#pragma once

#include <cstdint>

#include "files/fileio.h"

namespace qmr::files {

struct TextSum {
    uint32_t computed = 0;
    bool hasExpected = false;  // the "[CHECKSUM" section carries SUM=XXXXXXXX
    uint32_t expected = 0;
};

TextSum textChecksum(File* f);

}  // namespace qmr::files
