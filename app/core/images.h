// Program images on the PC side: S-record files of images uploaded from the
// unit or read out of a target, the checksum display's sums and texts, the
// two-stage firmware rule, serial-number stepping and the version texts.
// No toolkit: a command-line tool uses these as they are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/summary.h"

namespace qmr::app {

// S-record text of the bytes of offsets start..end-1, the buffer's first
// byte belonging to offset start: "S3" lines of 16 bytes (48 characters with
// CR LF, the last line filled up from the buffer, 0xFF past its end) and the
// end line "S70500000F10DB".
std::string sRecordText(const uint8_t* buffer, size_t bufferSize, uint32_t start, uint32_t end);

// The two CRC sums of the checksum display over a 2 MB work area filled with
// 0xFF that holds the first size bytes of the upload (at most 2 MB): the
// first 1 MB and all 2 MB, CRC-32 of the MPEG-2 form.
struct Fp4Sums {
    uint32_t crc1m = 0, crc2m = 0;
};
Fp4Sums fp4Sums(const uint8_t* upload, uint32_t size);

// The checksum display's text by the size of the image: both sums up to
// 1 MB, "--Over--" for the first above that, the unit checksum alone above
// 2 MB.
std::string checksumDisplayText(uint32_t size, const std::string& unitChecksum, const Fp4Sums& sums,
                                const Translate& translate = {});

// An image larger than 0xE000 bytes cannot go to a unit whose firmware is
// older than 0x0204 at once: the intermediate firmware goes first.
bool needsIntermediateFirmware(uint16_t unitVersion, uint32_t imageSize);

// The intermediate unit firmware "QMTemp120.hex": beside the program, or in
// the installed data folder (share/quillmarker beside the program's bin/ or
// libexec/quillmarker/); the path beside the program when it is in neither.
std::string intermediateFirmwarePath(const std::string& programFolder);

// The serial number after a device: +1 or -1, wrapped to its size in bytes
// (1: 0..255, 2: 0..0xFFFF, 4: as it is).
uint32_t stepSerial(uint32_t value, int sizeBytes, int step);

// Serial numbers of up to 8 bytes as one 64-bit value, the high word in the
// upper half.  The number `steps` positions on from value, counting up or
// down: 8 bytes wrap as 64 bits (a low word that wraps carries into, or
// borrows from, the high word); 1, 2 and 4 bytes wrap within their width and
// leave the high word as it is.
uint64_t serialAt(uint64_t value, int sizeBytes, bool down, uint32_t steps);
// The number as the programs show it: "%08x%08x" (8 bytes), "%08x", "%04x" or "%02x".
std::string serialText(uint64_t value, int sizeBytes);
// The serial data of up to 8 bytes: for 8 bytes at most 16 hexadecimal
// digits (with more than 8, the leading ones make the high word); for 1, 2
// and 4 bytes what parseSerialData takes, into the low word.
bool parseSerialData64(const std::string& text, int sizeBytes, uint64_t& data);
// The serial-number EPV's address: hexadecimal as "%x" reads it, and
// address + size - 1 not above the highest address.
bool parseSerialAddress(const std::string& text, int sizeBytes, uint32_t highest, uint32_t& address);
// The serial data: at most 8 hexadecimal digits that fit the size.
bool parseSerialData(const std::string& text, int sizeBytes, uint32_t& data);

// "%x.%02d(Build%04d)" of a firmware version and build.
std::string firmwareVersionText(unsigned major, unsigned minor, unsigned build);
// "V" + the first digit + "." + the other digits of the library version.
std::string libraryVersionText(int version);
// "%4.4s-%6.6s-%6.6s-%3.3s" of a serial-number text of up to 19 characters.
std::string serialNumberText(const char* text, size_t max);

}  // namespace qmr::app
