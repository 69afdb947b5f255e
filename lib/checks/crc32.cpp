// The CRC-32 forms through Intel's ISA-L, which folds with carry-less
// multiplication where the processor has it (and picks its own fallback
// where it does not).  ISA-L's functions take and give the finished CRC
// (they invert on the way in and out): the state updates undo that.
#include "checks/crc32.h"

#include <isa-l/crc.h>

namespace qmr::checks {

uint32_t crc32ReflectedUpdate(uint32_t state, const uint8_t* data, size_t n)
{
    return n ? ~crc32_gzip_refl(~state, data, n) : state;
}

uint32_t crc32MsbUpdate(uint32_t state, const uint8_t* data, size_t n)
{
    return n ? ~crc32_ieee(~state, data, n) : state;
}

}  // namespace qmr::checks
