// The link to the unit and the frame layer on top of it.  Everything here
// runs on the context's worker thread (closing may interrupt from another).
#pragma once

#include <cstddef>
#include <cstdint>

#include "link/crc16.h"
#include "link/driver.h"
#include "qmr/qmr.h"

namespace qmr::link {

// ---- frames --------------------------------------------------------------
// A frame is command, 16-bit big-endian length N, N data bytes and the
// CRC-16/KERMIT of the first 3+N bytes, low byte first.
constexpr size_t kFrameOverhead = 5;
constexpr size_t kBlock = 512;
constexpr size_t kBlockFrame = kBlock + kFrameOverhead;

// Writes the frame into out (room for n + 5 bytes) and returns its length.
size_t buildFrame(uint8_t command, const uint8_t* data, uint16_t n, uint8_t* out);

// ---- link operations -----------------------------------------------------
// Finds the unit by its description and opens it: true on success.
bool openLink(FlshContext* ctx);
bool openLinkWith(FlshContext* ctx, Driver& driver);
void closeLink(FlshContext* ctx);
// Makes a read that waits on this context's link fail at once.
void interruptLink(FlshContext* ctx);
bool isOpen(const FlshContext* ctx);
// Keeps the open device's 16-byte serial number in usbSerial.
bool readDeviceInfo(FlshContext* ctx);
// Drains what the unit still sends, then clears the receive buffer.
void purgeReceive(FlshContext* ctx);
// Drops what has arrived and not been read, without waiting: every command
// starts from a clean link.
void dropReceived(FlshContext* ctx);

// Send: 0, 131 (driver call failed or link closed), 107 (short write).
int send(FlshContext* ctx, const uint8_t* data, uint32_t n);
// Receive exactly n bytes: 0, 123 (driver call failed), 122 (fewer bytes by
// the read time-out).
int receive(FlshContext* ctx, uint8_t* data, uint32_t n);

// Read time-out of one receive, from QMR_READ_TIMEOUT_MS (default 5000),
// taken when a link opens.
int readTimeoutMs();

// ---- exchanges -------------------------------------------------------------
// Every answer is read by the length it announces.  The readers return 0, a
// link code (122, 123), or kRefused: the unit answered with a status (kept in
// lastStatus) where another answer was expected.  An answer of another
// length than expected is read away whole and gives 122, so the link never
// keeps bytes that belong to an earlier exchange.
constexpr int kRefused = -1;
// The code a command ends with for a reader's result: kRefused becomes the
// unit's status (122 when that status was 1).
int endCode(const FlshContext* ctx, int rc);

int sendCommand(FlshContext* ctx, uint8_t command, const uint8_t* data = nullptr, uint16_t n = 0);
// The single unit's progress query: the bare command byte.
int sendBare(FlshContext* ctx, uint8_t command);

// Status answer (6 bytes): status = its data byte, also kept in lastStatus.
int readStatus(FlshContext* ctx, uint8_t& status);
// Fixed answer of exactly n bytes (n - 5 data bytes) into frame (n >= 5).  A
// status answer in its place gives kRefused, unless n is 6 (the data byte of
// a 6-byte answer cannot be told from a status).
int readFixed(FlshContext* ctx, uint8_t* frame, uint32_t n);

struct VariableAnswer {
    bool isStatus = false;  // a length-1 answer: only a status came
    uint8_t status = 1;
    uint16_t length = 0;    // data bytes copied
};
// Variable answer: header, then a status (length 1) or length data bytes and
// the CRC.  An answer longer than capacity is drained and gives 122.
int readVariable(FlshContext* ctx, uint8_t* data, uint32_t capacity, VariableAnswer& out);

}  // namespace qmr::link
