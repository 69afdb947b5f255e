// Command codes of the unit's frame protocol.
#pragma once

#include <cstdint>

namespace qmr::protocol::cmd {
constexpr uint8_t kStart = 0x01;
constexpr uint8_t kFirmwareStart = 0x02;
constexpr uint8_t kPrmDownload = 0x03;
constexpr uint8_t kPrmList = 0x04;
constexpr uint8_t kPrmUpload = 0x05;
constexpr uint8_t kSetDefaultSet = 0x06;
constexpr uint8_t kSetList = 0x07;
constexpr uint8_t kSetDownload = 0x08;
constexpr uint8_t kSetUpload = 0x09;
constexpr uint8_t kHexDownload = 0x0B;
constexpr uint8_t kHexUpload = 0x0C;
constexpr uint8_t kNext = 0x0E;
constexpr uint8_t kEnd = 0x0F;
constexpr uint8_t kLogClear = 0x10;
constexpr uint8_t kInfoRead = 0x11;
constexpr uint8_t kSetDefaultGet = 0x12;
constexpr uint8_t kHexInfo = 0x13;
constexpr uint8_t kSetDelete = 0x14;
constexpr uint8_t kHexChecksum = 0x15;
constexpr uint8_t kQuit = 0x16;
constexpr uint8_t kInfoWrite = 0x1A;
constexpr uint8_t kBuildNo = 0x1C;
constexpr uint8_t kButtonMask = 0x1D;
constexpr uint8_t kProgress = 0x20;
constexpr uint8_t kErase = 0x21;
constexpr uint8_t kBlank = 0x22;
constexpr uint8_t kProgram = 0x23;
constexpr uint8_t kVerify = 0x24;
constexpr uint8_t kEpv = 0x25;
constexpr uint8_t kRead = 0x26;
constexpr uint8_t kSecurity = 0x27;
constexpr uint8_t kDeviceChecksum = 0x28;
constexpr uint8_t kSignature = 0x29;
constexpr uint8_t kExpEpv = 0x2A;
constexpr uint8_t kUnitFirmwareStart = 0x2C;
constexpr uint8_t kHexData = 0x32;
constexpr uint8_t kFirmwareData = 0x33;
constexpr uint8_t kPrmData = 0x34;
constexpr uint8_t kSetData = 0x35;
}  // namespace qmr::protocol::cmd
