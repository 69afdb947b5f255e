// Transfers between the context and the unit.  Each returns 0 or a link
// code; a unit status other than 1 is left in lastStatus.
#pragma once

#include <cstdint>

#include "qmr/qmr.h"

namespace qmr::protocol {

int uploadPrmNames(FlshContext* c);
int uploadSetNames(FlshContext* c);
// Uploads settings file `number` into the settings record buffer; with
// progress, posts the transfer's progress lines.
int uploadSettings(FlshContext* c, uint8_t number, bool progress);
// Uploads the parameter file with this 4-byte identity into prm.
int uploadPrm(FlshContext* c, const uint8_t id[4]);
// Sends the gang box's button mask (gang build; nothing in the single build).
int sendButtonMask(FlshContext* c, uint8_t mask);
int readBuildNumber(FlshContext* c);

// Sends command with `data`, then reads a status answer into `status`.
int statusExchange(FlshContext* c, uint8_t command, const uint8_t* data, uint16_t n, uint8_t& status);

}  // namespace qmr::protocol
