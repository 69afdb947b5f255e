// CRC-16/KERMIT of the unit's frames: reflected polynomial 0x8408, initial
// value 0, no final inversion.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qmr::link {

uint16_t crc16(const uint8_t* data, size_t n, uint16_t crc = 0);

}  // namespace qmr::link
