// The texts of the main form: the setup summary of a settings record and the
// HEX image's time stamp and CRC.  Shared by both programs and by tools that
// print a setup; no toolkit.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "qmr/qmr.h"
#include "setrecord/setrecord.h"

namespace qmr::app {

// Translates a marked text (context, English source); the default keeps it.
using Translate = std::function<std::string(const char* context, const char* text)>;

struct SetupSummary {
    std::string setting, parameter, device;
    std::string voltage, oscillator, method, speed, mode;
};

// The summary of a record.  prm is the parameter record the device name is
// read from (null: no name); the last five fields are filled only when the
// unit's setup information is valid.
SetupSummary summarizeSetup(const SetRecord& record, const PrmRecord* prm, bool setupInfoValid,
                            const Translate& translate = {});

// A decimal number with a comma before every group of three digits from the
// right ("1,000", "12,000,000").
std::string groupDigits(uint32_t value);

// "YYYYMMDDhhmmss" as "%s/%s/%s %s:%s:%s": year/month/day in Japanese,
// day/month/year in English; "" when the stamp is not 14 characters.
std::string hexTimestampText(const char* stamp, bool english);

// The CRC of the image as "%08X", "" for none (0).
std::string hexCrcText(uint32_t crc);

}  // namespace qmr::app
